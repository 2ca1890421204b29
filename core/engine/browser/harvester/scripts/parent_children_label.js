el => {
  // From the top of the parent down to the field: the first short text wins.
  const parent = el.parentElement;
  if (!parent) return null;
  for (const child of parent.children) {
    if (child === el) break;
    const text = (child.textContent || '').trim();
    if (text && text.length < 50) return text;
  }
  return null;
}
