"""The .pyi stubs beside the binding modules describe the modules as built."""

import pathlib
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]


def test_every_stub_matches_its_built_module():
    run = subprocess.run(
        [sys.executable, str(ROOT / "scripts" / "make_stubs.py"), "--check"], capture_output=True, text=True
    )
    assert run.returncode == 0, run.stdout + run.stderr
