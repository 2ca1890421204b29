(plan) => {
  // One pass over the page that answers, for every element the harvest will ask about,
  // the same questions the per-call driver answers one round trip at a time. The
  // verdicts follow Playwright's own (is_visible, is_enabled, inner_text, bounding_box),
  // the page scripts are the harvest's own texts, evaluated as Playwright evaluates
  // them. Anything the batch cannot answer exactly is left out (0), so the caller asks
  // the live page instead.
  const XHTML = 'http://www.w3.org/1999/xhtml';
  const message = (e) => String(e && e.message !== undefined ? e.message : e);
  const loneSurrogate = /[\uD800-\uDBFF](?![\uDC00-\uDFFF])|(?<![\uD800-\uDBFF])[\uDC00-\uDFFF]/;
  const wellFormed = (s) => (s.isWellFormed ? s.isWellFormed() : !loneSurrogate.test(s));

  // Values that reach the caller unchanged through JSON; anything else (undefined
  // inside a record, NaN, -0, huge integers, class instances) is asked live instead,
  // where Playwright's own serialisation decides.
  const plain = (v, depth) => {
    if (v === null) return true;
    switch (typeof v) {
      case 'boolean': return true;
      case 'number':
        return Number.isFinite(v) && !Object.is(v, -0) && !(Number.isInteger(v) && Math.abs(v) >= 2 ** 53);
      case 'string': return wellFormed(v);
      case 'object': {
        if (depth > 48 || typeof v.toJSON === 'function') return false;
        if (Array.isArray(v)) {
          if (Object.getPrototypeOf(v) !== Array.prototype) return false;
          for (let i = 0; i < v.length; i++) if (!(i in v) || !plain(v[i], depth + 1)) return false;
          return true;
        }
        const proto = Object.getPrototypeOf(v);
        if (proto !== Object.prototype && proto !== null) return false;
        for (const k of Object.keys(v)) if (!wellFormed(k) || !plain(v[k], depth + 1)) return false;
        return true;
      }
      default: return false;
    }
  };
  const isThenable = (v) => v && typeof v === 'object' && typeof v.then === 'function';
  // [value] when it travels exactly, 0 when it must be asked live; a top-level
  // undefined arrives as None either way.
  const encode = (v) => (v === undefined ? [null] : isThenable(v) || !plain(v, 0) ? 0 : [v]);

  // ---- visibility, as Playwright's isElementVisible decides it ----
  const styles = new Map();
  const styleOf = (el) => {
    if (styles.has(el)) return styles.get(el);
    const view = el.ownerDocument && el.ownerDocument.defaultView;
    const style = view ? view.getComputedStyle(el) : undefined;
    styles.set(el, style);
    return style;
  };
  let textRange;
  const isVisibleTextNode = (node) => {
    textRange = textRange || node.ownerDocument.createRange();
    textRange.selectNode(node);
    const rect = textRange.getBoundingClientRect();
    return rect.width > 0 && rect.height > 0;
  };
  // Whether checkVisibility knows the visibilityProperty option (Chromium 121 on): a
  // browser reads every option it knows, so the getter runs only where it is supported.
  let visibilityOption = false;
  const root = document.documentElement;
  if (root && typeof root.checkVisibility === 'function') {
    root.checkVisibility({
      get visibilityProperty() {
        visibilityOption = true;
        return false;
      },
    });
  }
  // knownRect: the element's client rectangle when the caller already read it. A box
  // with area rules out display: contents, and checkVisibility with the visibility
  // property answers both of Playwright's style checks in one native call.
  const isVisible = (el, knownRect) => {
    const rect = knownRect || el.getBoundingClientRect();
    if (rect.width > 0 && rect.height > 0) {
      const view = el.ownerDocument && el.ownerDocument.defaultView;
      if (!view) return true;
      if (visibilityOption) return el.checkVisibility({ visibilityProperty: true });
      return el.checkVisibility() && styleOf(el).visibility === 'visible';
    }
    const style = styleOf(el);
    if (!style) return true;
    if (style.display === 'contents') {
      for (let child = el.firstChild; child; child = child.nextSibling) {
        if (child.nodeType === 1 && isVisible(child)) return true;
        if (child.nodeType === 3 && isVisibleTextNode(child)) return true;
      }
    }
    return false;
  };

  // ---- enabled state, as Playwright's elementState('enabled') decides it ----
  const safeTagName = (el) => {
    const tagName = el.tagName;
    if (typeof tagName === 'string') {
      const first = tagName.charCodeAt(0);
      return first >= 97 && first <= 122 ? tagName.toUpperCase() : tagName;
    }
    if (el instanceof HTMLFormElement) return 'FORM';
    return el.tagName.toUpperCase();
  };
  const parentOrHost = (el) => {
    if (el.parentElement) return el.parentElement;
    if (!el.parentNode) return undefined;
    if (el.parentNode.nodeType === 11 && el.parentNode.host) return el.parentNode.host;
    return undefined;
  };
  const enclosingHost = (el) => {
    while (el.parentElement) el = el.parentElement;
    return parentOrHost(el);
  };
  const closestCrossShadow = (el, css) => {
    while (el) {
      const closest = el.closest(css);
      if (closest) return closest;
      el = enclosingHost(el);
    }
    return undefined;
  };
  const retargetFollowLabel = (node) => {
    let el = node.nodeType === 1 ? node : node.parentElement;
    if (!el) return null;
    if (!el.matches('input, textarea, select') && !el.isContentEditable) {
      el = el.closest('button, [role=button], [role=checkbox], [role=radio]') || el;
    }
    if (!el.matches('a, input, textarea, button, select, option, optgroup, [role=link], [role=button], [role=checkbox], [role=radio]') && !el.isContentEditable) {
      const label = el.closest('label');
      if (label && label.control) el = label.control;
    }
    return el;
  };
  const isNativelyDisabled = (el) => {
    const tag = safeTagName(el);
    if (!['BUTTON', 'INPUT', 'SELECT', 'TEXTAREA', 'OPTION', 'OPTGROUP'].includes(tag)) return false;
    if (el.hasAttribute('disabled')) return true;
    if (tag === 'OPTION' && el.closest('OPTGROUP[DISABLED]')) return true;
    const fieldset = el.closest('FIELDSET[DISABLED]');
    if (!fieldset) return false;
    const legend = fieldset.querySelector(':scope > LEGEND');
    return !legend || !legend.contains(el);
  };
  const ariaDisabledChain = new Map();
  const hasAriaDisabledInChain = (el) => {
    let result = ariaDisabledChain.get(el);
    if (result === undefined) {
      const attribute = (el.getAttribute('aria-disabled') || '').toLowerCase();
      if (attribute === 'true') result = true;
      else if (attribute === 'false') result = false;
      else {
        const parent = parentOrHost(el);
        result = parent ? hasAriaDisabledInChain(parent) : false;
      }
      ariaDisabledChain.set(el, result);
    }
    return result;
  };
  const DISABLED_ROLES = ['application', 'button', 'composite', 'gridcell', 'group', 'input', 'link', 'menuitem', 'scrollbar', 'separator', 'tab', 'checkbox', 'columnheader', 'combobox', 'grid', 'listbox', 'menu', 'menubar', 'menuitemcheckbox', 'menuitemradio', 'option', 'radio', 'radiogroup', 'row', 'rowheader', 'searchbox', 'select', 'slider', 'spinbutton', 'switch', 'tablist', 'textbox', 'toolbar', 'tree', 'treegrid', 'treeitem'];
  const VALID_ROLES = ['alert', 'alertdialog', 'application', 'article', 'banner', 'blockquote', 'button', 'caption', 'cell', 'checkbox', 'code', 'columnheader', 'combobox', 'complementary', 'contentinfo', 'definition', 'deletion', 'dialog', 'directory', 'document', 'emphasis', 'feed', 'figure', 'form', 'generic', 'grid', 'gridcell', 'group', 'heading', 'img', 'insertion', 'link', 'list', 'listbox', 'listitem', 'log', 'main', 'mark', 'marquee', 'math', 'meter', 'menu', 'menubar', 'menuitem', 'menuitemcheckbox', 'menuitemradio', 'navigation', 'none', 'note', 'option', 'paragraph', 'presentation', 'progressbar', 'radio', 'radiogroup', 'region', 'row', 'rowgroup', 'rowheader', 'scrollbar', 'search', 'searchbox', 'separator', 'slider', 'spinbutton', 'status', 'strong', 'subscript', 'superscript', 'switch', 'tab', 'table', 'tablist', 'tabpanel', 'term', 'textbox', 'time', 'timer', 'toolbar', 'tooltip', 'tree', 'treegrid', 'treeitem'];
  const NAME_PROHIBITED = ['caption', 'code', 'deletion', 'emphasis', 'generic', 'insertion', 'paragraph', 'presentation', 'strong', 'subscript', 'superscript'];
  const GLOBAL_ARIA = [['aria-atomic'], ['aria-busy'], ['aria-controls'], ['aria-current'], ['aria-describedby'], ['aria-details'], ['aria-dropeffect'], ['aria-flowto'], ['aria-grabbed'], ['aria-hidden'], ['aria-keyshortcuts'], ['aria-label', NAME_PROHIBITED], ['aria-labelledby', NAME_PROHIBITED], ['aria-live'], ['aria-owns'], ['aria-relevant'], ['aria-roledescription', ['generic']]];
  const LANDMARK_BLOCKERS = 'article:not([role]), aside:not([role]), main:not([role]), nav:not([role]), section:not([role]), [role=article], [role=complementary], [role=main], [role=navigation], [role=region]';
  const INPUT_ROLES = { button: 'button', checkbox: 'checkbox', image: 'button', number: 'spinbutton', radio: 'radio', range: 'slider', reset: 'button', submit: 'button' };
  const hasGlobalAria = (el, role) => GLOBAL_ARIA.some(([name, prohibited]) => !(prohibited && prohibited.includes(role || '')) && el.hasAttribute(name));
  const hasTabIndex = (el) => !Number.isNaN(Number(String(el.getAttribute('tabindex'))));
  const isNativelyFocusable = (el) => {
    const tag = safeTagName(el);
    if (['BUTTON', 'DETAILS', 'SELECT', 'TEXTAREA'].includes(tag)) return true;
    if (tag === 'A' || tag === 'AREA') return el.hasAttribute('href');
    if (tag === 'INPUT') return !el.hidden;
    return false;
  };
  const isFocusable = (el) => !isNativelyDisabled(el) && (isNativelyFocusable(el) || hasTabIndex(el));
  const hasExplicitName = (el) => el.hasAttribute('aria-label') || el.hasAttribute('aria-labelledby');
  const explicitRole = (el) => {
    const roles = (el.getAttribute('role') || '').toLowerCase().split(' ').map((r) => r.trim());
    return roles.find((r) => VALID_ROLES.includes(r)) || null;
  };
  const idRefs = (el, ref) => {
    if (!ref) return [];
    let root = el;
    while (root.parentNode) root = root.parentNode;
    if (root.nodeType !== 11 && root.nodeType !== 9) return [];
    try {
      const result = [];
      for (const id of ref.split(/[ \t\n\f\r]+/).filter((id) => !!id)) {
        const first = root.querySelector('#' + CSS.escape(id));
        if (first && !result.includes(first)) result.push(first);
      }
      return result;
    } catch (e) {
      return [];
    }
  };
  const fixedRole = (role) => () => role;
  const IMPLICIT_ROLES = {
    A: (e) => (e.hasAttribute('href') ? 'link' : null),
    AREA: (e) => (e.hasAttribute('href') ? 'link' : null),
    ARTICLE: fixedRole('article'), ASIDE: fixedRole('complementary'), BLOCKQUOTE: fixedRole('blockquote'),
    BUTTON: fixedRole('button'), CAPTION: fixedRole('caption'), CODE: fixedRole('code'),
    DATALIST: fixedRole('listbox'), DD: fixedRole('definition'), DEL: fixedRole('deletion'),
    DETAILS: fixedRole('group'), DFN: fixedRole('term'), DIALOG: fixedRole('dialog'), DT: fixedRole('term'),
    EM: fixedRole('emphasis'), FIELDSET: fixedRole('group'), FIGURE: fixedRole('figure'),
    FOOTER: (e) => (closestCrossShadow(e, LANDMARK_BLOCKERS) ? null : 'contentinfo'),
    FORM: (e) => (hasExplicitName(e) ? 'form' : null),
    H1: fixedRole('heading'), H2: fixedRole('heading'), H3: fixedRole('heading'),
    H4: fixedRole('heading'), H5: fixedRole('heading'), H6: fixedRole('heading'),
    HEADER: (e) => (closestCrossShadow(e, LANDMARK_BLOCKERS) ? null : 'banner'),
    HR: fixedRole('separator'), HTML: fixedRole('document'),
    IMG: (e) => (e.getAttribute('alt') === '' && !e.getAttribute('title') && !hasGlobalAria(e) && !hasTabIndex(e) ? 'presentation' : 'img'),
    INPUT: (e) => {
      const type = e.type.toLowerCase();
      if (['email', 'search', 'tel', 'text', 'url', ''].includes(type)) {
        const list = idRefs(e, e.getAttribute('list'))[0];
        if (list && safeTagName(list) === 'DATALIST') return 'combobox';
        return type === 'search' ? 'searchbox' : 'textbox';
      }
      if (type === 'hidden') return null;
      if (type === 'file') return 'button';
      return INPUT_ROLES[type] || 'textbox';
    },
    INS: fixedRole('insertion'), LI: fixedRole('listitem'), MAIN: fixedRole('main'), MARK: fixedRole('mark'),
    MATH: fixedRole('math'), MENU: fixedRole('list'), METER: fixedRole('meter'), NAV: fixedRole('navigation'),
    OL: fixedRole('list'), OPTGROUP: fixedRole('group'), OPTION: fixedRole('option'), OUTPUT: fixedRole('status'),
    P: fixedRole('paragraph'), PROGRESS: fixedRole('progressbar'), SEARCH: fixedRole('search'),
    SECTION: (e) => (hasExplicitName(e) ? 'region' : null),
    SELECT: (e) => (e.multiple || e.size > 1 ? 'listbox' : 'combobox'),
    STRONG: fixedRole('strong'), SUB: fixedRole('subscript'), SUP: fixedRole('superscript'), SVG: fixedRole('img'),
    TABLE: fixedRole('table'), TBODY: fixedRole('rowgroup'),
    TD: (e) => {
      const table = closestCrossShadow(e, 'table');
      const role = table ? explicitRole(table) : '';
      return role === 'grid' || role === 'treegrid' ? 'gridcell' : 'cell';
    },
    TEXTAREA: fixedRole('textbox'), TFOOT: fixedRole('rowgroup'),
    TH: (e) => {
      const scope = e.getAttribute('scope');
      if (scope === 'col' || scope === 'colgroup') return 'columnheader';
      if (scope === 'row' || scope === 'rowgroup') return 'rowheader';
      const next = e.nextElementSibling;
      const prev = e.previousElementSibling;
      const row = !!e.parentElement && safeTagName(e.parentElement) === 'TR' ? e.parentElement : undefined;
      if (!next && !prev) {
        if (row) {
          const table = closestCrossShadow(row, 'table');
          if (table && table.rows.length <= 1) return null;
        }
        return 'columnheader';
      }
      const isHeader = (x) => !!x && safeTagName(x) === 'TH';
      const isDataCell = (x) => !!x && safeTagName(x) === 'TD' && !!((x.textContent && x.textContent.trim()) || x.children.length > 0);
      if (isHeader(next) && isHeader(prev)) return 'columnheader';
      if (isDataCell(next) || isDataCell(prev)) return 'rowheader';
      return 'columnheader';
    },
    THEAD: fixedRole('rowgroup'), TIME: fixedRole('time'), TR: fixedRole('row'), UL: fixedRole('list'),
  };
  const PRESENTATION_PARENTS = { DD: ['DL', 'DIV'], DIV: ['DL'], DT: ['DL', 'DIV'], LI: ['OL', 'UL'], TBODY: ['TABLE'], TD: ['TR'], TFOOT: ['TABLE'], TH: ['TR'], THEAD: ['TABLE'], TR: ['THEAD', 'TBODY', 'TFOOT', 'TABLE'] };
  const implicitRole = (el) => {
    const make = IMPLICIT_ROLES[safeTagName(el)];
    const role = (make && make(el)) || '';
    if (!role) return null;
    let ancestor = el;
    while (ancestor) {
      const parent = parentOrHost(ancestor);
      const parents = PRESENTATION_PARENTS[safeTagName(ancestor)];
      if (!parents || !parent || !parents.includes(safeTagName(parent))) break;
      const parentRole = explicitRole(parent);
      if ((parentRole === 'none' || parentRole === 'presentation') && !(hasGlobalAria(parent, parentRole) || isFocusable(parent))) return parentRole;
      ancestor = parent;
    }
    return role;
  };
  const ariaRole = (el) => {
    const role = explicitRole(el);
    if (!role) return implicitRole(el);
    if (role === 'none' || role === 'presentation') {
      const implicit = implicitRole(el);
      if (hasGlobalAria(el, implicit) || isFocusable(el)) return implicit;
    }
    return role;
  };
  const isEnabled = (node) => {
    const el = retargetFollowLabel(node);
    if (!el || !el.isConnected) throw new Error('Element is not attached to the DOM');
    if (isNativelyDisabled(el)) return false;
    // The chain walk is cheap and usually false; the role is only needed when it is true.
    return !(hasAriaDisabledInChain(el) && DISABLED_ROLES.includes(ariaRole(el) || ''));
  };

  // ---- queries, as Playwright's css engine answers them (open shadow roots pierced) ----
  const anyShadowRoot = (() => {
    for (const el of document.querySelectorAll('*')) if (el.shadowRoot) return true;
    return false;
  })();
  const splitList = (selector) => {
    const parts = [];
    let depth = 0, quote = '', start = 0;
    for (let i = 0; i < selector.length; i++) {
      const c = selector[i];
      if (quote) {
        if (c === '\\') i++;
        else if (c === quote) quote = '';
      } else if (c === '"' || c === "'") quote = c;
      else if (c === '(' || c === '[') depth++;
      else if (c === ')' || c === ']') depth--;
      else if (c === ',' && depth === 0) {
        parts.push(selector.slice(start, i).trim());
        start = i + 1;
      }
    }
    parts.push(selector.slice(start).trim());
    return parts;
  };
  // A compound selector: no combinator and no pseudo-class outside brackets and quotes.
  const isCompound = (part) => {
    let depth = 0, quote = '';
    for (let i = 0; i < part.length; i++) {
      const c = part[i];
      if (quote) {
        if (c === '\\') i++;
        else if (c === quote) quote = '';
      } else if (c === '"' || c === "'") quote = c;
      else if (c === '[') depth++;
      else if (c === ']') depth--;
      else if (depth === 0 && (c === ':' || c === ' ' || c === '>' || c === '+' || c === '~' || c === '\\' || c === '\t' || c === '\n')) return false;
    }
    return part.length > 0;
  };
  // Pseudo-classes Playwright evaluates itself; the native engine would not agree.
  const ownPseudo = /:(?:light|visible|text|text-is|text-matches|has-text|right-of|left-of|above|below|near|nth-match|scope)(?![\w-])/i;
  const queryAcrossRoots = (css) => {
    let result = [];
    const visit = (root) => {
      result = result.concat([...root.querySelectorAll(css)]);
      if (root.shadowRoot) visit(root.shadowRoot);
      for (const el of root.querySelectorAll('*')) if (el.shadowRoot) visit(el.shadowRoot);
    };
    visit(document);
    return result;
  };
  const sortInDOMOrder = (elements) => {
    const entries = new Map();
    const roots = [];
    const result = [];
    const append = (el) => {
      let entry = entries.get(el);
      if (entry) return entry;
      const parent = parentOrHost(el);
      if (parent) append(parent).children.push(el);
      else roots.push(el);
      entry = { children: [], taken: false };
      entries.set(el, entry);
      return entry;
    };
    for (const el of elements) append(el).taken = true;
    const visit = (el) => {
      const entry = entries.get(el);
      if (entry.taken) result.push(el);
      if (entry.children.length > 1) {
        const set = new Set(entry.children);
        entry.children = [];
        for (let child = el.firstElementChild; child && entry.children.length < set.size; child = child.nextElementSibling) {
          if (set.has(child)) entry.children.push(child);
        }
        for (let child = el.shadowRoot ? el.shadowRoot.firstElementChild : null; child && entry.children.length < set.size; child = child.nextElementSibling) {
          if (set.has(child)) entry.children.push(child);
        }
      }
      entry.children.forEach(visit);
    };
    roots.forEach(visit);
    return result;
  };
  // Elements in Playwright's order, {e: message} for a selector the page rejects, or 0
  // when only Playwright's own engine could answer.
  const query = (selector) => {
    if (ownPseudo.test(selector)) return 0;
    try {
      if (!anyShadowRoot) return [...document.querySelectorAll(selector)];
      const parts = splitList(selector);
      if (!parts.every(isCompound)) return 0;
      if (parts.length === 1) return queryAcrossRoots(parts[0]);
      let all = [];
      for (const part of parts) all = all.concat(queryAcrossRoots(part));
      return sortInDOMOrder(all);
    } catch (e) {
      return { e: message(e) };
    }
  };

  // ---- the plan ----
  const nodes = [];
  const indexOf = new Map();
  const nodeIndex = (el) => {
    let i = indexOf.get(el);
    if (i === undefined) {
      i = nodes.length;
      indexOf.set(el, i);
      nodes.push(el);
    }
    return i;
  };
  const queries = plan.selectors.map((selector) => {
    const found = query(selector);
    return Array.isArray(found) ? found.map(nodeIndex) : found;
  });
  const tagOf = (el) => (typeof el.tagName === 'string' ? el.tagName.toLowerCase() : '');
  // Each (node, tag filter) pair a plan entry applies to.
  const targets = (on, visit) => {
    for (const { selector, tags, visible_only } of on) {
      const found = queries[selector];
      if (!Array.isArray(found)) continue;
      for (const i of found) {
        if (tags && !tags.includes(tagOf(nodes[i]))) continue;
        if (visible_only && visible[i] !== true) continue;
        visit(i);
      }
    }
  };

  const enabledFor = new Set();
  for (const selector of plan.enabled_on) {
    if (Array.isArray(queries[selector])) for (const i of queries[selector]) enabledFor.add(i);
  }
  // Which nodes get text, box and attributes: those of the plan's detail targets (the
  // visible ones only, where the harvest reads nothing else).
  const details = new Set();
  const visibleDetails = new Set();
  for (const { selector, visible_only } of plan.details) {
    if (!Array.isArray(queries[selector])) continue;
    for (const i of queries[selector]) (visible_only ? visibleDetails : details).add(i);
  }
  const wanted = new Set(plan.attributes);
  // The answers travel as columns, one entry per node: fewer objects to build, send and
  // read back than one record per node. 0 marks a question the batch leaves open.
  const visible = [], enabled = [], texts = [], boxes = [], attributes = [], rects = [];
  const hasName = (pairs, name) => {
    for (let k = 0; k < pairs.length; k += 2) if (pairs[k] === name) return true;
    return false;
  };
  const factsOf = (el, i) => {
    let rect;
    try {
      rect = el.getBoundingClientRect();
    } catch (e) {
      rect = undefined;
    }
    rects[i] = rect;
    try {
      visible[i] = el.isConnected && isVisible(el, rect);
    } catch (e) {
      visible[i] = false;
    }
    if (enabledFor.has(i)) {
      try {
        enabled[i] = isEnabled(el);
      } catch (e) {
        enabled[i] = { e: message(e) };
      }
    } else enabled[i] = 0;
    if (!details.has(i) && !(visibleDetails.has(i) && visible[i] === true)) {
      texts[i] = boxes[i] = attributes[i] = 0;
      return;
    }
    try {
      if (el.namespaceURI !== XHTML) throw new Error('Node is not an HTMLElement');
      const text = el.innerText;
      texts[i] = typeof text === 'string' && wellFormed(text) ? text : 0;
    } catch (e) {
      texts[i] = { e: message(e) };
    }
    if (!rect) boxes[i] = { e: 'no layout information' };
    // An empty rectangle is either a zero-size box or no box at all; only the list of
    // client rectangles tells which, so it is read for those alone.
    else if (rect.x === 0 && rect.y === 0 && rect.width === 0 && rect.height === 0 && el.getClientRects().length === 0) boxes[i] = null;
    else boxes[i] = [rect.x, rect.y, rect.width, rect.height];
    // Name, value pairs in attribute order. getAttribute(name) answers the first
    // attribute of that qualified name; the plan's names are lower case, as every HTML
    // attribute name is.
    const pairs = [];
    if (el.hasAttributes()) {
      for (const name of el.getAttributeNames()) {
        if (!wanted.has(name) || hasName(pairs, name)) continue;
        const value = el.getAttribute(name);
        pairs.push(name, wellFormed(value) ? value : 0);
      }
    }
    attributes[i] = pairs;
  };
  nodes.forEach(factsOf);

  // Selectors built from an attribute value; only plain identifiers, whose selector
  // reads the same to the page and to Playwright's parser.
  const lookups = {};
  const plainValue = /^[A-Za-z0-9_-]+$/;
  // A page with a thousand fields asks a thousand "#id" and label[for="id"] look-ups;
  // one pass builds the first element per id and per "for" value, in document order,
  // which is what querySelector answers for a plain identifier. Only without shadow
  // roots (Playwright's order differs there) and, for ids, outside quirks mode (where
  // "#id" matches ids case-insensitively). undefined: not indexed, ask the page.
  const firstOf = (elements, key) => {
    const first = new Map();
    for (const el of elements) {
      const value = el.getAttribute(key);
      if (value !== null && !first.has(value)) first.set(value, el);
    }
    return first;
  };
  let idIndex, forIndex;
  const firstByIndex = (lookup, value) => {
    if (anyShadowRoot) return undefined;
    // "#1a" or "#-1" is no valid selector: the page must get to reject it.
    const identifier = /^(?:[A-Za-z_]|-[A-Za-z_-])/.test(value);
    if (lookup.prefix === '#' && lookup.suffix === '' && identifier && document.compatMode === 'CSS1Compat') {
      idIndex = idIndex || firstOf(document.querySelectorAll('[id]'), 'id');
      return idIndex.get(value) || null;
    }
    if (lookup.prefix === 'label[for="' && lookup.suffix === '"]') {
      forIndex = forIndex || firstOf(document.querySelectorAll('label[for]'), 'for');
      return forIndex.get(value) || null;
    }
    return undefined;
  };
  for (const lookup of plan.lookups) {
    targets(lookup.on, (i) => {
      const value = nodes[i].getAttribute(lookup.attribute);
      if (!value || !plainValue.test(value)) return;
      const selector = lookup.prefix + value + lookup.suffix;
      if (selector in lookups) return;
      const indexed = firstByIndex(lookup, value);
      if (indexed !== undefined) {
        lookups[selector] = indexed ? nodeIndex(indexed) : -1;
        return;
      }
      const found = query(selector);
      if (found === 0) return;
      lookups[selector] = Array.isArray(found) ? (found.length ? nodeIndex(found[0]) : -1) : found;
    });
  }

  // Nodes found by look-ups are asked for their text.
  for (let i = visible.length; i < nodes.length; i++) {
    details.add(i);
    factsOf(nodes[i], i);
  }

  // Scripts are evaluated as Playwright evaluates them: the text is run, and a function
  // result is called with the element.
  const compile = (text) => {
    let expression = text.trim();
    if (/^(async)?\s*function(\s|\()/.test(expression)) expression = '(' + expression + ')';
    try {
      return { value: (0, eval)(expression) };
    } catch (e) {
      return { error: message(e) };
    }
  };
  const run = (compiled, arg) => {
    if (compiled.error !== undefined) return { e: compiled.error };
    try {
      const value = typeof compiled.value === 'function' ? compiled.value(arg) : compiled.value;
      return encode(value);
    } catch (e) {
      return { e: message(e) };
    }
  };
  // A script's column: its answer for each node it ran on, 0 elsewhere. Strings,
  // booleans and null travel bare (0 and {e} cannot be mistaken for them); any other
  // value in its [value] wrapper.
  const cell = (answer) => {
    if (!Array.isArray(answer)) return answer;
    const value = answer[0];
    return value === null || typeof value === 'string' || typeof value === 'boolean' ? value : answer;
  };
  const scripts = plan.element_scripts.map((script) => {
    const compiled = compile(script.text);
    const column = new Array(nodes.length).fill(0);
    const done = new Uint8Array(nodes.length);
    targets(script.on, (i) => {
      if (done[i]) return;
      done[i] = 1;
      column[i] = cell(run(compiled, nodes[i]));
    });
    return column;
  });
  // The harvest's own page scripts (batch texts) may reuse what this pass measured: the
  // DOM cannot change while this one script runs, so the answers are the same.
  const measured = (el) => indexOf.get(el);
  const shared = {
    rect: (el) => {
      const i = measured(el);
      return i !== undefined && rects[i] ? rects[i] : el.getBoundingClientRect();
    },
    innerText: (el) => {
      const i = measured(el);
      return i !== undefined && typeof texts[i] === 'string' ? texts[i] : el.innerText;
    },
  };
  const page = plan.page_scripts.map(({ text, batch }) => run(compile(text), batch ? shared : null));

  return JSON.stringify({ queries, lookups, visible, enabled, texts, boxes, attributes, scripts, page });
}
