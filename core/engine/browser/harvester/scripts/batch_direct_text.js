el => {
  // The direct_text script walking the child list instead of copying it.
  for (let node = el.firstChild; node; node = node.nextSibling) {
    if (node.nodeType === 3 && node.textContent.trim().length > 0) return true;
  }
  return false;
}
