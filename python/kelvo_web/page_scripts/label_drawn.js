(el) => {
  // For a checkbox or radio input that something else covers (its label's drawing): its
  // first label, to click instead; null when the input takes clicks itself. The point is
  // asked of the input's own tree, so an input in a shadow root is not taken for covered
  // by its host.
  const type = (el.getAttribute('type') || '').toLowerCase();
  if ((type !== 'checkbox' && type !== 'radio') || !el.labels || !el.labels.length) return null;
  const r = el.getBoundingClientRect();
  const root = el.getRootNode();
  const tree = root && root.elementFromPoint ? root : document;
  const top = r.width > 2 && r.height > 2 ? tree.elementFromPoint(r.x + r.width / 2, r.y + r.height / 2) : null;
  if (top && (top === el || el.contains(top)) && getComputedStyle(el).opacity !== '0') return null;
  return el.labels[0];
}
