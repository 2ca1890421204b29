"""Snapshot files: written only when switched on, named from the time and the address,
byte for byte what Python's json.dump writes, and never left half-written."""

import json
import os
import re
import subprocess
import sys
import time

import pytest

from kelvo_web.engine import settings
from kelvo_web.engine.browser.harvester import DOMParser


class StaticPage:
    """A page with nothing on it but an address."""

    def __init__(self, url="http://example.test/"):
        self.url = url

    def query_selector_all(self, selector):
        return []

    def query_selector(self, selector):
        return None

    def evaluate(self, script):
        return []


def python_json(url, elements, text_elements):
    return json.dumps({"url": url, "elements": elements, "text_elements": text_elements}, indent=2, ensure_ascii=True)


def test_nothing_happens_when_snapshots_are_off(monkeypatch, tmp_path, capsys):
    monkeypatch.setattr(settings, "SAVE_SNAPSHOTS", "")
    monkeypatch.setattr(settings, "LOG_PATH", str(tmp_path / "logs"))
    DOMParser(StaticPage()).extract_interactable_elements()
    assert not (tmp_path / "logs").exists()
    assert capsys.readouterr().out == ""


def test_harvest_snapshot_matches_pythons_json_dump(page, snapshots, capsys):
    page.set_content(
        '<h1 style="width:8px">Prix 8 \u20ac \U0001f600</h1><button data-x="\\&quot;">Pay</button>'
        '<div style="cursor:pointer">Caf\u00e9</div>'
    )
    elements, texts = DOMParser(page).extract_interactable_elements()
    (path,) = snapshots.iterdir()
    written = path.read_text(encoding="ascii")
    assert written == python_json(page.url, elements, texts)
    assert "\\u20ac" in written and "\\ud83d\\ude00" in written
    assert capsys.readouterr().out == f"  [DOM snapshot saved \u2192 {snapshots}/{path.name}]\n"


ODD_VALUES = [
    0.1,
    8.0,
    -0.0,
    1e16,
    1e15,
    1e-05,
    0.0001,
    123456789012.75,
    1.5e300,
    5e-324,
    2.5e-07,
    float("nan"),
    float("inf"),
    float("-inf"),
    0,
    -3,
    2**62,
    "",
    'quote " backslash \\ slash /',
    "\t\n\r\b\f\x00\x1f\x7f",
    "\u00e9\u2028\uffff",
    "\U0001f600\U00010000",
    True,
    False,
    None,
    [],
    {},
    [[]],
    {"nested": {"deeper": [1, {"k": []}]}},
]


def test_snapshot_writer_agrees_with_json_dump_on_odd_values(snapshots):
    elements = [{"value": v} for v in ODD_VALUES]
    parser = DOMParser(StaticPage())
    parser._save_snapshot(elements, [{"\u00fc\U0001f600": "key"}])
    (path,) = snapshots.iterdir()
    assert path.read_text(encoding="ascii") == python_json(
        "http://example.test/", elements, [{"\u00fc\U0001f600": "key"}]
    )


@pytest.mark.parametrize(
    "url, slug",
    [
        ("http://localhost:8080/login?next=/home#top", "http_localhost:8080_login?next=_home#top"),
        ("https://example.com/", "https_example.com_"),
        ("about:blank", "about:blank"),
        ("https://example.com/" + "a" * 100, ("https_example.com_" + "a" * 100)[:60]),
        ("https://example.com/caf\u00e9" * 5, ("https_example.com_caf\u00e9" + "https_example.com_caf\u00e9" * 4)[:60]),
    ],
)
def test_file_name_is_time_stamp_and_url_slug(snapshots, url, slug):
    DOMParser(StaticPage(url))._save_snapshot([], [])
    (path,) = snapshots.iterdir()
    assert re.fullmatch(r"\d{8}_\d{6}_" + re.escape(slug) + r"\.json", path.name)
    assert len(path.name) == 15 + 1 + len(slug) + 5


def test_settings_are_read_at_every_harvest(monkeypatch, tmp_path, capsys):
    parser = DOMParser(StaticPage())
    monkeypatch.setattr(settings, "LOG_PATH", str(tmp_path / "first"))  # no trailing separator
    monkeypatch.setattr(settings, "SAVE_SNAPSHOTS", False)
    parser.extract_interactable_elements()
    monkeypatch.setattr(settings, "SAVE_SNAPSHOTS", 1)
    parser.extract_interactable_elements()
    monkeypatch.setattr(settings, "LOG_PATH", tmp_path / "second" / "deeper")  # a Path works too
    parser.extract_interactable_elements()
    assert sorted(p.parent.name for p in tmp_path.glob("**/*.json")) == ["deeper", "first"]
    assert capsys.readouterr().out.count("DOM snapshot saved") == 2


def test_failing_directory_creation_ends_the_harvest(monkeypatch, tmp_path):
    blocker = tmp_path / "file"
    blocker.write_text("not a folder")
    monkeypatch.setattr(settings, "SAVE_SNAPSHOTS", True)
    monkeypatch.setattr(settings, "LOG_PATH", str(blocker / "logs"))
    with pytest.raises(OSError):
        DOMParser(StaticPage()).extract_interactable_elements()


WRITE_LIMITED = """
import os, resource, signal, sys
from kelvo_web.engine import settings
from kelvo_web.engine.browser.harvester import DOMParser

class Page:
    url = "http://example.test/big"

signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
resource.setrlimit(resource.RLIMIT_FSIZE, (4096, resource.RLIM_INFINITY))
settings.SAVE_SNAPSHOTS = True
settings.LOG_PATH = sys.argv[1]
try:
    DOMParser(Page())._save_snapshot([{"text": "x" * 100}] * 200, [])
except OSError as error:
    print(type(error).__name__, error.errno)
"""


def test_write_failing_half_way_leaves_no_partial_file(tmp_path):
    done = subprocess.run(
        [sys.executable, "-c", WRITE_LIMITED, str(tmp_path)], capture_output=True, text=True, timeout=60
    )
    assert done.stdout.split() == ["OSError", str(__import__("errno").EFBIG)], done.stderr
    assert os.listdir(tmp_path) == []


def test_a_taken_name_is_numbered_never_replaced(snapshots):
    now = time.time()
    for second in (now, now + 1):  # whichever second the write falls in, a folder holds the name
        stamp = time.strftime("%Y%m%d_%H%M%S", time.localtime(second))
        (snapshots / f"{stamp}_http_example.test_.json").mkdir(parents=True)
    DOMParser(StaticPage())._save_snapshot([], [])
    (written,) = [p for p in snapshots.iterdir() if p.is_file()]
    assert re.fullmatch(r"\d{8}_\d{6}_http_example\.test_\.2\.json", written.name)
    assert json.loads(written.read_text())["url"] == "http://example.test/"
    assert not [p for p in snapshots.iterdir() if p.name.endswith(".tmp")]


SAVE_MANY = """
import sys
from kelvo_web.engine import settings
from kelvo_web.engine.browser.harvester import DOMParser

class Page:
    url = "http://example.test/list"

settings.SAVE_SNAPSHOTS = True
settings.LOG_PATH = sys.argv[1]
parser = DOMParser(Page())
for n in range(20):
    parser._save_snapshot([{"reading": n, "worker": sys.argv[2]}], [])
"""


def test_readings_of_one_second_from_two_workers_are_all_kept(tmp_path):
    workers = [
        subprocess.Popen([sys.executable, "-c", SAVE_MANY, str(tmp_path), name], stdout=subprocess.DEVNULL)
        for name in ("a", "b")
    ]
    assert [w.wait(timeout=60) for w in workers] == [0, 0]
    readings = {
        (d["elements"][0]["worker"], d["elements"][0]["reading"])
        for d in (json.loads(p.read_text()) for p in tmp_path.iterdir())
    }
    assert len(readings) == 40 and len(list(tmp_path.iterdir())) == 40
    assert all(re.fullmatch(r"\d{8}_\d{6}_http_example\.test_list(\.\d+)?\.json", p.name) for p in tmp_path.iterdir())
