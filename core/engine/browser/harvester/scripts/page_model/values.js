// Which values can travel back through JSON and arrive exactly as Playwright would hand
// them over. Anything else is left to the live page, where Playwright's own
// serialisation decides.
const LONE_SURROGATE = /[\uD800-\uDBFF](?![\uDC00-\uDFFF])|(?<![\uD800-\uDBFF])[\uDC00-\uDFFF]/;
// Lone surrogates would be replaced on the way through JSON and UTF-8.
const isWellFormed = stringIsWellFormed
  ? (text) => call(stringIsWellFormed, text, [])
  : (text) => !matchesPattern(LONE_SURROGATE, text);

const MAX_DEPTH = 48;
const SAFE_INTEGER_LIMIT = 2 ** 53;

// Numbers JSON keeps as they are: finite, not -0, integers within double precision.
const isExactNumber = (n) =>
  isFiniteNumber(n) && !same(n, -0) && !(isWholeNumber(n) && absolute(n) >= SAFE_INTEGER_LIMIT);

// Plain data only: no holes, no class instances, nothing with its own toJSON (one on a
// built-in prototype is set aside while the batch is serialised).
const travelsExactly = (value, depth) => {
  if (value === null) return true;
  const kind = typeof value;
  if (kind === 'boolean') return true;
  if (kind === 'number') return isExactNumber(value);
  if (kind === 'string') return isWellFormed(value);
  if (kind !== 'object' || depth > MAX_DEPTH || describe(value, 'toJSON') !== undefined) return false;
  const proto = protoOf(value);
  if (isArray(value)) {
    if (proto !== ArrayPrototype) return false;
    for (let i = 0; i < value.length; i++) {
      if (!(i in value) || !travelsExactly(value[i], depth + 1)) return false;
    }
    return true;
  }
  if (proto !== ObjectPrototype && proto !== null) return false;
  const keys = ownKeys(value);
  for (let i = 0; i < keys.length; i++) {
    if (!isWellFormed(keys[i]) || !travelsExactly(value[keys[i]], depth + 1)) return false;
  }
  return true;
};

const isThenable = (value) => !!value && typeof value === 'object' && typeof value.then === 'function';

// A script's result as a slot: [value] when it travels exactly, 0 to ask live. An
// undefined result arrives as None either way.
const slotOf = (value) => {
  if (value === undefined) return [null];
  if (isThenable(value) || !travelsExactly(value, 0)) return 0;
  return [value];
};

// A failure slot: the message of what the page threw.
const failure = (error) => ({ e: messageOf(error) });

// The batch as JSON, with any toJSON a page gave a built-in prototype set aside meanwhile
// (a library giving Array.prototype a toJSON would turn every column into a string).
const JSON_PROTOTYPES = [ObjectPrototype, ArrayPrototype, SafeString.prototype, Number.prototype, Boolean.prototype];
// JSON written without asking any toJSON, for a page whose toJSON on a built-in prototype
// cannot be set aside (defined non-configurable): JSON.stringify would call it on every
// object, and take what it answers, or throw what it throws. A primitive has no toJSON
// to ask; the batch holds plain objects and arrays of them only.
const writeJson = (value) => {
  if (value === null || typeof value !== 'object') return toJson(value);
  let out = '';
  if (isArray(value)) {
    for (let i = 0; i < value.length; i++) {
      const item = writeJson(value[i]);
      out += (i ? ',' : '') + (item === undefined ? 'null' : item);
    }
    return '[' + out + ']';
  }
  const keys = ownKeys(value);
  for (let k = 0; k < keys.length; k++) {
    const item = writeJson(value[keys[k]]);
    if (item !== undefined) out += (out ? ',' : '') + toJson(keys[k]) + ':' + item;
  }
  return '{' + out + '}';
};
const serialise = (value) => {
  const aside = [];
  let locked = false;
  for (let i = 0; i < JSON_PROTOTYPES.length; i++) {
    const proto = JSON_PROTOTYPES[i];
    const own = describe(proto, 'toJSON');
    if (own && own.configurable) {
      delete proto.toJSON;
      append(aside, [proto, own]);
    } else if (own) {
      locked = true;
    }
  }
  try {
    return locked ? writeJson(value) : toJson(value);
  } finally {
    for (let i = 0; i < aside.length; i++) defineProperty(aside[i][0], 'toJSON', aside[i][1]);
  }
};
