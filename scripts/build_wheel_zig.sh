#!/usr/bin/env bash
# The portable build of build_wheel.sh with zig as compiler: it links against an older glibc
# (KELVO_GLIBC, default 2.28) than the build machine's, and its own libc++ statically, so the
# wheel gets an older manylinux tag. simdjson is compiled from its single-file source, taken
# from the pysimdjson source package, because the system's library is built for libstdc++.
set -euo pipefail
cd "$(dirname "$0")/.."
PY=.venv/bin/python
export KELVO_GLIBC="${KELVO_GLIBC:-2.28}"
export KELVO_ZIG_PYTHON="$PWD/$PY"
$PY -m ziglang version >/dev/null 2>&1 || { echo "ziglang is missing from the .venv: run make setup" >&2; exit 1; }
SIMDJSON_VERSION=7.0.2
src=build/wheel-zig-src
if [ ! -f "$src/simdjson/simdjson.cpp" ]; then
  rm -rf "$src" && mkdir -p "$src"
  # pip reads the package's metadata too, which builds its build requirements: once.
  $PY -m pip download -q --no-deps --no-binary :all: -d "$src" "pysimdjson==$SIMDJSON_VERSION"
  archive=$(ls "$src"/pysimdjson-*.tar.gz)
  tar -xzf "$archive" -C "$src" --strip-components=1 \
    "pysimdjson-$SIMDJSON_VERSION/simdjson/simdjson.cpp" "pysimdjson-$SIMDJSON_VERSION/simdjson/simdjson.h" \
    "pysimdjson-$SIMDJSON_VERSION/LICENSE"
fi
$PY -m pip wheel --no-build-isolation --no-deps -q -w dist/raw \
  -Cbuild-dir=build/wheel-zig \
  -Ccmake.define.KELVO_PORTABLE_WHEEL=ON -Ccmake.define.KELVO_ZIG_TOOLCHAIN=ON \
  -Ccmake.define.CMAKE_CXX_COMPILER="$PWD/scripts/zig/zig-c++" \
  -Ccmake.define.KELVO_SIMDJSON_SOURCE="$PWD/$src/simdjson" .
