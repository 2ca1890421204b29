import pathlib

import pytest

PAGES = pathlib.Path(__file__).parent / "pages"

# Stands in for the harvester until it is on this branch: native controls with captured
# attributes and field labels, span/div widgets whose class holds "input", text elements of
# the fifteen text tags without wrappers, and the nearest short text above as a last label.
_HARVEST_JS = r"""
() => {
  const xpath = (el) => { const s = []; for (let n = el; n && n.nodeType === 1; n = n.parentElement) {
    let i = 1; for (let p = n.previousElementSibling; p; p = p.previousElementSibling) if (p.tagName === n.tagName) i++;
    s.unshift(n.tagName.toLowerCase() + '[' + i + ']'); } return '/' + s.join('/'); };
  const box = (el) => { const r = el.getBoundingClientRect(); return {x: r.x, y: r.y, width: r.width, height: r.height}; };
  const shown = (el) => { const r = el.getBoundingClientRect(); const st = getComputedStyle(el);
    return r.width > 0 && r.height > 0 && st.visibility !== 'hidden'; };
  const CAPTURED = ['id','name','type','placeholder','aria-label','aria-labelledby','title','role','href','value','class','data-testid','alt'];
  const attrs = (el) => { const a = {}; for (const n of CAPTURED) if (el.hasAttribute(n)) a[n] = el.getAttribute(n); return a; };
  const fieldLabel = (el) => {
    const aria = (el.getAttribute('aria-label') || '').trim(); if (aria) return aria;
    if (el.id) { const l = document.querySelector('label[for="' + el.id + '"]'); if (l && l.innerText.trim()) return l.innerText.trim(); }
    return (el.getAttribute('placeholder') || '').trim() || (el.getAttribute('title') || '').trim();
  };
  const record = (el, tag, extra) => Object.assign({tag, text: (el.innerText || '').trim() || (el.getAttribute('value') || '').trim(),
    attributes: attrs(el), bounding_box: box(el), is_visible: true, is_enabled: !el.disabled}, extra || {}, {xpath: xpath(el)});
  const dom = [];
  for (const el of document.querySelectorAll('a[href], button, input, select, textarea, [role=button], [role=link], [role=checkbox], [role=radio], [role=combobox], [role=textbox], [role=option], [role=tab]')) {
    if (!shown(el) || (el.type === 'hidden')) continue;
    const r = record(el, el.tagName.toLowerCase());
    if (['input', 'textarea'].includes(r.tag)) { const l = fieldLabel(el); if (l) r.attributes._label = l; }
    dom.push(r);
  }
  for (const el of document.querySelectorAll('span, div')) {
    if (!shown(el) || !/input|editable/i.test(el.className || '')) continue;
    const r = record(el, el.tagName.toLowerCase(), {is_enabled: true});
    delete r.xpath; r.is_editable_field = true; r.xpath = xpath(el); dom.push(r);
  }
  let texts = [];
  for (const el of document.querySelectorAll('h1, h2, h3, h4, h5, h6, p, span, label, li, td, th, a, button, div')) {
    if (!shown(el)) continue; const text = (el.innerText || '').trim(); if (!text) continue;
    const a = {}; for (const n of ['id', 'class', 'href', 'aria-label']) if (el.hasAttribute(n)) a[n] = el.getAttribute(n);
    texts.push({tag: el.tagName.toLowerCase(), text, has_direct_text: Array.from(el.childNodes).some(n => n.nodeType === 3 && n.textContent.trim()),
      attributes: a, bounding_box: box(el), is_visible: true, is_enabled: true, xpath: xpath(el)});
  }
  const area = (t) => t.bounding_box.width * t.bounding_box.height;
  const overlap = (a, b) => a.x < b.x + b.width && a.x + a.width > b.x && a.y < b.y + b.height && a.y + a.height > b.y;
  texts = texts.filter(t => t.has_direct_text || !texts.some(o => o !== t && area(o) < area(t) && overlap(o.bounding_box, t.bounding_box) && t.text.includes(o.text)));
  const labels = texts.filter(t => t.text.length <= 60 && t.bounding_box.height <= 40);
  for (const d of dom) {
    if (d.attributes._label) continue; let best = '', dist = Infinity; const b = d.bounding_box;
    for (const c of labels) { const cb = c.bounding_box; const bottom = cb.y + cb.height;
      if (bottom > b.y || cb.x > b.x + b.width || cb.x + cb.width < b.x) continue;
      if (b.y - bottom < dist) { dist = b.y - bottom; best = c.text; } }
    if (best) d.attributes._label = best;
  }
  return [dom, texts];
}
"""


def harvest(page):
    """(descriptors, text elements) of the page as the agent sees them."""
    try:
        from kelvo_web.engine.browser.harvester import DOMParser
    except ImportError:
        dom, texts = page.evaluate(_HARVEST_JS)
        return dom, texts
    return DOMParser(page).extract_interactable_elements()


@pytest.fixture
def open_page(page):
    """Opens one of the fixture pages in the real browser."""
    def open_(name):
        page.goto((PAGES / name).as_uri())
        return page
    return open_
