// An element's box as Playwright's bounding_box gives it in the main frame: its border
// box in viewport coordinates (CSSOM getBoundingClientRect), or null when it has no
// CSS box at all (display:none, not rendered), which CSSOM tells by an empty list of
// client rectangles.

// The client rectangle, or undefined where the element has no layout information.
const readRect = (el) => {
  try {
    return clientRect(el);
  } catch (error) {
    return undefined;
  }
};

// [x, y, width, height], null for no box, a failure without layout information.
const boxSlot = (el, rect) => {
  if (!rect) return { e: 'no layout information' };
  const x = rectX(rect);
  const y = rectY(rect);
  const width = rectWidth(rect);
  const height = rectHeight(rect);
  // An all-zero rectangle is either a zero-size box or none; only then is the list of
  // client rectangles read.
  if (x === 0 && y === 0 && width === 0 && height === 0 && listLengthOfRects(clientRects(el)) === 0) return null;
  return [x, y, width, height];
};
