// The harvest's own element and page scripts (tag name, data attributes, positional
// path, direct text, the two label texts, pointer-cursor elements, closed roots), each
// giving what its script text in the harvester gives, but reached through the built-ins
// taken at install: a page that replaced Array.prototype.map or querySelectorAll after
// the model was installed changes nothing here. The plan names them by `model`.

const tagNameOf = getter(ElementPrototype, 'tagName');
const previousElementSibling = getter(ElementPrototype, 'previousElementSibling');
const textContent = getter(Node.prototype, 'textContent');
const attributesOf = getter(ElementPrototype, 'attributes');
const attributeCount = getter(NamedNodeMap.prototype, 'length');
const attributeAt = method(NamedNodeMap.prototype, 'item');
const attrName = getter(Attr.prototype, 'name');
const attrValue = getter(Attr.prototype, 'value');
const classNameOf = getter(ElementPrototype, 'className');
const descendantsByTag = method(ElementPrototype, 'getElementsByTagName');
const collectionLength = getter(HTMLCollection.prototype, 'length');
const registry = window.customElements;
const definedElement = registry ? method(CustomElementRegistry.prototype, 'get') : undefined;
const indexIn = method(SafeString.prototype, 'indexOf');
const round = Math.round;
const SVG = 'http://www.w3.org/2000/svg';

// textContent trimmed, '' for none (a document's or doctype's textContent is null).
const trimmedContent = (node) => {
  const text = textContent(node);
  return text ? trim(text) : '';
};

// A fresh positional-path function per harvest: each parent's children are counted in
// one pass and each ancestor's path is built once. An element in an open shadow root
// continues its host's path after a "#shadow-root" step.
const positionalPaths = () => {
  const indices = new SafeMap();
  const paths = new SafeMap();
  const indexOf = (el) => {
    const known = mapGet(indices, el);
    if (known !== undefined) return known;
    const parent = parentNode(el);
    if (!parent || !firstElementChildOf(parent)) return 1;
    const counts = new SafeMap();
    for (let child = firstElementChildOf(parent); child; child = nextElementSibling(child)) {
      const tag = tagNameOf(child);
      const count = (mapGet(counts, tag) || 0) + 1;
      mapSet(counts, tag, count);
      mapSet(indices, child, count);
    }
    return mapGet(indices, el) || 1;
  };
  const pathOf = (el) => {
    const known = mapGet(paths, el);
    if (known !== undefined) return known;
    const parent = parentElement(el);
    const node = parentNode(el);
    const host = !parent && node && nodeType(node) === FRAGMENT_NODE ? hostOf(node) : null;
    const step = lower(tagNameOf(el)) + '[' + indexOf(el) + ']';
    const path = (parent ? pathOf(parent) : host ? pathOf(host) + '/#shadow-root' : '') + '/' + step;
    mapSet(paths, el, path);
    return path;
  };
  return pathOf;
};

// A parent node's first element child, whichever kind of parent it is.
const firstElementChildOf = (node) =>
  nodeType(node) === FRAGMENT_NODE ? fragmentFirstElementChild(node) : nodeType(node) === ELEMENT_NODE
    ? firstElementChild(node)
    : firstElementChildOfDocument(node);
const firstElementChildOfDocument = getter(Document.prototype, 'firstElementChild');

// The short text (under 50 characters) a label script accepts, or ''.
const shortText = (text) => (text && text.length < 50 ? text : '');

// Element scripts: a factory per name, called once per harvest, giving `el => value`.
const elementScripts = {
  __proto__: null,
  tag_name: () => (el) => lower(tagNameOf(el)),
  data_attributes: () => (el) => {
    const out = {};
    const list = attributesOf(el);
    for (let i = 0, n = attributeCount(list); i < n; i++) {
      const attribute = attributeAt(list, i);
      const name = attrName(attribute);
      if (slice(name, 0, 5) === 'data-') out[name] = attrValue(attribute);
    }
    return out;
  },
  xpath: positionalPaths,
  direct_text: () => (el) => {
    for (let node = firstChild(el); node; node = nextSibling(node)) {
      if (nodeType(node) === TEXT_NODE && trimmedContent(node).length > 0) return true;
    }
    return false;
  },
  // Nearest earlier sibling first: its own text nodes joined, else its first child's text.
  preceding_sibling_label: () => (el) => {
    for (let sib = previousElementSibling(el); sib; sib = previousElementSibling(sib)) {
      let own = '';
      for (let node = firstChild(sib); node; node = nextSibling(node)) {
        if (nodeType(node) !== TEXT_NODE) continue;
        const text = trimmedContent(node);
        if (text.length > 0) own = own ? own + ' ' + text : text;
      }
      if (shortText(own)) return own;
      const first = firstElementChild(sib);
      if (first) {
        const text = shortText(trimmedContent(first));
        if (text) return text;
      }
    }
    return null;
  },
  // From the top of the parent down to the field: the first short text wins.
  parent_children_label: () => (el) => {
    const parent = parentElement(el);
    if (!parent) return null;
    for (let child = firstElementChild(parent); child && child !== el; child = nextElementSibling(child)) {
      const text = shortText(trimmedContent(child));
      if (text) return text;
    }
    return null;
  },
};

// The elements of `css` in the document, then in each open shadow root, the roots in the
// order of their hosts.
const matchesInEveryRoot = (doc, css) => {
  const out = [];
  const roots = searchRoots(doc);
  for (let r = 0; r < roots.length; r++) {
    const found = selectAll(roots[r], css);
    for (let i = 0; i < found.length; i++) append(out, found[i]);
  }
  return out;
};

// The pointer script's candidates: small elements drawn with a pointer cursor, in the
// document and its open shadow roots.
const pointerShaped = (doc) => {
  const out = [];
  const candidates = matchesInEveryRoot(doc, 'div, span, li, td');
  for (let i = 0; i < candidates.length; i++) {
    const el = candidates[i];
    if (styleValue(computedStyle(el), 'cursor') !== 'pointer') continue;
    if (collectionLength(descendantsByTag(el, '*')) > 10) continue;
    append(out, el);
  }
  return out;
};

// Page scripts: `(measured) => value`, where `measured` gives the boxes and texts the
// harvest's pass already read.
const pageScripts = {
  __proto__: null,
  // Short-texted small elements drawn with a pointer cursor, once per path.
  cursor_pointer: (measured) => {
    const xpathOf = positionalPaths();
    const seen = new SafeSet();
    const out = [];
    const candidates = measured.pointerCandidates || pointerShaped(currentDocument());
    for (let i = 0; i < candidates.length; i++) {
      const el = candidates[i];
      const shown = measured.innerText(el);
      const text = shown ? trim(shown) : '';
      if (!text || text.length > 60) continue;
      const r = measured.rect(el);
      const width = rectWidth(r);
      const height = rectHeight(r);
      if (width <= 0 || height <= 0) continue;
      const xpath = xpathOf(el);
      if (setHas(seen, xpath)) continue;
      setAdd(seen, xpath);
      const className = namespaceOf(el) === SVG ? '' : classNameOf(el);
      append(out, {
        tag: lower(tagNameOf(el)),
        text,
        xpath,
        x: round(rectLeft(r)),
        y: round(rectTop(r)),
        w: round(width),
        h: round(height),
        cls: typeof className === 'string' ? className : '',
        aria: getAttribute(el, 'aria-label') || '',
      });
    }
    return out;
  },
  // Custom elements that show something yet hold no element, text or open shadow root
  // a script can reach: most likely their content sits in a closed shadow root. Their
  // tag names, first met first.
  // A narrowed reading skips them: they only explain a step that found nothing, and such a
  // step reads the whole page.
  closed_roots: (measured) => {
    const found = [];
    if (measured && measured.narrowed) return found;
    const seen = new SafeSet();
    const visit = (root) => {
      const all = selectAll(root, '*');
      for (let i = 0; i < all.length; i++) {
        const el = all[i];
        const shadow = openShadowRoot(el);
        if (shadow) {
          visit(shadow);
          continue;
        }
        const tag = localName(el);
        if (indexIn(tag, '-') < 0 || !definedElement || !definedElement(registry, tag)) continue;
        if (firstElementChild(el) || trimmedContent(el)) continue;
        const r = clientRect(el);
        if (rectWidth(r) > 0 && rectHeight(r) > 0 && !setHas(seen, tag)) {
          setAdd(seen, tag);
          append(found, tag);
        }
      }
    };
    visit(currentDocument());
    return found;
  },
};
