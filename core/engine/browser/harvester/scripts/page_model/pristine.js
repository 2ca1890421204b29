// The built-ins as the model found them at install, put back while one of the agent's own
// page scripts runs (`guarded`), and the page's own put back right after: the agent's
// scripts are plain JavaScript (arrays mapped, JSON written, boxes measured), and a page
// that replaced such a built-in would otherwise change what they see. The page cannot
// tell: it runs no code in between.

const ownNames = Reflect.ownKeys;
const deleteProperty = Reflect.deleteProperty;
// Objects whose own properties are guarded whole, and the globals guarded by name.
const GUARDED_OBJECTS = [
  Object, ObjectPrototype, Array, ArrayPrototype, SafeString, SafeString.prototype, Number, Number.prototype,
  Boolean.prototype, RegExp.prototype, Function.prototype, JSON, Math, Reflect, Promise, Promise.prototype,
  SafeMap.prototype, SafeSet.prototype, WeakMap.prototype, Symbol, EventTarget.prototype, Node.prototype,
  ElementPrototype, HTMLElement.prototype, Document.prototype, DocumentFragment.prototype, ShadowRoot.prototype,
  CSSStyleDeclaration.prototype, DOMRectReadOnly.prototype, NodeList.prototype, HTMLCollection.prototype,
  NamedNodeMap.prototype, Attr.prototype,
];
const GUARDED_GLOBALS = [
  'Object', 'Array', 'String', 'Number', 'Boolean', 'RegExp', 'Function', 'JSON', 'Math', 'Reflect', 'Promise',
  'Map', 'Set', 'WeakMap', 'Symbol', 'Error', 'getComputedStyle', 'requestAnimationFrame', 'setTimeout',
  'parseInt', 'parseFloat', 'isNaN', 'isFinite', 'encodeURIComponent', 'decodeURIComponent',
];

// [object, {key: descriptor}, whole] for each guarded object, read once at install;
// `whole`: every own property is guarded, else only GUARDED_GLOBALS.
const pristineOf = (object, keys, whole) => {
  const saved = new SafeMap();
  for (let i = 0; i < keys.length; i++) {
    const own = describe(object, keys[i]);
    if (own) mapSet(saved, keys[i], own);
  }
  return [object, saved, whole];
};
const sameDescriptor = (a, b) =>
  a !== undefined && b !== undefined && same(a.value, b.value) && a.get === b.get && a.set === b.set;

const pristineTable = () => {
  const table = [];
  for (let i = 0; i < GUARDED_OBJECTS.length; i++) {
    append(table, pristineOf(GUARDED_OBJECTS[i], ownNames(GUARDED_OBJECTS[i]), true));
  }
  // Only these names on the window: it holds the page's own globals too.
  append(table, pristineOf(window, GUARDED_GLOBALS, false));
  return table;
};

// run() with the pristine built-ins in place; whatever the page had is back afterwards.
const guardWith = (table) => (run) => {
  const undo = [];
  for (let t = 0; t < table.length; t++) {
    const object = table[t][0];
    const saved = table[t][1];
    const keys = table[t][2] ? ownNames(object) : GUARDED_GLOBALS;
    for (let k = 0; k < keys.length; k++) {
      const key = keys[k];
      const now = describe(object, key);
      const then = mapGet(saved, key);
      if (then === undefined ? now === undefined : sameDescriptor(now, then)) continue;
      if (now !== undefined && !now.configurable) continue;  // cannot be undone; left as is
      append(undo, [object, key, now]);
      if (then === undefined) deleteProperty(object, key);
      else defineProperty(object, key, then);
    }
  }
  try {
    return run();
  } finally {
    for (let u = undo.length - 1; u >= 0; u--) {
      const entry = undo[u];
      if (entry[2] === undefined) deleteProperty(entry[0], entry[1]);
      else defineProperty(entry[0], entry[1], entry[2]);
    }
  }
};
