// Built-ins and DOM accessors, taken once when the bundle is evaluated. The modules call
// the page only through these, so a page that later replaces a prototype method (map,
// JSON.stringify, getBoundingClientRect, querySelectorAll, Map) cannot change what the
// harvest sees once the bundle is installed ahead of the page's own scripts.
const call = Reflect.apply;
const describe = Reflect.getOwnPropertyDescriptor;
const protoOf = Reflect.getPrototypeOf;
const ownKeys = Object.keys;
const same = Object.is;
const isArray = Array.isArray;
const isFiniteNumber = Number.isFinite;
const isWholeNumber = Number.isInteger;
const absolute = Math.abs;
const toJson = JSON.stringify;
const defineProperty = Object.defineProperty;
const globalEval = eval;
const ObjectPrototype = Object.prototype;
const ArrayPrototype = Array.prototype;
const SafeMap = Map;
const SafeSet = Set;
const SafeError = Error;
const SafeString = String;

// fn as a plain function taking its `this` first: Function.prototype.call bound to fn,
// which engines call without building an argument list.
const functionCall = Function.prototype.call;
const functionBind = Function.prototype.bind;
const uncurry = (fn) => call(functionBind, functionCall, [fn]);
// proto[name] as a function of (self, ...args).
const method = (proto, name) => uncurry(proto[name]);
// The getter of proto's accessor `name`, as a plain function of the object.
const getter = (proto, name) => uncurry(describe(proto, name).get);

const mapGet = method(SafeMap.prototype, 'get');
const mapSet = method(SafeMap.prototype, 'set');
const mapHas = method(SafeMap.prototype, 'has');
const setAdd = method(SafeSet.prototype, 'add');
const setHas = method(SafeSet.prototype, 'has');
const setSize = getter(SafeSet.prototype, 'size');
// Sets built without the iterator protocol, which a page may have replaced.
const setOf = (items) => {
  const set = new SafeSet();
  for (let i = 0; i < items.length; i++) setAdd(set, items[i]);
  return set;
};
const append = (list, item) => {
  list[list.length] = item;
};

const lower = method(SafeString.prototype, 'toLowerCase');
const trim = method(SafeString.prototype, 'trim');
const slice = method(SafeString.prototype, 'slice');
const codeAt = method(SafeString.prototype, 'charCodeAt');
const stringIsWellFormed = SafeString.prototype.isWellFormed;
const regexExec = method(RegExp.prototype, 'exec');
const matchesPattern = (pattern, text) => regexExec(pattern, text) !== null;

const nodeType = getter(Node.prototype, 'nodeType');
const parentNode = getter(Node.prototype, 'parentNode');
const parentElement = getter(Node.prototype, 'parentElement');
const firstChild = getter(Node.prototype, 'firstChild');
const nextSibling = getter(Node.prototype, 'nextSibling');
const isConnected = getter(Node.prototype, 'isConnected');
const ownerDocument = getter(Node.prototype, 'ownerDocument');
const contains = method(Node.prototype, 'contains');

const ElementPrototype = Element.prototype;
const localName = getter(ElementPrototype, 'localName');
const namespaceOf = getter(ElementPrototype, 'namespaceURI');
const shadowRootOf = getter(ElementPrototype, 'shadowRoot');
const firstElementChild = getter(ElementPrototype, 'firstElementChild');
const nextElementSibling = getter(ElementPrototype, 'nextElementSibling');
const getAttribute = method(ElementPrototype, 'getAttribute');
const hasAttribute = method(ElementPrototype, 'hasAttribute');
const hasAttributes = method(ElementPrototype, 'hasAttributes');
const attributeNames = method(ElementPrototype, 'getAttributeNames');
const clientRect = method(ElementPrototype, 'getBoundingClientRect');
const clientRects = method(ElementPrototype, 'getClientRects');
const matches = method(ElementPrototype, 'matches');
const closest = method(ElementPrototype, 'closest');
const checkVisibility = ElementPrototype.checkVisibility
  ? method(ElementPrototype, 'checkVisibility')
  : undefined;
const hostOf = getter(ShadowRoot.prototype, 'host');
const fragmentFirstElementChild = getter(DocumentFragment.prototype, 'firstElementChild');

const innerText = getter(HTMLElement.prototype, 'innerText');
const contentEditable = getter(HTMLElement.prototype, 'isContentEditable');
const labelControl = getter(HTMLLabelElement.prototype, 'control');
const inputType = getter(HTMLInputElement.prototype, 'type');

// querySelectorAll lives on each kind of parent node separately.
const selectAllIn = {
  1: method(ElementPrototype, 'querySelectorAll'),
  9: method(Document.prototype, 'querySelectorAll'),
  11: method(DocumentFragment.prototype, 'querySelectorAll'),
};
const listLength = getter(NodeList.prototype, 'length');
const listLengthOfRects = getter(DOMRectList.prototype, 'length');
// The elements of root matching css, as a plain array.
const selectAll = (root, css) => {
  const found = selectAllIn[nodeType(root)](root, css);
  const out = [];
  for (let i = 0, n = listLength(found); i < n; i++) out[i] = found[i];
  return out;
};

const getComputedStyleOf = window.getComputedStyle;
const computedStyle = (el) => call(getComputedStyleOf, window, [el]);
const styleValue = method(CSSStyleDeclaration.prototype, 'getPropertyValue');
const documentElementOf = getter(Document.prototype, 'documentElement');
const compatMode = getter(Document.prototype, 'compatMode');
const defaultView = getter(Document.prototype, 'defaultView');
const createRange = method(Document.prototype, 'createRange');
const rangeSelectNode = method(Range.prototype, 'selectNode');
const rangeRect = method(Range.prototype, 'getBoundingClientRect');

// A client rectangle's numbers, read through DOMRectReadOnly's own getters.
const RectPrototype = DOMRectReadOnly.prototype;
const rectX = getter(RectPrototype, 'x');
const rectY = getter(RectPrototype, 'y');
const rectWidth = getter(RectPrototype, 'width');
const rectHeight = getter(RectPrototype, 'height');
const rectLeft = getter(RectPrototype, 'left');
const rectTop = getter(RectPrototype, 'top');

const ELEMENT_NODE = 1;
const TEXT_NODE = 3;
const FRAGMENT_NODE = 11;
const XHTML = 'http://www.w3.org/1999/xhtml';
// The window's document as it is now, not as it was at install: a same-origin page that
// replaces the initial about:blank of a popup or frame keeps its window, globals and all.
const documentOf = getter(window, 'document');
const currentDocument = () => documentOf(window);

// What a thrown value says, as the failure message sent back to the caller.
const messageOf = (error) =>
  SafeString(error && error.message !== undefined ? error.message : error);
