el => {
  // Positional path: every step carries its index among same-tag siblings, even [1],
  // so the path identifies one element within a harvest. An element in an open shadow
  // root continues its host's path after a "#shadow-root" step, which no tag can spell.
  const steps = [];
  for (let node = el; node && node.nodeType === 1; ) {
    let index = 1;
    for (let sib = node.previousElementSibling; sib; sib = sib.previousElementSibling) {
      if (sib.tagName === node.tagName) index++;
    }
    steps.unshift(node.tagName.toLowerCase() + '[' + index + ']');
    const parent = node.parentNode;
    if (node.parentElement) node = node.parentElement;
    else if (parent && parent.nodeType === 11 && parent.host) {
      steps.unshift('#shadow-root');
      node = parent.host;
    } else node = null;
  }
  return '/' + steps.join('/');
}
