// Runs the harvest's scripts as Playwright's evaluate runs a script text: the text is
// evaluated in the page's global scope, and a function it yields is called with the
// argument (the element, or nothing for a page script).

const FUNCTION_TEXT = /^(async)?\s*function(\s|\()/;

// { run(arg) } for one script text; a text that does not compile fails every run.
const compileScript = (text) => {
  let expression = trim(text);
  // A bare function declaration must be read as an expression.
  if (matchesPattern(FUNCTION_TEXT, expression)) expression = '(' + expression + ')';
  let value;
  let error;
  let failed = false;
  try {
    value = globalEval(expression);
  } catch (thrown) {
    error = thrown;
    failed = true;
  }
  const run = (arg) => {
    if (failed) return failure(error);
    try {
      return slotOf(typeof value === 'function' ? call(value, undefined, [arg]) : value);
    } catch (thrown) {
      return failure(thrown);
    }
  };
  return { run };
};

// An element script's cell: strings, booleans and null travel bare (0 and {e} cannot
// be mistaken for them), any other value in its [value] wrapper.
const cellOf = (slot) => {
  if (!isArray(slot)) return slot;
  const value = slot[0];
  return value === null || typeof value === 'string' || typeof value === 'boolean' ? value : slot;
};
