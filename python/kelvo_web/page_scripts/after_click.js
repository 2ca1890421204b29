(unused, unusedToo, guard, model) => {
  // What the page did with the plain mouse click click_guard.js armed it for:
  // { missed: the element that would have taken it instead, or null; leaving: whether the
  // page began to leave for another document, or submitted a form into this window (its
  // navigation comes a task later) }. Disarms the guard.
  const slot = model && model.slot;
  const click = slot && slot.click;
  if (!click) return { missed: null, leaving: false };
  if (slot.disarm) slot.disarm();
  let submitting = false;
  const event = click.submitted;
  if (event && !event.defaultPrevented) {
    const form = event.target;
    const submitter = event.submitter;
    const target = ((submitter && submitter.getAttribute('formtarget')) || (form && form.getAttribute('target')) || '')
      .trim()
      .toLowerCase();
    submitting = target === '' || target === '_self';
  }
  return { missed: click.missed, leaving: submitting || click.leaving || (model.leaving ? model.leaving() : false) };
};
