async (el, args, guard) => {
  // The option a person picks after opening el: in the list el controls (aria-controls,
  // aria-owns, on el, inside it or around it), else in any list, menu or tree that shows,
  // nearest to el first. Its text as written, then without case, then its first line,
  // then a prefix, then the text inside it. Waits up to args.ms for options that load
  // late (a server round trip). Answers the option, or { labels } of the options that
  // showed, { none: true } when no list showed at all.
  const clean = (s) => (s || '').replace(/[\s\u00a0]+/g, ' ').trim();
  const fold = (s) => clean(s).toLowerCase().replace(/[\u2018\u2019]/g, "'").replace(/[\u201c\u201d]/g, '"');
  const want = fold(args.value);
  const shows = (node) => {
    const r = node.getBoundingClientRect();
    if (r.width <= 0 || r.height <= 0) return false;
    const style = getComputedStyle(node);
    return style.visibility !== 'hidden' && style.display !== 'none';
  };
  const POPUP = '[role=listbox], [role=menu], [role=tree], [role=grid], .dropdown-menu, .select2-results, ' +
                '.choices__list--dropdown, .ts-dropdown, [role=dialog] ul';
  const OPTION = '[role=option], [role=menuitem], [role=menuitemradio], [role=menuitemcheckbox], [role=treeitem], ' +
                 '.dropdown-item, li';
  const owned = () => {
    const holders = [el, ...el.querySelectorAll('[aria-controls], [aria-owns]')];
    const around = el.closest('[aria-controls], [aria-owns]');
    if (around) holders.push(around);
    const lists = [];
    for (const h of holders) {
      for (const id of clean(`${h.getAttribute('aria-controls') || ''} ${h.getAttribute('aria-owns') || ''}`).split(' ')) {
        const list = id && document.getElementById(id);
        if (list && !lists.includes(list)) lists.push(list);
      }
    }
    return lists;
  };
  const here = el.getBoundingClientRect();
  const distance = (node) => {
    const r = node.getBoundingClientRect();
    return Math.hypot(r.x - here.x, r.y - here.bottom);
  };
  const look = () => {
    let lists = owned().filter(shows);
    if (!lists.length) lists = Array.from(document.querySelectorAll(POPUP)).filter((l) => shows(l) && !l.contains(el));
    if (!lists.length) return null;
    const options = [];
    for (const list of lists) {
      for (const o of list.querySelectorAll(OPTION)) {
        // An option holding options is a group; disabled ones cannot be picked.
        if (!shows(o) || o.querySelector(OPTION) || o.getAttribute('aria-disabled') === 'true') continue;
        if (!options.includes(o)) options.push(o);
      }
    }
    const text = (o) => fold(o.innerText || o.textContent);
    const tests = [
      (o) => clean(o.innerText || o.textContent) === clean(args.value),
      (o) => text(o) === want,
      (o) => fold((o.innerText || '').split('\n')[0]) === want,
      (o) => text(o).startsWith(want),
      (o) => text(o).includes(want),
    ];
    for (const test of tests) {
      const hits = options.filter(test);
      if (hits.length) return hits.sort((a, b) => distance(a) - distance(b))[0];
    }
    return { labels: options.slice(0, 30).map((o) => clean(o.innerText || o.textContent)) };
  };
  const until = Date.now() + Math.max(0, args.ms);
  for (;;) {
    const found = guard(look);
    if (found && found.nodeType === 1) return found;
    if (Date.now() >= until) return found || { none: true };
    await guard(() => new Promise((resolve) => setTimeout(resolve, 50)));
  }
};
