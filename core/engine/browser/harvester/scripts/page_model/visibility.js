// "Visible" as Playwright documents it for actionability: the element has a non-empty
// bounding box and its computed visibility is not hidden; zero-size and display:none
// elements are not visible, opacity:0 ones are. An element with display:contents has
// no box of its own: it counts as visible when one of its children does.

// Whether checkVisibility reads the visibilityProperty option (Chromium 121 on). A
// browser reads exactly the options it knows, so the getter runs only where it counts.
const checksVisibilityProperty = (doc) => {
  const top = documentElementOf(doc);
  if (!top || !checkVisibility) return false;
  let known = false;
  // Options objects without a prototype: the page cannot add options through Object.prototype.
  checkVisibility(top, {
    __proto__: null,
    get visibilityProperty() {
      known = true;
      return false;
    },
  });
  return known;
};

// Visibility verdicts for one harvest; computed styles are read at most once per node.
const visibilityJudge = (doc) => {
  const withProperty = checksVisibilityProperty(doc);
  const styles = new SafeMap();
  const styleOf = (el) => {
    if (mapHas(styles, el)) return mapGet(styles, el);
    const owner = ownerDocument(el);
    const style = owner && defaultView(owner) ? computedStyle(el) : undefined;
    mapSet(styles, el, style);
    return style;
  };
  let range;
  const textHasArea = (node) => {
    range = range || createRange(ownerDocument(node));
    rangeSelectNode(range, node);
    const box = rangeRect(range);
    return rectWidth(box) > 0 && rectHeight(box) > 0;
  };
  // A box with area: no display:none on the way up, and (checkVisibility) no hidden
  // visibility and no content skipped by content-visibility.
  const boxShows = (el) => {
    const owner = ownerDocument(el);
    if (!owner || !defaultView(owner)) return true;
    if (withProperty) return checkVisibility(el, { __proto__: null, visibilityProperty: true });
    return checkVisibility(el) && styleValue(styleOf(el), 'visibility') === 'visible';
  };
  // `rect`: el's client rectangle when the caller has read it already.
  const isVisible = (el, rect) => {
    const box = rect || clientRect(el);
    if (rectWidth(box) > 0 && rectHeight(box) > 0) return boxShows(el);
    const style = styleOf(el);
    if (!style) return true;
    if (styleValue(style, 'display') !== 'contents') return false;
    for (let child = firstChild(el); child; child = nextSibling(child)) {
      const type = nodeType(child);
      if (type === ELEMENT_NODE && isVisible(child)) return true;
      if (type === TEXT_NODE && textHasArea(child)) return true;
    }
    return false;
  };
  return { isVisible, withProperty };
};
