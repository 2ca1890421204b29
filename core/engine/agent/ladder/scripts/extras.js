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
  // Kept in the page for assistive technology only: a pixel, clipped away.
  const visuallyHidden = (el) => {
    const r = el.getBoundingClientRect();
    const style = getComputedStyle(el);
    return r.width <= 2 || r.height <= 2 || style.clip === 'rect(0px, 0px, 0px, 0px)' ||
           style.clipPath === 'inset(50%)' || style.opacity === '0';
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
  // An icon-only control's glyph, as testers call it: icon-font classes (fa-trash, bi-pencil,
  // glyphicon-edit, mdi-delete), an SVG sprite reference (#icon-trash), a data-icon.
  const ICON_CLASS = /^(?:fa|fas|far|fab|bi|glyphicon|mdi|ti|icon|la|ri|oi|ion|feather|lucide|gg|bx|bxs)-([a-z][a-z0-9-]*)$/;
  const NOT_GLYPH = /^(?:solid|regular|light|thin|duotone|brands|lg|sm|xs|xl|fw|spin|pulse|border|inverse|stack|flip|rotate|[0-9]+x|btn|button|link|wrap|wrapper|container|text|label|only|left|right|before|after|primary|secondary|default|small|large|size|color|sprite)(?:-|$)/;
  // The words testers use for common glyphs besides the glyph's own name.
  const GLYPH_WORDS = { trash: 'delete', bin: 'delete', 'trash can': 'delete', 'trash alt': 'delete', delete: 'trash',
                        remove: 'delete', pencil: 'edit', edit: 'pencil', 'pencil square': 'edit', pen: 'edit',
                        x: 'close', times: 'close', xmark: 'close', close: 'x', plus: 'add', add: 'plus',
                        gear: 'settings', cog: 'settings', settings: 'gear', search: 'magnifier', 'magnifying glass': 'search',
                        eye: 'view', download: 'download', upload: 'upload', 'ellipsis v': 'more', 'three dots': 'more',
                        'dots vertical': 'more', kebab: 'more', bars: 'menu', hamburger: 'menu', menu: 'bars' };
  const iconOf = (el) => {
    const words = [];
    const add = (w) => {
      const clean_ = w.replace(/^(?:icon|ico)[-_]/, '').replace(/[-_]+/g, ' ').trim();
      if (clean_ && !words.includes(clean_)) words.push(clean_);
    };
    const nodes = [el, ...el.querySelectorAll('i, span, svg, use, img, em')].slice(0, 12);
    for (const node of nodes) {
      const cls = typeof node.className === 'string' ? node.className : (node.getAttribute('class') || '');
      for (const c of cls.split(/\s+/)) {
        const m = ICON_CLASS.exec(c);
        if (m && !NOT_GLYPH.test(m[1])) add(m[1]);
      }
      const ref = node.tagName.toLowerCase() === 'use' ? (node.getAttribute('href') || node.getAttribute('xlink:href') || '') : '';
      if (ref.includes('#')) add(ref.slice(ref.lastIndexOf('#') + 1));
      const data = node.getAttribute('data-icon');
      if (data) add(data);
      if (node.tagName.toLowerCase() === 'img') add(clean(node.getAttribute('alt')));
      if (node.tagName.toLowerCase() === 'svg') {
        const t = node.querySelector('title');
        if (t) add(clean(t.textContent));
      }
    }
    for (const w of words.slice()) {
      const also = GLYPH_WORDS[w];
      if (also && !words.includes(also)) words.push(also);
    }
    return words.join(' ');
  };
  // What a person reads as a search field: its type or role, or a word of its name.
  const searchy = (el) => (el.getAttribute('type') || '').toLowerCase() === 'search' ||
    (el.getAttribute('role') || '').toLowerCase() === 'searchbox' || !!el.closest('[role=search]');
  const TEXT_INPUTS = ['', 'text', 'email', 'password', 'search', 'tel', 'url', 'number', 'date',
                       'datetime-local', 'month', 'week', 'time'];
  const kindOf = (el) => {
    const role = (el.getAttribute('role') || '').toLowerCase();
    if (role === 'checkbox' || role === 'switch' || role === 'menuitemcheckbox') return 'checkbox';
    if (role === 'radio' || role === 'menuitemradio') return 'radio';
    if (role === 'combobox' || role === 'listbox') return 'combobox';
    if (role === 'textbox' || role === 'searchbox' || role === 'spinbutton') return 'textbox';
    if (role === 'slider') return 'slider';
    if (role === 'option') return 'option';
    const tag = el.tagName.toLowerCase();
    if (tag === 'option') return 'option';
    if (tag === 'select') return 'select';
    if (tag === 'textarea') return 'textbox';
    if (tag === 'input') {
      const type = (el.getAttribute('type') || '').toLowerCase();
      if (type === 'checkbox') return 'checkbox';
      if (type === 'radio') return 'radio';
      if (TEXT_INPUTS.includes(type)) return el.hasAttribute('list') ? 'combobox' : 'textbox';
      if (type === 'range') return 'slider';
      return null;
    }
    if (el.isContentEditable) return 'textbox';
    return null;
  };
  const ATTRS = ['id', 'name', 'type', 'placeholder', 'aria-label', 'aria-labelledby', 'title', 'role', 'value', 'class',
                 'href', 'aria-haspopup', 'aria-expanded', 'aria-controls'];
  const attributesOf = (el) => {
    const attributes = {};
    for (const a of ATTRS) if (el.hasAttribute(a)) attributes[a] = el.getAttribute(a);
    return attributes;
  };
  // The states a check reads: checked (inputs, aria-checked, aria-pressed), selected
  // (options, aria-selected). A key is there only when the control has that state at all.
  const statesOf = (el, kind, out) => {
    const tag = el.tagName.toLowerCase();
    if (tag === 'input' && (kind === 'checkbox' || kind === 'radio')) out.checked = el.checked;
    else if (el.hasAttribute('aria-checked')) out.checked = el.getAttribute('aria-checked') === 'true';
    else if (el.hasAttribute('aria-pressed')) out.checked = el.getAttribute('aria-pressed') === 'true';
    if (tag === 'option') out.selected = el.selected;
    else if (el.hasAttribute('aria-selected')) out.selected = el.getAttribute('aria-selected') === 'true';
    return out;
  };
  const enabled = (el) => !(el.disabled || el.getAttribute('aria-disabled') === 'true' || !!el.closest('fieldset:disabled'));
  // A heading or label just before a widget that has no name of its own (an editor under
  // "Notes"): the nearest one, a few levels up at most.
  const captionOf = (el) => {
    for (let node = el, up = 0; node && up < 4; node = node.parentElement, up++) {
      let sib = node.previousElementSibling;
      for (let n = 0; sib && n < 3; sib = sib.previousElementSibling, n++) {
        if (sib.matches('h1, h2, h3, h4, h5, h6, label, legend, [role=heading], dt, strong, b, p')) {
          const t = clean(sib.innerText || sib.textContent);
          if (t && t.length <= 80) return t;
        }
      }
    }
    return '';
  };
  // A code editor's visible surface: CodeMirror 5 keeps its keys in a hidden textarea after
  // the page's own (hidden) textarea, Monaco in a textarea over its view.
  const EDITOR = '.CodeMirror, .monaco-editor';
  const editorName = (surface) => {
    const source = surface.previousElementSibling;
    const fromSource = source && source.tagName.toLowerCase() === 'textarea' ? nameOf(source) : '';
    const holder = surface.querySelector('.CodeMirror-placeholder, .cm-placeholder');
    return clean(surface.getAttribute('aria-label')) || fromSource ||
           (holder ? clean(holder.textContent) : '') || captionOf(surface);
  };
  const controls = [];
  const selector = 'input, select, textarea, [role=checkbox], [role=switch], [role=radio], [role=combobox], ' +
                   '[role=listbox], [role=textbox], [role=searchbox], [role=spinbutton], [role=slider], ' +
                   '[role=option], option, [contenteditable=""], [contenteditable=true]';
  const listBoxOption = (el) => {
    const select = el.closest('select');
    return !select || select.multiple || select.size > 1;
  };
  for (const el of document.querySelectorAll(selector)) {
    try {
      const kind = kindOf(el);
      if (!kind) continue;
      // An option of a drop-down is picked through the drop-down; one of a list box, or of a
      // pop-up list, is a target of its own while it shows.
      if (kind === 'option' && (!listBoxOption(el) || !visible(el))) continue;
      if (el.tagName.toLowerCase() === 'textarea' && el.closest(EDITOR)) continue;  // the editor's own key sink
      const attributes = attributesOf(el);
      let name = kind === 'option' ? clean(el.innerText || el.textContent || el.label) : nameOf(el);
      if (!name && (el.isContentEditable || el.getAttribute('role') === 'textbox')) {
        const holder = el.parentElement && el.parentElement.querySelector('.cm-placeholder, [data-placeholder]');
        name = clean(el.getAttribute('data-placeholder')) || (holder ? clean(holder.textContent) : '') ||
               captionOf(el.closest('.cm-editor') || el);
      }
      if (name) attributes._label = name;
      const record = {
        tag: el.tagName.toLowerCase(), text: clean(el.innerText || ''), attributes, bounding_box: box(el),
        is_visible: visible(el), is_enabled: enabled(el), xpath: xpath(el), kind, name,
      };
      statesOf(el, kind, record);
      if (kind === 'slider') {
        record.value_text = clean(el.getAttribute('aria-valuetext')) || clean(el.getAttribute('aria-valuenow')) ||
                            (el.tagName.toLowerCase() === 'input' ? el.value : '');
      }
      if (searchy(el)) record.search = true;
      if (el.labels && el.labels.length) record.label_xpath = xpath(el.labels[0]);
      else if (el.closest('label')) record.label_xpath = xpath(el.closest('label'));
      controls.push(record);
    } catch (e) { /* one odd element never stops the rest */ }
  }
  // A widget drawn over a hidden native control (an enhanced select, a code editor over its
  // textarea) is what a person uses: it answers for the hidden one, and names it so.
  const standIn = (hidden) => {
    const near = [];
    for (let sib = hidden.nextElementSibling, n = 0; sib && n < 2; sib = sib.nextElementSibling, n++) near.push(sib);
    if (hidden.parentElement) near.push(hidden.parentElement);
    if (hidden.parentElement && hidden.parentElement.parentElement) near.push(hidden.parentElement.parentElement);
    const WIDGET = '[role=combobox], [aria-haspopup], .select2-selection, .choices__inner, .ts-control, ' + EDITOR;
    for (const n of near) {
      // A parent holding other fields would offer their widgets too.
      if (n.contains(hidden) && n.querySelectorAll('select, textarea').length > 1) break;
      if (!n.contains(hidden) && !n.matches(EDITOR) && n.querySelector('select')) continue;  // a field of its own
      const found = n.matches(WIDGET) ? n : n.querySelector(WIDGET);
      if (found && found !== hidden && visible(found)) return found;
    }
    return null;
  };
  for (const c of controls.slice()) {
    if (c.tag !== 'select' && c.tag !== 'textarea') continue;
    try {
      const el = document.evaluate(c.xpath, document, null, 9, null).singleNodeValue;
      if (!el || (c.is_visible && !visuallyHidden(el))) continue;
      const widget = standIn(el);
      if (!widget) continue;
      const editor = widget.matches(EDITOR);
      const name = c.name || (editor ? editorName(widget) : '');
      const attributes = attributesOf(widget);
      if (name) attributes._label = name;
      controls.push({
        tag: widget.tagName.toLowerCase(), text: clean(widget.innerText || ''), attributes, bounding_box: box(widget),
        is_visible: true, is_enabled: c.is_enabled, xpath: xpath(widget), kind: editor ? 'textbox' : 'combobox',
        name, stands_for: c.xpath, ...(editor ? { editor: true } : {}),
      });
    } catch (e) { /* as above */ }
  }
  for (const surface of document.querySelectorAll(EDITOR)) {
    try {
      if (!visible(surface) || controls.some((c) => c.editor && c.xpath === xpath(surface))) continue;
      const name = editorName(surface);
      const attributes = attributesOf(surface);
      if (name) attributes._label = name;
      controls.push({
        tag: surface.tagName.toLowerCase(), text: clean(surface.innerText || ''), attributes, bounding_box: box(surface),
        is_visible: true, is_enabled: true, xpath: xpath(surface), kind: 'textbox', name, editor: true,
      });
    } catch (e) { /* as above */ }
  }
  // Things a tester clicks or hovers that carry their name only in title or aria-label, or
  // that the harvest does not read at all: disclosure summaries, sortable header cells,
  // abbreviations, tabs, icon-only links. Kind "tab" for tabs, "button" for the rest.
  const CLICKABLE = 'button, a, [role=button], [role=tab], [role=link], [role=menuitem], summary, [onclick], ' +
                    'th[tabindex], th[aria-sort], abbr[title], input[type=submit], input[type=button], input[type=reset]';
  const labelledBy = (el) => {
    const ids = clean(el.getAttribute('aria-labelledby'));
    return ids ? clean(ids.split(' ').map(textOf).join(' ')) : '';
  };
  const buttonName = (el) => clean(el.getAttribute('aria-label')) || labelledBy(el) ||
                             (el.labels && el.labels.length ? clean(Array.from(el.labels).map(labelText).join(' ')) : '') ||
                             clean(el.innerText || el.value || '') || clean(el.getAttribute('title'));
  for (const el of document.querySelectorAll(CLICKABLE)) {
    try {
      if (!visible(el)) continue;
      const icon = iconOf(el);
      const name = buttonName(el) || icon;
      if (!name) continue;
      // A container that merely listens for clicks (a card, a whole form) is no control.
      if (!el.matches('button, a, [role], summary, input, th, abbr') && name.length > 80) continue;
      const attributes = attributesOf(el);
      attributes._label = name;
      const role = (el.getAttribute('role') || '').toLowerCase();
      const record = {
        tag: el.tagName.toLowerCase(), text: clean(el.innerText || ''), attributes, bounding_box: box(el),
        is_visible: true, is_enabled: enabled(el),
        xpath: xpath(el), kind: role === 'tab' ? 'tab' : 'button', name,
        title: clean(el.getAttribute('title')),
        popup: el.hasAttribute('aria-haspopup') || el.hasAttribute('aria-expanded') ||
               /(^|\s)dropdown-toggle(\s|$)/.test(el.className || ''),
      };
      if (icon) record.icon = icon;
      statesOf(el, record.kind, record);
      controls.push(record);
    } catch (e) { /* as above */ }
  }
  // A checkbox or radio drawn by its label while the real input is visually hidden (custom
  // controls, sr-only peers) is clicked through the label, and sits where the label is drawn.
  const drawnByLabel = (el) => {
    const style = getComputedStyle(el);
    const r = el.getBoundingClientRect();
    if (style.opacity === '0' || r.width <= 2 || r.height <= 2 || style.clip === 'rect(0px, 0px, 0px, 0px)') return true;
    const top = document.elementFromPoint(r.x + r.width / 2, r.y + r.height / 2);
    return !!top && top !== el && !el.contains(top);
  };
  for (const c of controls) {
    if ((c.kind !== 'checkbox' && c.kind !== 'radio') || c.tag !== 'input' || !c.label_xpath) continue;
    const el = document.evaluate(c.xpath, document, null, 9, null).singleNodeValue;
    if (!el || !drawnByLabel(el)) continue;
    const label = el.labels && el.labels.length ? el.labels[0] : el.closest('label');
    if (!label || !visible(label)) continue;
    c.drawn_box = box(label);
    c.is_visible = true;
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
  // The options a list box shows are text a person reads there.
  for (const c of controls) {
    if (c.kind !== 'option' || !c.is_visible || !c.name) continue;
    texts.push({ tag: c.tag, text: c.name, has_direct_text: true, attributes: {}, bounding_box: c.bounding_box,
                 is_visible: true, is_enabled: c.is_enabled, xpath: c.xpath });
  }
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
