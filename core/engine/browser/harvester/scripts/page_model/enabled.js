// "Enabled" as Playwright documents it: an element is disabled when it is a button,
// select, input, textarea, option or optgroup with a disabled attribute or inside a
// disabled fieldset, or when it sits under an element with aria-disabled="true" (the
// nearest explicit aria-disabled on the way up decides) and its role takes
// aria-disabled. HTML's rule that a disabled fieldset spares its first legend holds.

const FORM_CONTROLS = setOf(['button', 'input', 'select', 'textarea', 'option', 'optgroup']);
// Elements that are themselves what the user operates.
const TYPED_INTO = 'input, textarea, select';
const BUTTON_LIKE = 'button, [role=button], [role=checkbox], [role=radio]';
const OPERATED_DIRECTLY =
  'a, input, textarea, button, select, option, optgroup, [role=link], [role=button], [role=checkbox], [role=radio]';

// The element whose state answers for el, as a user would operate it: text inside a
// button-like element operates that element; a non-control inside a label operates
// the label's control.
const operatedElement = (el) => {
  let target = el;
  if (!matches(target, TYPED_INTO) && !isEditable(target)) target = closest(target, BUTTON_LIKE) || target;
  if (!matches(target, OPERATED_DIRECTLY) && !isEditable(target)) {
    const label = closest(target, 'label');
    const control = label && labelControl(label);
    if (control) target = control;
  }
  return target;
};

const isEditable = (el) => namespaceOf(el) === XHTML && contentEditable(el) === true;

// The first legend child of a fieldset, if any.
const firstLegend = (fieldset) => {
  for (let child = firstElementChild(fieldset); child; child = nextElementSibling(child)) {
    if (localName(child) === 'legend' && namespaceOf(child) === XHTML) return child;
  }
  return null;
};

// true / false, or undefined when nested disabled fieldsets make readers disagree.
const isNativelyDisabled = (el) => {
  if (namespaceOf(el) !== XHTML || !setHas(FORM_CONTROLS, localName(el))) return false;
  if (hasAttribute(el, 'disabled')) return true;
  if (localName(el) === 'option' && closest(el, 'optgroup[disabled]')) return true;
  const fieldset = closest(el, 'fieldset[disabled]');
  if (!fieldset) return false;
  const legend = firstLegend(fieldset);
  if (!legend || !contains(legend, el)) return true;
  // Spared by this fieldset's legend; an outer disabled fieldset may still disable it.
  const outer = parentElement(fieldset);
  return outer && closest(outer, 'fieldset[disabled]') ? undefined : false;
};

// Enabled verdicts for one harvest; aria-disabled chains are shared between siblings.
const enabledJudge = () => {
  const inherited = new SafeMap();
  // The nearest explicit aria-disabled on el or its composed ancestors: "true" disables.
  const underAriaDisabled = (el) => {
    if (mapHas(inherited, el)) return mapGet(inherited, el);
    const value = getAttribute(el, 'aria-disabled');
    const word = value === null ? '' : lower(value);
    let result;
    if (word === 'true') result = true;
    else if (word === 'false') result = false;
    else {
      const parent = parentOrHost(el);
      result = parent ? underAriaDisabled(parent) : false;
    }
    mapSet(inherited, el, result);
    return result;
  };
  // true / false, undefined to ask the live page; throws for a detached element.
  const isEnabled = (el) => {
    const target = operatedElement(el);
    if (!isConnected(target)) throw new SafeError('Element is not attached to the DOM');
    const native = isNativelyDisabled(target);
    if (native !== false) return native === undefined ? undefined : false;
    if (!underAriaDisabled(target)) return true;
    const applies = takesAriaDisabled(target);
    return applies === undefined ? undefined : !applies;
  };
  return { isEnabled };
};
