async (el, seen, guard, model) => {
  // Where a plain mouse click would land on el, once el is ready for it: connected,
  // shown, enabled, at rest, wholly inside the viewport (scrolled into it), and the element
  // under the centre of its first box (el itself or inside it). Otherwise null, and the
  // caller clicks the way that waits and explains. The caller arms the page for the click
  // (click_guard.js).
  // At rest: its box the same over one animation frame; or at once, when nothing in the
  // page changed since the harvest read `seen.box` at change state `seen.state`, no
  // animation is running and the box is still that one.
  const NESTED_CONTROLS = 'a[href], button, input, select, textarea, label, [role], [onclick], [tabindex]';
  const rectOf = () => el.getBoundingClientRect();
  const same = (a, b) => a.x === b.x && a.y === b.y && a.width === b.width && a.height === b.height;
  if (!el.isConnected) return null;
  // A label passes its click on to its control: that goes the locator's way. So does a
  // link to another document unless the caller follows its navigation (`seen.away`: it
  // listens for the answer, so an empty one or a download ends the wait), and then only a
  // link of its own (el itself), into this window, over the web or to a file: a mail
  // address or another scheme leaves the page for no next document. A link within this
  // document, and a form's submit control (the caller follows the submission), need none.
  if (el.closest('label')) return null;
  const link = el.closest('a[href], area[href]');
  if (link) {
    const href = (link.getAttribute('href') || '').trim().toLowerCase();
    const target = (link.getAttribute('target') || '').trim().toLowerCase();
    if ((target !== '' && target !== '_self') || link.hasAttribute('download')) return null;
    const within =
      (href.startsWith('#') && !document.querySelector('base[href]')) || href.startsWith('javascript:');
    const scheme = /^[a-z][a-z0-9+.-]*:/.exec(href);
    const protocol = scheme ? scheme[0] : location.protocol;
    const web = protocol === 'http:' || protocol === 'https:' || protocol === 'file:';
    if (!within && !(seen && seen.away && link === el && web)) return null;
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
    // No generated boxes: then the locator clicks the centre of the first of the element's
    // own boxes that is not empty (a link wrapped over lines has one a line), as here.
    const firstBox = () => {
      const boxes = el.getClientRects();
      for (let i = 0; i < boxes.length; i++) if (boxes[i].width * boxes[i].height > 0.99) return boxes[i];
      return null;
    };
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
    const box = firstBox();
    if (!box) return null;
    const x = box.left + box.width / 2;
    const y = box.top + box.height / 2;
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
