(el, value) => {
  // Whether el takes the typed value the plain way, as Playwright's fill would: a text-like
  // input, a number field given a number, or a textarea that is connected, shown, enabled
  // and editable. Then el holds the focus with all its text selected, and the caller
  // inserts what this answers ({ text }) where the focus is. Otherwise null, and the caller
  // types the way that waits and explains (a number field given words is refused there).
  const TEXT_TYPES = ['', 'text', 'search', 'email', 'password', 'tel', 'url', 'number'];
  if (!el.isConnected) return null;
  const tag = el.tagName.toLowerCase();
  const type = (el.getAttribute('type') || '').toLowerCase();
  if (!(tag === 'textarea' || (tag === 'input' && TEXT_TYPES.indexOf(type) >= 0))) return null;
  // As Playwright's fill: a number field takes the value trimmed, and only a number.
  const number = tag === 'input' && el.type === 'number';
  const text = number ? String(value).trim() : String(value);
  if (number && isNaN(Number(text))) return null;
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
  return { text };
};
