// The built-ins as the model found them at install, put back while one of the agent's own
// page scripts runs (`guarded`), and the page's own put back right after: the agent's
// scripts are plain JavaScript (arrays mapped, JSON written, boxes measured), and a page
// that replaced such a built-in would otherwise change what they see. The page cannot
// tell: it runs no code in between.

const ownNames = Reflect.ownKeys;
const deleteProperty = Reflect.deleteProperty;
const symbolName = getter(Symbol.prototype, 'description');
// The prototypes of the iterators for...of and spreading step through.
const iteratorPrototype = (iterable) => protoOf(iterable[Symbol.iterator]());
const ArrayIteratorPrototype = iteratorPrototype([]);
// Objects whose own properties are guarded whole, by the name a message gives them, and
// the globals guarded by name.
const GUARDED_OBJECTS = [
  ['Object', Object], ['Object.prototype', ObjectPrototype], ['Array', Array], ['Array.prototype', ArrayPrototype],
  ['String', SafeString], ['String.prototype', SafeString.prototype], ['Number', Number],
  ['Number.prototype', Number.prototype], ['Boolean.prototype', Boolean.prototype],
  ['RegExp.prototype', RegExp.prototype], ['Function.prototype', Function.prototype], ['JSON', JSON],
  ['Math', Math], ['Reflect', Reflect], ['Promise', Promise], ['Promise.prototype', Promise.prototype],
  ['Map.prototype', SafeMap.prototype], ['Set.prototype', SafeSet.prototype], ['WeakMap.prototype', WeakMap.prototype],
  ['Symbol', Symbol], ['Iterator.prototype', protoOf(ArrayIteratorPrototype)],
  ['Array Iterator.prototype', ArrayIteratorPrototype], ['String Iterator.prototype', iteratorPrototype('')],
  ['Map Iterator.prototype', iteratorPrototype(new SafeMap())],
  ['Set Iterator.prototype', iteratorPrototype(new SafeSet())], ['EventTarget.prototype', EventTarget.prototype],
  ['Node.prototype', Node.prototype], ['Element.prototype', ElementPrototype],
  ['HTMLElement.prototype', HTMLElement.prototype], ['Document.prototype', Document.prototype],
  ['DocumentFragment.prototype', DocumentFragment.prototype], ['ShadowRoot.prototype', ShadowRoot.prototype],
  ['CSSStyleDeclaration.prototype', CSSStyleDeclaration.prototype],
  ['DOMRectReadOnly.prototype', DOMRectReadOnly.prototype], ['NodeList.prototype', NodeList.prototype],
  ['HTMLCollection.prototype', HTMLCollection.prototype], ['NamedNodeMap.prototype', NamedNodeMap.prototype],
  ['Attr.prototype', Attr.prototype],
];
const GUARDED_GLOBALS = [
  'Object', 'Array', 'String', 'Number', 'Boolean', 'RegExp', 'Function', 'JSON', 'Math', 'Reflect', 'Promise',
  'Map', 'Set', 'WeakMap', 'Symbol', 'Error', 'getComputedStyle', 'requestAnimationFrame', 'setTimeout',
  'parseInt', 'parseFloat', 'isNaN', 'isFinite', 'encodeURIComponent', 'decodeURIComponent',
];

// [object, {key: descriptor}, keys, name] for each guarded object, read once at install;
// `keys`: the names looked at, null for every own property now and at install; `name`:
// what a message calls the object, '' for the window.
const pristineOf = (object, keys, name) => {
  const saved = new SafeMap();
  const names = keys || ownNames(object);
  for (let i = 0; i < names.length; i++) {
    const own = describe(object, names[i]);
    if (own) mapSet(saved, names[i], own);
  }
  return [object, saved, keys, name, names];
};
const sameDescriptor = (a, b) =>
  a !== undefined && b !== undefined && same(a.value, b.value) && a.get === b.get && a.set === b.set;

const pristineTable = () => {
  const table = [];
  for (let i = 0; i < GUARDED_OBJECTS.length; i++) {
    append(table, pristineOf(GUARDED_OBJECTS[i][1], null, GUARDED_OBJECTS[i][0]));
  }
  // Only these names on the window: it holds the page's own globals too.
  append(table, pristineOf(window, GUARDED_GLOBALS, ''));
  return table;
};

// Calls visit(object, key, now, then) for every guarded property whose descriptor is not
// the one found at install: replaced, added or deleted since.
const eachReplaced = (table, visit) => {
  for (let t = 0; t < table.length; t++) {
    const object = table[t][0];
    const saved = table[t][1];
    // Properties there now and those there at install, so a deleted one counts too; one
    // named twice is the same again by its second visit (or reported once, see replaced).
    const lists = table[t][2] ? [table[t][2]] : [ownNames(object), table[t][4]];
    for (let l = 0; l < lists.length; l++) {
      const keys = lists[l];
      for (let k = 0; k < keys.length; k++) {
        const key = keys[k];
        const now = describe(object, key);
        const then = mapGet(saved, key);
        if (then === undefined ? now === undefined : sameDescriptor(now, then)) continue;
        visit(table[t], key, now, then);
      }
    }
  }
};

// run() with the pristine built-ins in place; whatever the page had is back afterwards.
const guardWith = (table) => (run) => {
  const undo = [];
  eachReplaced(table, (entry, key, now, then) => {
    const object = entry[0];
    if (now !== undefined && !now.configurable) return;  // cannot be undone; left as is
    append(undo, [object, key, now]);
    if (then === undefined) deleteProperty(object, key);
    else defineProperty(object, key, then);
  });
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

// The names of the guarded built-ins the page replaced, added or deleted since install
// ("Map", "Map.prototype.set", "Array Iterator.prototype.next"), one a line: what a step
// tells the tester when the page's scripts broke the browser driver's own.
const replacedWith = (table) => () => {
  const names = setOf([]);
  let out = '';
  eachReplaced(table, (entry, key) => {
    const property = typeof key === 'symbol' ? '[' + symbolName(key) + ']' : SafeString(key);
    const name = entry[3] ? entry[3] + (typeof key === 'symbol' ? property : '.' + property) : property;
    if (setHas(names, name)) return;
    setAdd(names, name);
    out += (out ? '\n' : '') + name;
  });
  return out;
};
