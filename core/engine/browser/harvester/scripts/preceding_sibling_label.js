el => {
  // Nearest earlier sibling first: its own text nodes, else its first child's text.
  for (let sib = el.previousElementSibling; sib; sib = sib.previousElementSibling) {
    const own = Array.from(sib.childNodes)
      .filter(n => n.nodeType === 3)
      .map(n => n.textContent.trim())
      .filter(t => t.length > 0)
      .join(' ');
    if (own && own.length < 50) return own;
    const first = sib.firstElementChild;
    if (first) {
      const text = (first.textContent || '').trim();
      if (text && text.length < 50) return text;
    }
  }
  return null;
}
