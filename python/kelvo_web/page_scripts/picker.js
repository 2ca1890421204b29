(el, unused) => {
  // How *select* picks on el: { native: { index, labels, multiple, shown, selected } } for a
  // native select (index -1 when no option fits); { inline: true } for a list box that shows
  // its options already; { open: true } for a widget whose options pop up when it is
  // clicked (a combobox, a button that opens a list, the visible part of an enhanced select),
  // with expanded: true when it is open already (another click would close it).
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
  const holder = el.matches('[aria-expanded]') ? el : el.querySelector('[aria-expanded]');
  return { open: true, expanded: !!holder && holder.getAttribute('aria-expanded') === 'true' };
};
