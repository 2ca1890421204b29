(el) => {
  // A slider's value as a number ({ now }), or null when el is no slider: a range input's
  // value, else the aria-valuenow of an element with the slider role.
  const tag = el.tagName.toLowerCase();
  if (tag === 'input' && (el.getAttribute('type') || '').toLowerCase() === 'range') return { now: Number(el.value) };
  if ((el.getAttribute('role') || '').toLowerCase() !== 'slider') return null;
  const now = Number(el.getAttribute('aria-valuenow'));
  return Number.isFinite(now) ? { now } : null;
};
