(seen) => {
  // Whether the element now at the path is the one harvested: same text, same box
  // (within layout jitter), and its row (the nearest harvested text around it) still
  // reads as it did; rows of one list look alike, so only their text tells them apart.
  // Answers the element itself when it is the same (a handle, in the same round trip),
  // else what differs. With only a path, answers the element at it.
  //
  // The path is positional, as the harvest writes it; a "#shadow-root" step enters the
  // open shadow root of the element before it, where XPath cannot follow.
  const find = (path) => {
    const parts = path.split('/#shadow-root');
    let el = document.evaluate(parts[0], document, null, XPathResult.FIRST_ORDERED_NODE_TYPE, null).singleNodeValue;
    for (let k = 1; k < parts.length && el; k++) {
      let node = el.shadowRoot;
      for (const step of parts[k].split('/')) {
        if (!node || !step) continue;
        const m = /^(.+)\[(\d+)\]$/.exec(step);
        let count = 0;
        let next = null;
        for (let child = m ? node.firstElementChild : null; child && !next; child = child.nextElementSibling) {
          if (child.tagName.toLowerCase() === m[1] && ++count === Number(m[2])) next = child;
        }
        node = next;
      }
      el = node;
    }
    return el;
  };
  const parentOrHost = (node) => {
    if (node.parentElement) return node.parentElement;
    const parent = node.parentNode;
    return parent && parent.nodeType === 11 && parent.host ? parent.host : null;
  };
  const el = seen.xpath && find(seen.xpath);
  if (!el) return 'it is no longer on the page';
  const squash = s => (s || '').replace(/\s+/g, ' ').trim();
  const same = (now, then) => now === then || now.startsWith(then);
  if (seen.check_text && !same(squash(el.innerText), squash(seen.text))) {
    return `its text is now ${JSON.stringify(squash(el.innerText).slice(0, 60))}`;
  }
  const box = seen.box;
  if (box) {
    const r = el.getBoundingClientRect();
    const slack = 2;
    if (Math.abs(r.x - box.x) > slack || Math.abs(r.y - box.y) > slack ||
        Math.abs(r.width - box.width) > slack || Math.abs(r.height - box.height) > slack) {
      return `it moved from (${Math.round(box.x)}, ${Math.round(box.y)}) to (${Math.round(r.x)}, ${Math.round(r.y)})`;
    }
  }
  if (seen.row) {
    let row = el;
    for (let i = 0; i < seen.row.levels && row; i++) row = parentOrHost(row);
    const text = row ? squash(row.innerText) : '';
    if (!same(text, squash(seen.row.text))) return `its row now reads ${JSON.stringify(text.slice(0, 60))}`;
  }
  return el;
}
