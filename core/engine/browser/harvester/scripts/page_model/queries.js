// CSS queries answered as Playwright's css engine answers them. Without shadow roots
// that is the browser's own querySelectorAll. With open shadow roots Playwright looks
// inside them too; the batch follows it only for lists of compound selectors (no
// combinators, no pseudo-classes), where matching inside each root is the whole answer,
// and for compound ones with :not(:has(...)) of compound ones, answered as Playwright does.

// Pseudo-classes of Playwright's selector language; the browser would not read them
// as Playwright does, so such a selector is left to the live page.
const PLAYWRIGHT_PSEUDO =
  /:(?:light|visible|text|text-is|text-matches|has-text|right-of|left-of|above|below|near|nth-match|scope)(?![\w-])/i;

// Characters that make a selector more than a compound one, outside brackets/quotes.
const NOT_COMPOUND = setOf([':', ' ', '>', '+', '~', '\\', '\t', '\n']);

// The selector's top-level parts. Commas inside brackets, parens or quotes do not
// separate parts.
const selectorParts = (selector) => {
  const parts = [];
  let start = 0;
  let nesting = 0;
  let quote = '';
  for (let i = 0; i < selector.length; i++) {
    const c = selector[i];
    if (quote) {
      if (c === '\\') i++;
      else if (c === quote) quote = '';
    } else if (c === '"' || c === "'") quote = c;
    else if (c === '(' || c === '[') nesting++;
    else if (c === ')' || c === ']') nesting--;
    else if (nesting === 0 && c === ',') {
      append(parts, trim(slice(selector, start, i)));
      start = i + 1;
    }
  }
  append(parts, trim(slice(selector, start)));
  return parts;
};

// One part with no combinator and no pseudo-class (outside brackets and quotes).
const isCompound = (part) => {
  let nesting = 0;
  let quote = '';
  for (let i = 0; i < part.length; i++) {
    const c = part[i];
    if (quote) {
      if (c === '\\') i++;
      else if (c === quote) quote = '';
    } else if (c === '"' || c === "'") quote = c;
    else if (c === '[') nesting++;
    else if (c === ']') nesting--;
    else if (nesting === 0 && setHas(NOT_COMPOUND, c)) return false;
  }
  return part.length > 0;
};

// COMPOUND:not(:has(LIST)), the form of the custom-input query. Playwright answers :not and
// :has with its own engines: the compound's matches in every root, less those holding a
// match of the list anywhere below them, inside open shadow roots too.
const NOT_HAS_FORM = /^([^:]+):not\(:has\(([^()]+)\)\)$/;
const notHasOf = (part) => {
  const found = regexExec(NOT_HAS_FORM, part);
  if (found === null || !isCompound(trim(found[1]))) return null;
  const list = selectorParts(found[2]);
  for (let i = 0; i < list.length; i++) if (!isCompound(list[i])) return null;
  return { compound: trim(found[1]), list: found[2] };
};

// Whether anything below root matches css: its light tree, then its own shadow root and
// those of every element below it, as Playwright's css engine visits them.
const holdsBelow = (root, css) => {
  if (selectAll(root, css).length > 0) return true;
  const own = nodeType(root) === 1 ? openShadowRoot(root) : null;
  if (own && holdsBelow(own, css)) return true;
  const all = selectAll(root, '*');
  for (let i = 0; i < all.length; i++) {
    const shadow = openShadowRoot(all[i]);
    if (shadow && holdsBelow(shadow, css)) return true;
  }
  return false;
};

// A query engine for one harvest: the document's roots are found once.
const queryEngine = (doc) => {
  const shadowed = hasShadowRoots(doc);
  let roots;
  const inEveryRoot = (css) => {
    roots = roots || searchRoots(doc);
    const out = [];
    for (let r = 0; r < roots.length; r++) {
      const found = selectAll(roots[r], css);
      for (let i = 0; i < found.length; i++) append(out, found[i]);
    }
    return out;
  };
  // Elements in Playwright's order, a failure for a selector the page rejects, or 0
  // when only Playwright's own engine can answer.
  const query = (selector) => {
    if (matchesPattern(PLAYWRIGHT_PSEUDO, selector)) return 0;
    try {
      if (!shadowed) return selectAll(doc, selector);
      const parts = selectorParts(selector);
      const forms = [];
      for (let p = 0; p < parts.length; p++) {
        forms[p] = isCompound(parts[p]) ? null : notHasOf(parts[p]);
        if (!isCompound(parts[p]) && forms[p] === null) return 0;
      }
      const partMatches = (p) => {
        if (forms[p] === null) return inEveryRoot(parts[p]);
        const found = inEveryRoot(forms[p].compound);
        const kept = [];
        for (let i = 0; i < found.length; i++) if (!holdsBelow(found[i], forms[p].list)) append(kept, found[i]);
        return kept;
      };
      if (parts.length === 1) return partMatches(0);
      // One part's matches may repeat another's; composed order lists each once.
      const all = [];
      for (let p = 0; p < parts.length; p++) {
        const found = partMatches(p);
        for (let i = 0; i < found.length; i++) append(all, found[i]);
      }
      return inComposedOrder(doc, all);
    } catch (error) {
      return failure(error);
    }
  };
  // The document and its open shadow roots.
  const allRoots = () => (shadowed ? (roots = roots || searchRoots(doc)) : [doc]);
  return { query, shadowed, allRoots };
};
