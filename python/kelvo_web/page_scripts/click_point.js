async (el, seen, guard, model) => {
  // Where a plain mouse click would land on el, once el is ready for it: connected,
  // shown, enabled, at rest, wholly inside the viewport, and the element under its centre
  // (el itself or inside it). Otherwise null, and the caller clicks the way that waits,
  // scrolls and explains. The caller arms the page for the click (click_guard.js).
  // At rest: its box the same over one animation frame; or at once, when nothing in the
  // page changed since the harvest read `seen.box` at change state `seen.state`, no
  // animation is running and the box is still that one.
  const NESTED_CONTROLS = 'a[href], button, input, select, textarea, label, [role], [onclick], [tabindex]';
  const rectOf = () => el.getBoundingClientRect();
  const same = (a, b) => a.x === b.x && a.y === b.y && a.width === b.width && a.height === b.height;
  if (!el.isConnected) return null;
  // A label passes its click on to its control, and a link to another document may be
  // cancelled (an empty answer, a mail address) in a way only the locator's click can
  // tell from a slow one: those go the locator's way. A link within this document, and a
  // form's submit control (the caller waits for the submission's next document), do not.
  if (el.closest('label')) return null;
  const link = el.closest('a[href], area[href]');
  if (link) {
    const href = (link.getAttribute('href') || '').trim().toLowerCase();
    const target = (link.getAttribute('target') || '').trim().toLowerCase();
    const within =
      (href.startsWith('#') && !document.querySelector('base[href]')) || href.startsWith('javascript:');
    if (!within || (target !== '' && target !== '_self') || link.hasAttribute('download')) return null;
  }
  const before = rectOf();
  const box = seen && seen.box;
  const still =
    box && seen.state && model && model.state() === seen.state && document.getAnimations().length === 0 &&
    before.x === box.x && before.y === box.y && before.width === box.width && before.height === box.height;
  if (!still) await new Promise((resolve) => requestAnimationFrame(() => resolve()));
  // What follows the await runs outside the caller's guard, so it takes the guard again.
  return guard(() => {
    if (!el.isConnected) return null;
    let r = rectOf();
    if (!same(before, r) || r.width <= 0 || r.height <= 0) return null;
    // One box and no generated ones: then the centre of its box is where the locator
    // would click too (it takes the first of the element's boxes, ::before's included).
    const boxes = el.getClientRects();
    if (boxes.length !== 1 || !same(boxes[0], r)) return null;
    for (const pseudo of ['::before', '::after']) {
      const content = getComputedStyle(el, pseudo).content;
      if (content && content !== 'none' && content !== 'normal') return null;
    }
    const style = getComputedStyle(el);
    if (style.visibility !== 'visible' || style.pointerEvents === 'none') return null;
    if (el.matches(':disabled') || el.closest('[aria-disabled="true"]')) return null;
    // Out of view: scrolled in as the locator's click scrolls it, once it is seen at rest,
    // shown and enabled: on each axis, centred when wholly out, to the nearest edge when
    // partly in; at once, whatever smooth scrolling the page's style asks for.
    const inView = (b) => b.left >= 0 && b.top >= 0 && b.right <= innerWidth && b.bottom <= innerHeight;
    if (!inView(r)) {
      const out = (low, high, end) => high <= 0 || low >= end;
      el.scrollIntoView({
        block: out(r.top, r.bottom, innerHeight) ? 'center' : 'nearest',
        inline: out(r.left, r.right, innerWidth) ? 'center' : 'nearest',
        behavior: 'instant',
      });
      r = rectOf();
      if (!inView(r)) return null;
    }
    const x = r.left + r.width / 2;
    const y = r.top + r.height / 2;
    // Asked of el's own tree and climbed out through shadow hosts: what is hit in a
    // shadow root is inside el when its host is.
    const root = el.getRootNode();
    let hit = (root && root.elementFromPoint ? root : document).elementFromPoint(x, y);
    while (hit && hit !== el && !el.contains(hit)) {
      const holder = hit.getRootNode();
      hit = holder && holder.host && holder !== document ? holder.host : null;
    }
    if (!hit) return null;
    // A control of its own under the point (a link inside a row) would take the click.
    for (let node = hit; node && node !== el; node = node.parentElement) {
      if (node.matches(NESTED_CONTROLS)) return null;
    }
    return { x, y };
  });
};
