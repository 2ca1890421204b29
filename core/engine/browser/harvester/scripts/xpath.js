el => {
  // Positional path: every step carries its index among same-tag siblings, even [1],
  // so the path identifies one element within a harvest.
  const steps = [];
  for (let node = el; node && node.nodeType === 1; node = node.parentElement) {
    let index = 1;
    for (let sib = node.previousElementSibling; sib; sib = sib.previousElementSibling) {
      if (sib.tagName === node.tagName) index++;
    }
    steps.unshift(node.tagName.toLowerCase() + '[' + index + ']');
  }
  return '/' + steps.join('/');
}
