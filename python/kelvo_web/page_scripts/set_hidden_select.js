(el, index) => {
  // A hidden select with no widget the agent knows over it: pick the option as its widget
  // would, and tell the page as a person's pick does (input, then change, both bubbling).
  if (el.multiple) el.options[index].selected = true;
  else el.selectedIndex = index;
  el.dispatchEvent(new Event('input', { bubbles: true }));
  el.dispatchEvent(new Event('change', { bubbles: true }));
  return true;
};
