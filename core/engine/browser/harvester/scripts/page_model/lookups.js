// The label look-ups of the harvest: selectors built from an attribute value ("#" + id
// for aria-labelledby, label[for="..."] for an id), answered with the first match as
// query_selector answers it. Only plain values (letters, digits, "_" and "-") are
// answered here; their selector reads the same to the browser and to Playwright.

const PLAIN_VALUE = /^[A-Za-z0-9_-]+$/;
// "#1a" or "#-1" is not a valid selector: the page must get to reject it.
const IDENTIFIER_START = /^(?:[A-Za-z_]|-[A-Za-z_-])/;

// The first element per value of `attribute`, in document order.
const firstByValue = (doc, css, attribute) => {
  const first = new SafeMap();
  const found = selectAll(doc, css);
  for (let i = 0; i < found.length; i++) {
    const value = getAttribute(found[i], attribute);
    if (value !== null && !mapHas(first, value)) mapSet(first, value, found[i]);
  }
  return first;
};

// A page with a thousand fields asks a thousand look-ups; one pass over the ids and one
// over the label "for" values answers them all. Not with shadow roots, where
// Playwright's order differs, and for ids not in quirks mode, where "#id" ignores case.
const lookupIndex = (doc, shadowed) => {
  let ids;
  let fors;
  // The element, null for none, or undefined when the index does not answer.
  return (lookup, value) => {
    if (shadowed) return undefined;
    if (lookup.prefix === '#' && lookup.suffix === '') {
      if (!matchesPattern(IDENTIFIER_START, value) || compatMode(doc) !== 'CSS1Compat') return undefined;
      ids = ids || firstByValue(doc, '[id]', 'id');
      return mapHas(ids, value) ? mapGet(ids, value) : null;
    }
    if (lookup.prefix === 'label[for="' && lookup.suffix === '"]') {
      fors = fors || firstByValue(doc, 'label[for]', 'for');
      return mapHas(fors, value) ? mapGet(fors, value) : null;
    }
    return undefined;
  };
};

// Answers every look-up of the plan on its target nodes into `answers` (selector ->
// node index, -1 for no match, or a failure). `forEachTarget` visits plan targets.
const answerLookups = (doc, lookups, nodes, engine, forEachTarget, answers) => {
  const indexed = lookupIndex(doc, engine.shadowed);
  for (let l = 0; l < lookups.length; l++) {
    const lookup = lookups[l];
    forEachTarget(lookup.on, (i) => {
      const value = getAttribute(nodes.at(i), lookup.attribute);
      if (!value || !matchesPattern(PLAIN_VALUE, value)) return;
      const selector = lookup.prefix + value + lookup.suffix;
      if (selector in answers) return;
      const hit = indexed(lookup, value);
      if (hit !== undefined) {
        answers[selector] = hit ? nodes.add(hit) : -1;
        return;
      }
      const found = engine.query(selector);
      if (found === 0) return;
      answers[selector] = isArray(found) ? (found.length ? nodes.add(found[0]) : -1) : found;
    });
  }
};
