(el, wanted) => {
  // Option choice for *select*: the label as written, then the value, then either
  // without regard to case. Answers null when the element is no select.
  if (el.tagName.toLowerCase() !== 'select') return null;
  const options = Array.from(el.options);
  const want = wanted.trim();
  const low = s => s.trim().toLowerCase();
  let index = options.findIndex(o => o.label.trim() === want);
  if (index < 0) index = options.findIndex(o => o.value === want);
  if (index < 0) index = options.findIndex(o => low(o.label) === low(want));
  if (index < 0) index = options.findIndex(o => low(o.value) === low(want));
  return {index, labels: options.map(o => o.label.trim())};
}
