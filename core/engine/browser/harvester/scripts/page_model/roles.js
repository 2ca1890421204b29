// Roles, only as far as the enabled verdict needs them: whether aria-disabled applies
// to an element's role. WAI-ARIA 1.2 allows aria-disabled on application, button,
// composite, gridcell, group, input, link, menuitem, scrollbar, separator and tab, and
// on every role that inherits from one of them. The role is the first recognised token
// of role="...", else the implicit role HTML-AAM gives the element.
// Answers: true, false, or undefined where the batch leaves the verdict to the live page.

// Concrete WAI-ARIA 1.2 roles that take aria-disabled (abstract composite, input and
// select never appear in markup).
const DISABLEABLE_ROLES = setOf([
  'application', 'button', 'checkbox', 'columnheader', 'combobox', 'grid', 'gridcell',
  'group', 'link', 'listbox', 'menu', 'menubar', 'menuitem', 'menuitemcheckbox',
  'menuitemradio', 'option', 'radio', 'radiogroup', 'row', 'rowheader', 'scrollbar',
  'searchbox', 'separator', 'slider', 'spinbutton', 'switch', 'tab', 'tablist', 'textbox',
  'toolbar', 'tree', 'treegrid', 'treeitem',
]);
// The other concrete roles, which do not (including none and presentation).
const OTHER_ROLES = setOf([
  'alert', 'alertdialog', 'article', 'banner', 'blockquote', 'caption', 'cell', 'code',
  'complementary', 'contentinfo', 'definition', 'deletion', 'dialog', 'directory',
  'document', 'emphasis', 'feed', 'figure', 'form', 'generic', 'heading', 'img',
  'insertion', 'list', 'listitem', 'log', 'main', 'mark', 'marquee', 'math', 'meter',
  'navigation', 'none', 'note', 'paragraph', 'presentation', 'progressbar', 'region',
  'rowgroup', 'search', 'status', 'strong', 'subscript', 'superscript', 'table',
  'tabpanel', 'term', 'time', 'timer', 'tooltip',
]);

// HTML elements whose implicit role (HTML-AAM) takes aria-disabled whatever the
// context: a, area (with href: link), button, datalist (listbox), details, fieldset and
// optgroup (group), hr (separator), select (combobox or listbox), textarea (textbox).
const DISABLEABLE_ELEMENTS = setOf(['button', 'datalist', 'details', 'fieldset', 'hr', 'optgroup', 'select', 'textarea']);
// Elements whose role depends on their table or on presentational ancestors (row,
// column or row header); left to the live page. td is worked out below.
const CONTEXTUAL_ELEMENTS = setOf(['tr', 'th']);
const TABLE_SECTIONS = setOf(['tbody', 'thead', 'tfoot']);
// Input types with an HTML-AAM role, all of which take aria-disabled: button, checkbox,
// combobox, searchbox, slider, spinbutton, radio, textbox. Hidden inputs have none.
const ROLE_INPUT_TYPES = setOf([
  'button', 'checkbox', 'email', 'image', 'number', 'radio', 'range', 'reset', 'search',
  'submit', 'tel', 'text', 'url',
]);
const OPTION_PARENTS = setOf(['select', 'optgroup', 'datalist']);

const isAsciiSpace = (code) => code === 32 || code === 9 || code === 10 || code === 12 || code === 13;

// The role attribute's tokens, split on ASCII whitespace and lower-cased; null when a
// separator other than a plain space is used (readers of the attribute disagree there).
const roleTokens = (value) => {
  const tokens = [];
  let start = -1;
  for (let i = 0; i <= value.length; i++) {
    const code = i < value.length ? codeAt(value, i) : 32;
    if (isAsciiSpace(code)) {
      if (code !== 32) return null;
      if (start >= 0) append(tokens, lower(slice(value, start, i)));
      start = -1;
    } else if (start < 0) start = i;
  }
  return tokens;
};

// The explicit role of el: [role], [null] for none given, undefined when the first token
// is outside WAI-ARIA 1.2 or an unusual separator is used.
const explicitRole = (el) => {
  const attribute = getAttribute(el, 'role');
  if (attribute === null) return [null];
  const tokens = roleTokens(attribute);
  if (!tokens) return undefined;
  if (tokens.length === 0) return [null];
  // A first token unknown to WAI-ARIA 1.2 may be a role to readers of later versions.
  const first = tokens[0];
  return setHas(DISABLEABLE_ROLES, first) || setHas(OTHER_ROLES, first) ? [first] : undefined;
};

// A td is a gridcell (which takes aria-disabled) in a table with role grid or treegrid
// and a cell (which does not) in any other table (HTML-AAM). Rows or sections with a
// role of their own (say presentation, which cells inherit) are left to the live page.
const dataCellTakesDisabled = (td) => {
  const row = parentElement(td);
  if (!row || localName(row) !== 'tr' || hasAttribute(row, 'role')) return undefined;
  let table = parentElement(row);
  if (table && setHas(TABLE_SECTIONS, localName(table))) {
    if (hasAttribute(table, 'role')) return undefined;
    table = parentElement(table);
  }
  if (!table || localName(table) !== 'table') return undefined;
  const role = explicitRole(table);
  if (!role || role[0] === 'none' || role[0] === 'presentation') return undefined;
  return role[0] === 'grid' || role[0] === 'treegrid';
};

// Whether the implicit role of el takes aria-disabled.
const implicitRoleTakesDisabled = (el) => {
  if (namespaceOf(el) !== XHTML) return undefined;  // SVG and MathML have rules of their own
  const name = localName(el);
  if (setHas(DISABLEABLE_ELEMENTS, name)) return true;
  if (setHas(CONTEXTUAL_ELEMENTS, name)) return undefined;
  if (name === 'td') return dataCellTakesDisabled(el);
  if (name === 'a' || name === 'area') return hasAttribute(el, 'href');
  if (name === 'input') {
    const type = inputType(el);
    if (type === 'hidden') return false;
    return setHas(ROLE_INPUT_TYPES, type) ? true : undefined;
  }
  if (name === 'option') {
    const parent = parentElement(el);
    return parent && setHas(OPTION_PARENTS, localName(parent)) ? true : undefined;
  }
  return false;
};

const takesAriaDisabled = (el) => {
  const role = explicitRole(el);
  if (!role) return undefined;
  const name = role[0];
  if (name === null) return implicitRoleTakesDisabled(el);
  if (setHas(DISABLEABLE_ROLES, name)) return true;
  // none/presentation yield to the implicit role on focusable or globally labelled
  // elements; that only matters when the implicit role would take aria-disabled.
  if (name === 'none' || name === 'presentation') return implicitRoleTakesDisabled(el) === false ? false : undefined;
  return false;
};
