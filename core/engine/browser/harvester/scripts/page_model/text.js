// An element's rendered text, as Playwright's inner_text gives it: the HTML innerText
// of an HTML element; any other element is refused.
const textSlot = (el) => {
  try {
    if (namespaceOf(el) !== XHTML) throw new SafeError('Node is not an HTMLElement');
    const text = innerText(el);
    // A text with lone surrogates would not cross unchanged; the live page answers.
    return typeof text === 'string' && isWellFormed(text) ? text : 0;
  } catch (error) {
    return failure(error);
  }
};
