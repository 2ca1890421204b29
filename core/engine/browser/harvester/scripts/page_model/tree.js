// The composed tree: a node's parent, or the host of the shadow root it sits in; the
// open shadow roots of the document; composed document order.

// The parent element, or the host when el is a top-level node of a shadow root.
const parentOrHost = (el) => {
  const parent = parentElement(el);
  if (parent) return parent;
  const node = parentNode(el);
  if (node && nodeType(node) === FRAGMENT_NODE) return hostOf(node) || null;
  return null;
};

// Every element's shadowRoot getter answers only for open roots, which is what a page
// script (and Playwright's css engine) can reach.
const openShadowRoot = (el) => shadowRootOf(el);

// The document, then each open shadow root right after the tree holding its host, in
// the order of the hosts: the order in which Playwright's css engine visits the roots.
const searchRoots = (doc) => {
  const roots = [];
  const visit = (root) => {
    append(roots, root);
    const all = selectAll(root, '*');
    for (let i = 0; i < all.length; i++) {
      const shadow = openShadowRoot(all[i]);
      if (shadow) visit(shadow);
    }
  };
  visit(doc);
  return roots;
};

// Whether any element of the document hosts an open shadow root.
const hasShadowRoots = (doc) => {
  const all = selectAll(doc, '*');
  for (let i = 0; i < all.length; i++) if (openShadowRoot(all[i])) return true;
  return false;
};

// `elements` (no duplicates) in composed order: an element, then its light-tree
// descendants, then the tree of its shadow root.
const inComposedOrder = (doc, elements) => {
  const wanted = setOf(elements);
  const out = [];
  const visitChildren = (first) => {
    for (let child = first; child; child = nextElementSibling(child)) visit(child);
  };
  const visit = (el) => {
    if (setHas(wanted, el)) append(out, el);
    if (out.length === setSize(wanted)) return;
    visitChildren(firstElementChild(el));
    const shadow = openShadowRoot(el);
    if (shadow) visitChildren(fragmentFirstElementChild(shadow));
  };
  const top = documentElementOf(doc);
  if (top) visit(top);
  return out;
};
