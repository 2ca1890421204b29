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

// Plain data only: no holes, no class instances, nothing with its own toJSON.
const travelsExactly = (value, depth) => {
  if (value === null) return true;
  const kind = typeof value;
  if (kind === 'boolean') return true;
  if (kind === 'number') return isExactNumber(value);
  if (kind === 'string') return isWellFormed(value);
  if (kind !== 'object' || depth > MAX_DEPTH || typeof value.toJSON === 'function') return false;
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
