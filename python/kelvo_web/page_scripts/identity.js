(seen) => {
  // Whether the element now at the path is the one harvested: same text, same box
  // (within layout jitter), and its row (the nearest harvested text around it) still
  // reads as it did; rows of one list look alike, so only their text tells them apart.
  // Answers the element itself when it is the same (a handle, in the same round trip),
  // else what differs. With only a path, answers the element at it.
  //
  // The path is positional, as the harvest writes it: each step the lower-case tag name
  // and the element's rank among its siblings of that tag; a "#shadow-root" step enters
  // the open shadow root of the element before it. It is walked here step by step rather
  // than evaluated as XPath, whose names match neither an XHTML document's elements (an
  // XML document, where a name without a prefix means no namespace) nor SVG ones.
  const find = (path) => {
    const steps = path.split('/');
    let node = document;
    for (let i = 0; i < steps.length && node; i++) {
      const step = steps[i];
      if (!step) continue;
      if (step === '#shadow-root') {
        node = node.nodeType === 1 ? node.shadowRoot : null;
        continue;
      }
      const m = /^(.+)\[(\d+)\]$/.exec(step);
      let count = 0;
      let next = null;
      for (let child = m ? node.firstElementChild : null; child && !next; child = child.nextElementSibling) {
        if (child.tagName.toLowerCase() === m[1] && ++count === Number(m[2])) next = child;
      }
      node = next;
    }
    return node === document ? null : node;
  };
  const parentOrHost = (node) => {
    if (node.parentElement) return node.parentElement;
    const parent = node.parentNode;
    return parent && parent.nodeType === 11 && parent.host ? parent.host : null;
  };
  const el = seen.xpath && find(seen.xpath);
  if (!el) return 'it is no longer on the page';
  const squash = s => (s || '').replace(/\s+/g, ' ').trim();
  // An SVG or MathML element has no innerText: its text content is what it shows.
  const shown = (node) => (node.innerText !== undefined ? node.innerText : node.textContent);
  const same = (now, then) => now === then || now.startsWith(then);
  if (seen.check_text && !same(squash(shown(el)), squash(seen.text))) {
    return `its text is now ${JSON.stringify(squash(shown(el)).slice(0, 60))}`;
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
    const text = row ? squash(shown(row)) : '';
    if (!same(text, squash(seen.row.text))) return `its row now reads ${JSON.stringify(text.slice(0, 60))}`;
  }
  return el;
}
