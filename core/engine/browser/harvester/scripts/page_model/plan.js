// The harvest's one pass: for every element the plan names, the answers the per-call
// driver would get one round trip at a time (query results and their order, visible,
// enabled, inner text, box, attributes, script results), sent back as columns of one
// entry per node. 0 in a column leaves that question to the live page.
// Everything below lives for one call; only the change count (install.js) outlives it.

// The nodes the answer speaks of, numbered in the order they are first met.
const nodeTable = () => {
  const list = [];
  const numbers = new SafeMap();
  return {
    list,
    at: (i) => list[i],
    numberOf: (el) => mapGet(numbers, el),
    add: (el) => {
      let i = mapGet(numbers, el);
      if (i === undefined) {
        i = list.length;
        mapSet(numbers, el, i);
        append(list, el);
      }
      return i;
    },
  };
};

// `narrow`: a narrowed reading's request (narrowing.js), or undefined for the whole page.
const harvest = (plan, changes, narrow) => {
  const doc = currentDocument();
  const state = changes ? changes.state() : null;
  const engine = queryEngine(doc);
  const { isVisible } = visibilityJudge(doc);
  const { isEnabled } = enabledJudge();
  const nodes = nodeTable();

  const answers = [];
  for (let s = 0; s < plan.selectors.length; s++) answers[s] = engine.query(plan.selectors[s]);
  // Narrowed, the pointer-cursor script reads only the candidates the step's words may name.
  const pointerCandidates = narrow ? narrowingOf(narrow).apply(answers, () => pointerShaped(doc)) : undefined;
  const queries = [];
  for (let s = 0; s < plan.selectors.length; s++) {
    const found = answers[s];
    if (!isArray(found)) {
      queries[s] = found;
      continue;
    }
    const numbers = [];
    for (let i = 0; i < found.length; i++) numbers[i] = nodes.add(found[i]);
    queries[s] = numbers;
  }

  // The columns; `rects` stays here, for the harvest's own page scripts.
  const visible = [];
  const enabled = [];
  const texts = [];
  const boxes = [];
  const attributes = [];
  const rects = [];

  // Each node of the plan targets `on` (tag filter and visible-only applied).
  const forEachTarget = (on, visit) => {
    for (let t = 0; t < on.length; t++) {
      const { selector, tags, visible_only: visibleOnly } = on[t];
      const found = queries[selector];
      if (!isArray(found)) continue;
      const tagSet = tags ? setOf(tags) : null;
      for (let k = 0; k < found.length; k++) {
        const i = found[k];
        if (tagSet && !setHas(tagSet, lowerTagName(nodes.at(i)))) continue;
        if (visibleOnly && visible[i] !== true) continue;
        visit(i);
      }
    }
  };
  const nodesOf = (selectors, into) => {
    for (let s = 0; s < selectors.length; s++) {
      const found = queries[selectors[s]];
      if (isArray(found)) for (let k = 0; k < found.length; k++) setAdd(into, found[k]);
    }
  };

  const enabledFor = new SafeSet();
  nodesOf(plan.enabled_on, enabledFor);
  // Nodes that get text, box and attributes; the second set only while visible.
  const details = new SafeSet();
  const visibleDetails = new SafeSet();
  for (let d = 0; d < plan.details.length; d++) {
    const { selector, visible_only: visibleOnly } = plan.details[d];
    nodesOf([selector], visibleOnly ? visibleDetails : details);
  }
  const wanted = setOf(plan.attributes);

  const measure = (i) => {
    const el = nodes.at(i);
    const rect = readRect(el);
    rects[i] = rect;
    try {
      visible[i] = isConnected(el) && isVisible(el, rect);
    } catch (error) {
      visible[i] = false;
    }
    if (setHas(enabledFor, i)) {
      try {
        const verdict = isEnabled(el);
        enabled[i] = verdict === undefined ? 0 : verdict;
      } catch (error) {
        enabled[i] = failure(error);
      }
    } else enabled[i] = 0;
    if (!setHas(details, i) && !(visible[i] === true && setHas(visibleDetails, i))) {
      texts[i] = boxes[i] = attributes[i] = 0;
      return;
    }
    texts[i] = textSlot(el);
    boxes[i] = boxSlot(el, rect);
    attributes[i] = attributePairs(el, wanted);
  };
  for (let i = 0; i < nodes.list.length; i++) measure(i);

  const lookups = { __proto__: null };
  const measuredBefore = nodes.list.length;
  answerLookups(doc, plan.lookups, nodes, engine, forEachTarget, lookups);
  // Nodes found only by a look-up: a label whose text the harvest reads.
  for (let i = measuredBefore; i < nodes.list.length; i++) {
    setAdd(details, i);
    measure(i);
  }

  const scripts = [];
  for (let s = 0; s < plan.element_scripts.length; s++) {
    const script = plan.element_scripts[s];
    const compiled = elementScriptOf(script);
    const column = [];
    for (let i = 0; i < nodes.list.length; i++) column[i] = 0;
    const done = [];
    forEachTarget(script.on, (i) => {
      if (done[i]) return;
      done[i] = true;
      column[i] = cellOf(compiled.run(nodes.at(i)));
    });
    scripts[s] = column;
  }

  // The harvest's own page scripts may reuse what this pass measured: the page cannot
  // change while this one script runs. Elements it did not measure are read as the
  // script's own text reads them.
  const measured = {
    narrowed: !!narrow,
    pointerCandidates,
    rect: (el) => {
      const i = nodes.numberOf(el);
      return i !== undefined && rects[i] ? rects[i] : clientRect(el);
    },
    // undefined for an element that is not HTML, as its innerText property reads.
    innerText: (el) => {
      const i = nodes.numberOf(el);
      if (i !== undefined && typeof texts[i] === 'string') return texts[i];
      return namespaceOf(el) === XHTML ? innerText(el) : undefined;
    },
  };
  const page = [];
  for (let p = 0; p < plan.page_scripts.length; p++) {
    page[p] = pageScriptOf(plan.page_scripts[p]).run(measured);
  }

  if (changes) changes.watchRoots(engine.allRoots());
  return serialise({ queries, lookups, visible, enabled, texts, boxes, attributes, scripts, page, state });
};

// The lower-case tag name the plan's tag filters are written in.
const lowerTagName = (el) => lower(localName(el));

// { run(arg) } for a script of the plan: the model's own when the plan names one (made
// afresh per harvest, so no state outlives it), else its text compiled in the page.
const ownScript = (fn) => ({
  run: (arg) => {
    try {
      return slotOf(fn(arg));
    } catch (thrown) {
      return failure(thrown);
    }
  },
});
const elementScriptOf = (script) => {
  const make = script.model ? elementScripts[script.model] : undefined;
  return make ? ownScript(make()) : compileScript(script.text);
};
// A page script's text takes no argument; the model's own are given `measured`.
const pageScriptOf = (script) => {
  const own = script.model ? pageScripts[script.model] : undefined;
  if (own) return ownScript(own);
  const compiled = compileScript(script.text);
  return { run: () => compiled.run(undefined) };
};
