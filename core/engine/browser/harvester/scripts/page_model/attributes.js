// The attributes the harvest reads, as [name, value, ...] in attribute order. The plan
// names them in lower case, as HTML attribute names are; for a name that occurs twice
// (possible through namespaced attributes) the first wins, as getAttribute answers.
const attributePairs = (el, wanted) => {
  const pairs = [];
  if (!hasAttributes(el)) return pairs;
  const names = attributeNames(el);
  for (let i = 0; i < names.length; i++) {
    const name = names[i];
    if (!setHas(wanted, name) || hasPair(pairs, name)) continue;
    const value = getAttribute(el, name);
    // A value with lone surrogates is left to the live page.
    append(pairs, name);
    append(pairs, isWellFormed(value) ? value : 0);
  }
  return pairs;
};

const hasPair = (pairs, name) => {
  for (let k = 0; k < pairs.length; k += 2) if (pairs[k] === name) return true;
  return false;
};
