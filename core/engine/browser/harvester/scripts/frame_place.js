el => {
  // Where a frame element shows its document: the top-left of its content box (the
  // border box moved in by border and padding) in this document's viewport; its path
  // (as the xpath script writes it, shadow roots included); and its rank among the
  // frame elements in composed order, which sorts sibling frames as the page lists them.
  const r = el.getBoundingClientRect();
  const style = getComputedStyle(el);
  const px = (name) => parseFloat(style[name]) || 0;
  const steps = [];
  for (let node = el; node && node.nodeType === 1; ) {
    let index = 1;
    for (let sib = node.previousElementSibling; sib; sib = sib.previousElementSibling) {
      if (sib.tagName === node.tagName) index++;
    }
    steps.unshift(node.tagName.toLowerCase() + '[' + index + ']');
    const parent = node.parentNode;
    if (node.parentElement) node = node.parentElement;
    else if (parent && parent.nodeType === 11 && parent.host) {
      steps.unshift('#shadow-root');
      node = parent.host;
    } else node = null;
  }
  let rank = -1;
  let seen = 0;
  const visit = (root) => {
    for (const other of root.querySelectorAll('*')) {
      if (rank >= 0) return;
      const tag = other.tagName.toLowerCase();
      if (tag === 'iframe' || tag === 'frame') {
        if (other === el) rank = seen;
        seen++;
      }
      if (other.shadowRoot) visit(other.shadowRoot);
    }
  };
  visit(document);
  return {
    x: r.left + px('borderLeftWidth') + px('paddingLeft'),
    y: r.top + px('borderTopWidth') + px('paddingTop'),
    path: '/' + steps.join('/'),
    rank,
  };
}
