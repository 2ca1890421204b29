(() => {
  // The positional XPath of the xpath script, for a whole page at once: each parent's
  // children are counted in one pass and each ancestor's path is built once, instead of
  // walking every element's earlier siblings again for every element below it.
  const indices = new Map();
  const paths = new Map();
  const indexOf = (el) => {
    let index = indices.get(el);
    if (index !== undefined) return index;
    const parent = el.parentNode;
    if (!parent || !parent.firstElementChild) return 1;
    const counts = new Map();
    for (let child = parent.firstElementChild; child; child = child.nextElementSibling) {
      const count = (counts.get(child.tagName) || 0) + 1;
      counts.set(child.tagName, count);
      indices.set(child, count);
    }
    return indices.get(el) || 1;
  };
  const pathOf = (el) => {
    let path = paths.get(el);
    if (path !== undefined) return path;
    const parent = el.parentElement;
    const node = el.parentNode;
    const host = !parent && node && node.nodeType === 11 ? node.host : null;
    const step = el.tagName.toLowerCase() + '[' + indexOf(el) + ']';
    path = (parent ? pathOf(parent) : host ? pathOf(host) + '/#shadow-root' : '') + '/' + step;
    paths.set(el, path);
    return path;
  };
  return pathOf;
})()
