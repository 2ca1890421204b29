el => {
  // An element's border box in its own document's viewport, null without a CSS box (as
  // the page model reads boxes). Used for elements of child frames: Playwright's own
  // bounding_box answers in the top page's coordinates, and for an out-of-process frame
  // it leaves out the frame element's border and padding.
  const r = el.getBoundingClientRect();
  if (r.x === 0 && r.y === 0 && r.width === 0 && r.height === 0 && el.getClientRects().length === 0) return null;
  return { x: r.x, y: r.y, width: r.width, height: r.height };
}
