(measured) => {
  // Same records as the pointer script; only the XPaths are computed once per parent
  // (see batch_xpath.js), which keeps a page with many pointer elements linear, and
  // texts and boxes the harvest's pass already read are taken from it (`measured`).
  const rectOf = measured ? measured.rect : (el) => el.getBoundingClientRect();
  const innerTextOf = measured ? measured.innerText : (el) => el.innerText;
  const indices = new Map();
  const paths = new Map();
  const indexOf = el => {
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
  const xpathOf = el => {
    let path = paths.get(el);
    if (path !== undefined) return path;
    const parent = el.parentElement;
    const node = el.parentNode;
    const host = !parent && node && node.nodeType === 11 ? node.host : null;
    path = (parent ? xpathOf(parent) : host ? xpathOf(host) + '/#shadow-root' : '') + '/' +
      el.tagName.toLowerCase() + '[' + indexOf(el) + ']';
    paths.set(el, path);
    return path;
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
    const text = (innerTextOf(el) || '').trim();
    if (!text || text.length > 60) continue;
    if (el.getElementsByTagName('*').length > 10) continue;
    const r = rectOf(el);
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
