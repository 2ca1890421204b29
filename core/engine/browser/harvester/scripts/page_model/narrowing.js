// A narrowed reading: the nodes a step's words can name, chosen before anything is
// measured, so that a step on a page of thousands of controls measures a handful. A node
// is kept when some surface the text rules read (its rendered text or value, the
// attributes they consult, the words of its class, id and data-attribute names) may
// contain the needle; "may" always errs towards keeping. Depends on intrinsics.js,
// tree.js (parentOrHost), text.js (textSlot) and own_scripts.js (textContent).
//
// The request, from the step's plan: { needle, filter, keep, rows, levels, empty }
//   needle  the target as the rules compare it, lower-case, without the characters below
//   filter  selector numbers whose nodes are kept only when they may match (or match keep)
//   keep    a CSS list of nodes kept whatever their words ('' for none): the fields a typing
//           step's rules consider as a whole
//   rows    selector numbers kept only where they hold a kept node within `levels`: the row
//           an action checks before it acts
//   empty   selector numbers read as empty
// The pointer-cursor candidates are narrowed alike.

// Characters the comparison skips on both sides: white space, the separators the rules
// read as spaces, control and format characters (the invisible ones the rules drop).
const SKIPPED = '[\\s\\p{Cc}\\p{Cf}_\\-]';
// Characters a text transform can turn into ASCII letters (ß into SS, ﬁ into FI...): text
// holding one is judged by its rendered text.
const CASE_TO_ASCII = /[\u{df}\u{130}-\u{131}\u{149}\u{17f}\u{1f0}\u{1e96}-\u{1e9a}\u{1e9e}\u{212a}\u{fb00}-\u{fb06}]/u;
const NOT_ASCII = /[^\u0000-\u007f]/;
const DIGIT = /[0-9]/;
const SPACE = /[\s\u001c-\u001f]/;
const SafeRegExp = RegExp;
const startsWith = method(SafeString.prototype, 'startsWith');
const indexFrom = method(SafeString.prototype, 'indexOf');
const escapeChar = (c) => (matchesPattern(/[\\^$.*+?()[\]{}|/]/, c) ? '\\' + c : c);

const narrowingOf = (request) => {
  const needle = request.needle;
  let source = '';
  for (let i = 0; i < needle.length; i++) source += (i ? SKIPPED + '*' : '') + escapeChar(needle[i]);
  const pattern = new SafeRegExp(source, 'u');
  const holds = (text) => typeof text === 'string' && text.length > 0 && matchesPattern(pattern, lower(text));
  // Whether the needle's characters appear in order: hidden text inside an element can
  // split a name its rendered text shows whole.
  const inOrder = (text) => {
    let at = 0;
    for (let i = 0; i < needle.length; i++) {
      at = indexFrom(text, needle[i], at);
      if (at < 0) return false;
      at++;
    }
    return true;
  };
  // The words of a class, id or data name the rules keep (long enough, free of digits),
  // joined: a piece is dropped only where that is certain (plain ASCII). `dashes`: '_' and
  // '-' part words too (ids and data names), else they stay inside a word (classes).
  const words = (text, minimum, dashes) => {
    let out = '';
    let start = 0;
    const take = (end) => {
      const piece = slice(text, start, end);
      if (matchesPattern(NOT_ASCII, piece) || (piece.length >= minimum && !matchesPattern(DIGIT, piece))) out += piece;
    };
    for (let i = 0; i < text.length; i++) {
      const c = text[i];
      if (matchesPattern(SPACE, c) || (dashes && (c === '_' || c === '-'))) {
        take(i);
        start = i + 1;
      }
    }
    take(text.length);
    return out;
  };
  const renderedHolds = (el) => {
    const text = textSlot(el);
    return typeof text !== 'string' || holds(text);  // no text to read: the live page answers
  };
  const mayName = (el) => {
    if (namespaceOf(el) !== XHTML) return true;
    const content = textContent(el);
    if (holds(content)) return true;
    if (content) {
      const plain = lower(content);
      if ((inOrder(plain) || matchesPattern(CASE_TO_ASCII, content)) && renderedHolds(el)) return true;
    }
    if (!hasAttributes(el)) return false;
    const names = attributeNames(el);
    for (let i = 0; i < names.length; i++) {
      const name = names[i];
      const value = getAttribute(el, name);
      if (name === 'class') {
        if (inOrder(lower(value)) && holds(words(value, 4, false))) return true;
      } else if (name === 'id') {
        if (inOrder(lower(value)) && holds(words(value, 4, true))) return true;
      } else if (startsWith(name, 'data-')) {
        if (holds(words(slice(name, 5), 2, true)) || (name === 'data-testid' && holds(value))) return true;
      } else if (holds(value)) {
        return true;  // aria-label, placeholder, type, alt, value, title... any attribute
      }
    }
    return false;
  };
  const keep = request.keep;
  const kept = [];
  const admit = (el) => {
    if ((keep && matches(el, keep)) || mayName(el)) {
      append(kept, el);
      return true;
    }
    return false;
  };
  const filtered = (found, test) => {
    const out = [];
    for (let i = 0; i < found.length; i++) if (test(found[i])) append(out, found[i]);
    return out;
  };
  // The ancestors of every kept node, `levels` up, a shadow root's host counting as one.
  const holders = () => {
    const out = new SafeSet();
    for (let k = 0; k < kept.length; k++) {
      let at = kept[k];
      for (let level = 0; level < request.levels; level++) {
        at = parentOrHost(at);
        if (!at) break;
        setAdd(out, at);
      }
    }
    return out;
  };
  return {
    // Narrows the queries' answers in place; `pointerCandidates` are the pointer-cursor
    // script's candidates, kept ones returned for it.
    apply: (answers, pointerCandidates) => {
      for (let k = 0; k < request.filter.length; k++) {
        const s = request.filter[k];
        if (isArray(answers[s])) answers[s] = filtered(answers[s], admit);
      }
      const pointer = filtered(pointerCandidates(), admit);
      const around = holders();
      for (let k = 0; k < request.rows.length; k++) {
        const s = request.rows[k];
        if (isArray(answers[s])) answers[s] = filtered(answers[s], (el) => setHas(around, el));
      }
      for (let k = 0; k < request.empty.length; k++) if (isArray(answers[request.empty[k]])) answers[request.empty[k]] = [];
      return pointer;
    },
  };
};
