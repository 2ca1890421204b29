() => {
  // Custom elements that show something yet hold no element, text or open shadow root
  // a script can reach: most likely their content sits in a closed shadow root, which
  // neither this harvest nor Playwright can enter. Their tag names, first met first.
  const found = [];
  const visit = (root) => {
    for (const el of root.querySelectorAll('*')) {
      if (el.shadowRoot) {
        visit(el.shadowRoot);
        continue;
      }
      const tag = el.localName;
      if (!tag.includes('-') || !customElements.get(tag)) continue;
      if (el.firstElementChild || (el.textContent || '').trim()) continue;
      const r = el.getBoundingClientRect();
      if (r.width > 0 && r.height > 0 && !found.includes(tag)) found.push(tag);
    }
  };
  visit(document);
  return found;
}
