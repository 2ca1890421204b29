(el, on) => {
  // Draws (true) or removes (false) a red outline, keeping the element's own outline style.
  if (on) {
    el.dataset.kelvoOutline = el.style.outline;
    el.style.outline = '3px solid #ff3b30';
  } else {
    el.style.outline = el.dataset.kelvoOutline || '';
    delete el.dataset.kelvoOutline;
  }
}
