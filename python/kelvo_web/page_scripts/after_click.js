(unused, unusedToo, guard, model) => {
  // What the page did with the plain mouse click click_guard.js armed it for:
  // { missed: the element that would have taken it instead, or null; leaving: whether the
  // page began to leave for another document }. Disarms the guard.
  const slot = model && model.slot;
  const click = slot && slot.click;
  if (!click) return { missed: null, leaving: false };
  if (slot.disarm) slot.disarm();
  return { missed: click.missed, leaving: click.leaving || (model.leaving ? model.leaving() : false) };
};
