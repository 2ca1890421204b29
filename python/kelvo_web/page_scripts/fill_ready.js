(el) => {
  // Whether el takes a typed value the plain way, as Playwright's fill would: a text-like
  // input or a textarea that is connected, shown, enabled and editable. Then el holds the
  // focus with all its text selected, and the caller inserts the value where the focus
  // is; true. Otherwise null, and the caller types the way that waits and explains.
  // A number field is left to that way: Playwright checks the value is a number first.
  const TEXT_TYPES = ['', 'text', 'search', 'email', 'password', 'tel', 'url'];
  if (!el.isConnected) return null;
  const tag = el.tagName.toLowerCase();
  const type = (el.getAttribute('type') || '').toLowerCase();
  if (!(tag === 'textarea' || (tag === 'input' && TEXT_TYPES.indexOf(type) >= 0 && el.type !== 'number'))) return null;
  if ((el.getAttribute('role') || '').toLowerCase() === 'slider') return null;
  const r = el.getBoundingClientRect();
  if (r.width <= 0 || r.height <= 0 || getComputedStyle(el).visibility !== 'visible') return null;
  if (el.matches(':disabled') || el.closest('[aria-disabled="true"]')) return null;
  if (el.readOnly || el.getAttribute('aria-readonly') === 'true') return null;
  el.focus();
  // A page may refuse the focus (or move it on); then the typing would land elsewhere.
  if (document.activeElement !== el) return null;
  el.select();
  if (el.selectionStart !== null && (el.selectionStart !== 0 || el.selectionEnd !== el.value.length)) return null;
  return true;
};
