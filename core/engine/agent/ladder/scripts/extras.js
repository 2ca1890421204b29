() => {
  // What the agent's ladder needs beyond the harvest, in one round trip: every form control
  // with its kind and accessible name, and visible text in inline and structural tags.
  // An element's place among its siblings of the same tag, counted once per parent: a page
  // of ten thousand buttons in one container must not count them again for each button.
  const places = new Map();
  const placeOf = (node) => {
    let place = places.get(node);
    if (place !== undefined) return place;
    const parent = node.parentNode;
    if (!parent) return 1;
    const counts = new Map();
    for (let child = parent.firstElementChild; child; child = child.nextElementSibling) {
      const count = (counts.get(child.tagName) || 0) + 1;
      counts.set(child.tagName, count);
      places.set(child, count);
    }
    place = places.get(node);
    return place === undefined ? 1 : place;
  };
  const xpath = (el) => {
    const steps = [];
    for (let node = el; node && node.nodeType === 1; node = node.parentElement) {
      steps.unshift(node.tagName.toLowerCase() + '[' + placeOf(node) + ']');
    }
    return '/' + steps.join('/');
  };
  const box = (el) => {
    const r = el.getBoundingClientRect();
    return { x: r.x, y: r.y, width: r.width, height: r.height };
  };
  const visible = (el) => {
    const r = el.getBoundingClientRect();
    if (r.width <= 0 || r.height <= 0) return false;
    const style = getComputedStyle(el);
    return style.visibility !== 'hidden' && style.display !== 'none';
  };
  const clean = (s) => (s || '').replace(/\s+/g, ' ').trim();
  const textOf = (id) => {
    const el = document.getElementById(id);
    return el ? clean(el.innerText || el.textContent) : '';
  };
  // Text of a label without the control inside it ("Gift wrap" of <label>Gift wrap <input></label>).
  const labelText = (label) => {
    const copy = label.cloneNode(true);
    copy.querySelectorAll('input, select, textarea, button').forEach((c) => c.remove());
    return clean(copy.textContent);
  };
  const nameOf = (el) => {
    const aria = clean(el.getAttribute('aria-label'));
    if (aria) return aria;
    const ids = clean(el.getAttribute('aria-labelledby'));
    if (ids) {
      const joined = clean(ids.split(' ').map(textOf).join(' '));
      if (joined) return joined;
    }
    if (el.labels && el.labels.length) {
      const joined = clean(Array.from(el.labels).map(labelText).join(' '));
      if (joined) return joined;
    }
    const wrapping = el.closest('label');
    if (wrapping) {
      const t = labelText(wrapping);
      if (t) return t;
    }
    return clean(el.getAttribute('title')) || clean(el.getAttribute('placeholder'));
  };
  const TEXT_INPUTS = ['', 'text', 'email', 'password', 'search', 'tel', 'url', 'number', 'date',
                       'datetime-local', 'month', 'week', 'time'];
  const kindOf = (el) => {
    const role = (el.getAttribute('role') || '').toLowerCase();
    if (role === 'checkbox' || role === 'switch' || role === 'menuitemcheckbox') return 'checkbox';
    if (role === 'radio' || role === 'menuitemradio') return 'radio';
    if (role === 'combobox' || role === 'listbox') return 'combobox';
    if (role === 'textbox' || role === 'searchbox' || role === 'spinbutton') return 'textbox';
    const tag = el.tagName.toLowerCase();
    if (tag === 'select') return 'select';
    if (tag === 'textarea') return 'textbox';
    if (tag === 'input') {
      const type = (el.getAttribute('type') || '').toLowerCase();
      if (type === 'checkbox') return 'checkbox';
      if (type === 'radio') return 'radio';
      if (TEXT_INPUTS.includes(type)) return el.hasAttribute('list') ? 'combobox' : 'textbox';
      return null;
    }
    if (el.isContentEditable) return 'textbox';
    return null;
  };
  const ATTRS = ['id', 'name', 'type', 'placeholder', 'aria-label', 'aria-labelledby', 'title', 'role', 'value', 'class'];
  const controls = [];
  const selector = 'input, select, textarea, [role=checkbox], [role=switch], [role=radio], [role=combobox], ' +
                   '[role=listbox], [role=textbox], [role=searchbox], [role=spinbutton], [contenteditable=""], ' +
                   '[contenteditable=true]';
  for (const el of document.querySelectorAll(selector)) {
    try {
      const kind = kindOf(el);
      if (!kind) continue;
      const attributes = {};
      for (const a of ATTRS) if (el.hasAttribute(a)) attributes[a] = el.getAttribute(a);
      const name = nameOf(el);
      if (name) attributes._label = name;
      const checked = el.getAttribute('aria-checked');
      controls.push({
        tag: el.tagName.toLowerCase(), text: clean(el.innerText || ''), attributes, bounding_box: box(el),
        is_visible: visible(el),
        is_enabled: !(el.disabled || el.getAttribute('aria-disabled') === 'true'),
        xpath: xpath(el), kind, name,
        checked: typeof el.checked === 'boolean' && (kind === 'checkbox' || kind === 'radio') ? el.checked : checked === 'true',
      });
    } catch (e) { /* one odd element never stops the rest */ }
  }
  // Things a tester clicks or hovers that carry their name only in title or aria-label, or
  // that the harvest does not read at all: disclosure summaries, sortable header cells,
  // abbreviations, tabs. Kind "tab" for tabs, "button" for the rest.
  const CLICKABLE = 'button, a[href], [role=button], [role=tab], [role=link], [role=menuitem], summary, ' +
                    'th[tabindex], th[aria-sort], abbr[title], input[type=submit], input[type=button], input[type=reset]';
  const buttonName = (el) => clean(el.getAttribute('aria-label')) || clean(el.innerText || el.value || '') ||
                             clean(el.getAttribute('title'));
  for (const el of document.querySelectorAll(CLICKABLE)) {
    try {
      if (!visible(el)) continue;
      const name = buttonName(el);
      if (!name) continue;
      const attributes = {};
      for (const a of ATTRS) if (el.hasAttribute(a)) attributes[a] = el.getAttribute(a);
      attributes._label = name;
      const role = (el.getAttribute('role') || '').toLowerCase();
      controls.push({
        tag: el.tagName.toLowerCase(), text: clean(el.innerText || ''), attributes, bounding_box: box(el),
        is_visible: true, is_enabled: !(el.disabled || el.getAttribute('aria-disabled') === 'true'),
        xpath: xpath(el), kind: role === 'tab' ? 'tab' : 'button', name,
        title: clean(el.getAttribute('title')),
        popup: el.hasAttribute('aria-haspopup') || el.hasAttribute('aria-expanded') ||
               /(^|\s)dropdown-toggle(\s|$)/.test(el.className || ''),
      });
    } catch (e) { /* as above */ }
  }
  // A checkbox or radio drawn by its label while the real input is visually hidden (custom
  // controls, sr-only peers) is acted on through the label; its record says so.
  const drawnByLabel = (el) => {
    const style = getComputedStyle(el);
    const r = el.getBoundingClientRect();
    if (style.opacity === '0' || r.width <= 2 || r.height <= 2 || style.clip === 'rect(0px, 0px, 0px, 0px)') return true;
    const top = document.elementFromPoint(r.x + r.width / 2, r.y + r.height / 2);
    return !!top && top !== el && !el.contains(top);
  };
  for (const c of controls) {
    if ((c.kind !== 'checkbox' && c.kind !== 'radio') || !c.is_visible) continue;
    const el = document.evaluate(c.xpath, document, null, 9, null).singleNodeValue;
    if (!el || !(el.labels && el.labels.length) || !drawnByLabel(el)) continue;
    const label = el.labels[0];
    c.control_xpath = c.xpath;
    c.xpath = xpath(label);
    c.bounding_box = box(label);
    c.is_visible = visible(label);
  }
  // Text in the document but not shown (inactive tab panes, closed dialogs, collapsed
  // details, validation messages): present, not visible.
  const hidden = [];
  const HIDDEN_TAGS = 'h1, h2, h3, h4, h5, h6, p, span, label, li, td, th, a, button, div, strong, b, em, small, ' +
                      'summary, legend, dt, dd, option, input[type=submit], input[type=button]';
  for (const el of document.querySelectorAll(HIDDEN_TAGS)) {
    try {
      if (visible(el) && el.checkVisibility()) continue;
      const own = Array.from(el.childNodes).some((n) => n.nodeType === 3 && n.textContent.trim().length > 0);
      const text = clean(own ? el.textContent : (el.value || el.getAttribute('aria-label') || el.getAttribute('title') || ''));
      if (!text) continue;
      hidden.push({ tag: el.tagName.toLowerCase(), text, attributes: {}, bounding_box: {}, is_visible: false,
                    is_enabled: !el.disabled, xpath: xpath(el) });
    } catch (e) { /* as above */ }
  }
  const TEXT_TAGS = 'b, strong, em, i, small, code, kbd, samp, mark, q, cite, abbr, time, output, ' +
                    'caption, dt, dd, figcaption, summary, legend, blockquote, pre, s, u, sub, sup';
  const texts = [];
  for (const el of document.querySelectorAll(TEXT_TAGS)) {
    try {
      if (!visible(el)) continue;
      const text = (el.innerText || '').trim();
      if (!text) continue;
      const attributes = {};
      for (const a of ['id', 'class', 'href', 'aria-label']) if (el.hasAttribute(a)) attributes[a] = el.getAttribute(a);
      texts.push({
        tag: el.tagName.toLowerCase(), text,
        has_direct_text: Array.from(el.childNodes).some((n) => n.nodeType === 3 && n.textContent.trim().length > 0),
        attributes, bounding_box: box(el), is_visible: true, is_enabled: true, xpath: xpath(el),
      });
    } catch (e) { /* as above */ }
  }
  return { controls, texts, hidden };
}
