"""Writes the .pyi stub of every binding module (a submodule of kelvo_web._native) beside the
Python module at its public path in python/kelvo_web.

Run after a build, with the package installed: `.venv/bin/python scripts/make_stubs.py`.
With --check it writes nothing and exits 1 when a stub is missing or differs from the built module.
"""

import pathlib
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[1]


def modules():
    # Every submodule of the one extension module, by the public path its Python module has.
    from kelvo_web import _native

    return sorted(_native._PUBLIC_PATHS.values())


def stub_path(module):
    return ROOT / "python" / pathlib.Path(*module.split(".")).with_suffix(".pyi")


def generate(module, output):
    # Private names are part of these modules' interfaces (_parse_target, _norm, ...).
    subprocess.run([sys.executable, "-m", "nanobind.stubgen", "-q", "-P", "-m", module, "-o", str(output)], check=True)


def main(check):
    stale = []
    with tempfile.TemporaryDirectory() as scratch:
        for module in modules():
            fresh = pathlib.Path(scratch) / (module + ".pyi")
            generate(module, fresh)
            target = stub_path(module)
            text = fresh.read_text(encoding="utf-8")
            if check:
                if not target.exists() or target.read_text(encoding="utf-8") != text:
                    stale.append(str(target.relative_to(ROOT)))
            else:
                target.write_text(text, encoding="utf-8")
    if stale:
        print("stale stubs (run scripts/make_stubs.py):", *stale, sep="\n  ")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main("--check" in sys.argv[1:]))
