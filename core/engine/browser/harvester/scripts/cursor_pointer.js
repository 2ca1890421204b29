() => {
  // One pass over the page so that a large page still costs one exchange with the
  // browser; only the qualifying elements travel back.
  const xpathOf = el => {
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
    return '/' + steps.join('/');
  };
  const seen = new Set();
  const out = [];
  // The document's candidates, then those of each open shadow root, the roots in the
  // order of their hosts.
  const candidates = [];
  const collect = (root) => {
    for (const el of root.querySelectorAll('div, span, li, td')) candidates.push(el);
    for (const el of root.querySelectorAll('*')) if (el.shadowRoot) collect(el.shadowRoot);
  };
  collect(document);
  for (const el of candidates) {
    if (getComputedStyle(el).cursor !== 'pointer') continue;
    const text = (el.innerText || '').trim();
    if (!text || text.length > 60) continue;
    if (el.getElementsByTagName('*').length > 10) continue;
    const r = el.getBoundingClientRect();
    if (r.width <= 0 || r.height <= 0) continue;
    const xpath = xpathOf(el);
    if (seen.has(xpath)) continue;
    seen.add(xpath);
    out.push({
      tag: el.tagName.toLowerCase(),
      text: text,
      xpath: xpath,
      x: Math.round(r.left),
      y: Math.round(r.top),
      w: Math.round(r.width),
      h: Math.round(r.height),
      cls: typeof el.className === 'string' ? el.className : '',
      aria: el.getAttribute('aria-label') || '',
    });
  }
  return out;
}
