# make test: set up, build, run the C++ and Python tests. make demo: run the example suites.
VENV := .venv
PY := $(VENV)/bin/python
BUILD_DIR := build/dev
export CMAKE_BUILD_PARALLEL_LEVEL ?= 2

.PHONY: setup build wheel test test-core test-python demo bench format clean

setup:
	@bash scripts/setup.sh

# Builds the core, its unit tests and the extension module, and installs the package
# into the .venv; the build folder is kept, so a rebuild only compiles what changed.
build: setup
	@echo "Building the C++ core and the extension module into $(VENV) (a first build takes several minutes; later ones compile only what changed)"
	$(PY) -m pip install --no-build-isolation --no-deps -q \
	  -Cbuild-dir=$(BUILD_DIR) -Ccmake.define.KELVO_BUILD_TESTS=ON .

# A manylinux_2_17 wheel in dist/, compiled with zig for an old glibc, the C++ runtime and the
# core linked into the extension module (KELVO_WHEEL_TOOLCHAIN=system: the machine's g++ instead).
wheel: setup
	bash scripts/build_wheel.sh

test: build test-core test-python

test-core:
	$(VENV)/bin/ctest --test-dir $(BUILD_DIR) --output-on-failure -j2

test-python:
	$(PY) -m pytest -q

# Serves the demo shop on a free port, runs the example suites (Python tests and step files),
# writes test_report/report.html.
demo: build
	@echo "Running the example suites (examples/tests, examples/steps) against the demo shop"
	$(PY) examples/run_demo.py

# Formats the C++ (clang-format, .clang-format) and the Python (ruff, pyproject.toml) in place,
# then lists what ruff still finds; the tools come from PyPI into the .venv on first use.
format: setup
	@$(PY) -m pip install -q clang-format ruff
	git ls-files '*.cpp' '*.h' | grep -v unicode_tables.h | xargs $(VENV)/bin/clang-format -i
	$(VENV)/bin/ruff check --fix -q .
	$(VENV)/bin/ruff format -q .

clean:
	rm -rf build
