(el, unused) => {
  // How *select* picks on el: { native: { index, labels, multiple, shown, selected } } for a
  // native select (index -1 when no option fits); { inline: true } for a list box that shows
  // its options already; { open: true } for a widget whose options pop up when it is
  // clicked (a combobox, a button that opens a list, the visible part of an enhanced select).
  const tag = el.tagName.toLowerCase();
  if (tag === 'select') {
    const r = el.getBoundingClientRect();
    const style = getComputedStyle(el);
    const shown = r.width > 0 && r.height > 0 && style.visibility !== 'hidden' && style.display !== 'none' &&
                  style.opacity !== '0';
    return { native: { multiple: el.multiple, shown,
                       labels: Array.from(el.options).map((o) => o.label.trim()),
                       values: Array.from(el.options).map((o) => o.value),
                       selected: Array.from(el.options).flatMap((o, i) => (o.selected ? [i] : [])) } };
  }
  const role = (el.getAttribute('role') || '').toLowerCase();
  if (role === 'listbox' && el.querySelector('[role=option]')) return { inline: true };
  return { open: true };
};
