"""The agent's step against the Playwright locator a tester would derive from the same words,
on every page of ../shared/pages.

For each page, up to --controls named controls are taken from the page itself: buttons and
links by their visible name (Playwright: get_by_role(role, name=..., exact=True)) and text
fields by their label (get_by_label(..., exact=True)), buttons and fields before links (a link leaves the page), each only when that locator finds
exactly one visible element. Each control's step runs through the agent (click NAME / type
VALUE into LABEL, a value the field's type takes) and through the locator (click / fill), on the same page, loaded afresh
before every timed action (a click may leave the page), rounds interleaved so load on the
machine falls on both alike. Per page: the medians of the agent's steps and of the
locators' actions, and their ratio; overall, the median of those ratios.

Run: .venv/bin/python bench/shared_steps.py [--rounds 9] [--controls 3] [--pages SUBSTRING]
"""

import argparse
import functools
import http.server
import pathlib
import statistics
import threading
import time

from kelvo_web import WebAgent

PAGES = pathlib.Path(__file__).resolve().parents[1].parent / "shared" / "pages"
TARGET = 1.2  # the agent's median against the locator's, per page and overall

# Named controls of a page, as a tester reads them: a button or link by its one-line text,
# a text field by its label's text.
CONTROLS_JS = """() => {
  const clean = (s) => (s || '').replace(/\\s+/g, ' ').trim();
  const shown = (el) => { const r = el.getBoundingClientRect(); return r.width > 0 && r.height > 0 &&
                          getComputedStyle(el).visibility !== 'hidden'; };
  const out = [];
  for (const el of document.querySelectorAll('button, a[href], input[type=submit], input[type=button]')) {
    const name = clean(el.innerText || el.value);
    if (!shown(el) || !name || name.length > 40 || /[\\n"]/.test(name)) continue;
    // A link to another site leaves for a network this machine may not reach: both sides
    // would time the wait for it, not the step.
    if (el.tagName === 'A' && el.host !== location.host) continue;
    out.push({ kind: el.tagName === 'A' ? 'link' : 'button', name });
  }
  // Buttons and fields first: a link leaves the page, and its time is the next page's too.
  out.sort((a, b) => (a.kind === 'link') - (b.kind === 'link'));
  for (const el of document.querySelectorAll('input, textarea')) {
    const type = (el.getAttribute('type') || 'text').toLowerCase();
    if (!['text', 'email', 'password', 'search', 'tel', 'url', 'number'].includes(type) && el.tagName !== 'TEXTAREA') continue;
    const label = el.labels && el.labels[0] ? clean(el.labels[0].innerText) : '';
    if (!shown(el) || !label || label.length > 40 || /"/.test(label)) continue;
    out.push({ kind: 'field', name: label, value: type === 'number' ? '42' : type === 'email' ? 'ada@example.com' :
                                                   type === 'url' ? 'https://example.com' : 'hello' });
  }
  return out;
}"""


def serve(root):
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=str(root)))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def locator_of(page, control):
    if control["kind"] == "field":
        return page.get_by_label(control["name"], exact=True)
    return page.get_by_role(control["kind"], name=control["name"], exact=True)


def chosen_controls(page, count):
    """Up to `count` controls whose locator finds one visible element, in page order."""
    chosen, seen = [], set()
    for control in page.evaluate(CONTROLS_JS):
        key = (control["kind"], control["name"])
        if key in seen:
            continue
        seen.add(key)
        found = locator_of(page, control)
        try:
            if found.count() == 1 and found.is_visible():
                chosen.append(control)
        except Exception:
            continue
        if len(chosen) == count:
            break
    return chosen


def load(page, url):
    """The page afresh; a navigation the last click began may still be under way."""
    for _ in range(3):
        try:
            page.goto(url, wait_until="domcontentloaded", timeout=10000)
            return
        except Exception as error:
            failure = error
            page.wait_for_timeout(200)
    raise failure


def timed(page, url, action):
    """Seconds one action takes on the page loaded afresh (the load is not counted)."""
    load(page, url)
    started = time.perf_counter()
    action()
    return time.perf_counter() - started


def main():
    options = argparse.ArgumentParser(description=__doc__)
    options.add_argument("--rounds", type=int, default=9)
    options.add_argument("--controls", type=int, default=3)
    options.add_argument("--pages", default="", help="only pages whose path contains this")
    arguments = options.parse_args()
    if not PAGES.is_dir():
        print(f"{PAGES} is absent: nothing to measure")
        return 0
    server = serve(PAGES)
    base = f"http://127.0.0.1:{server.server_address[1]}/"
    agent = WebAgent()
    page = agent.page
    print(f"median of {arguments.rounds} interleaved rounds per control; the page is loaded afresh before each action")
    print(f"{'page':<70} {'steps':>5} {'agent':>9} {'locator':>9} {'ratio':>7}")
    ratios = []
    for path in sorted(PAGES.rglob("*.html")):
        relative = path.relative_to(PAGES).as_posix()
        if arguments.pages not in relative:
            continue
        url = base + relative
        try:
            load(page, url)
            controls = chosen_controls(page, arguments.controls)
        except Exception as error:
            print(f"{relative:<70} skipped: {str(error).splitlines()[0][:60]}")
            continue
        if not controls:
            print(f"{relative:<70} {0:>5}  no named control a locator finds once")
            continue
        agent_times, locator_times = [], []
        for control in controls:
            name = control["name"]
            value = control.get("value")
            step = f"type {value} into {name}" if value else f"click {name}"
            by_agent = functools.partial(agent.run, step)
            located = locator_of(page, control)
            by_locator = (lambda found=located: found.fill(value)) if value else located.click
            try:
                timed(page, url, by_agent)
                timed(page, url, by_locator)  # warm-up: first reading, first resolution
                for _ in range(arguments.rounds):
                    agent_times.append(timed(page, url, by_agent))
                    locator_times.append(timed(page, url, by_locator))
            except Exception as error:
                print(f"  {step!r}: {str(error).splitlines()[0][:90]}")
        if not agent_times:
            continue
        a, p = statistics.median(agent_times), statistics.median(locator_times)
        ratios.append(a / p)
        flag = "" if a / p <= TARGET else "   over the target"
        print(f"{relative:<70} {len(controls):>5} {a * 1000:7.1f}ms {p * 1000:7.1f}ms {a / p:6.2f}x{flag}")
    agent.close()
    server.shutdown()
    if ratios:
        overall = statistics.median(ratios)
        print(f"{'all pages (median of the ratios)':<70} {'':>5} {'':>9} {'':>9} {overall:6.2f}x   (target: at most {TARGET})")
    return 0


if __name__ == "__main__":
    raise SystemExit(main())
