// CSS queries answered as Playwright's css engine answers them. Without shadow roots
// that is the browser's own querySelectorAll. With open shadow roots Playwright looks
// inside them too; the batch follows it only for lists of compound selectors (no
// combinators, no pseudo-classes), where matching inside each root is the whole answer.

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
      for (let p = 0; p < parts.length; p++) if (!isCompound(parts[p])) return 0;
      if (parts.length === 1) return inEveryRoot(parts[0]);
      // One part's matches may repeat another's; composed order lists each once.
      const all = [];
      for (let p = 0; p < parts.length; p++) {
        const found = inEveryRoot(parts[p]);
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
