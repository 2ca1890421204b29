#!/usr/bin/env bash
# Installs what the build, the tests and the demo need: Debian packages, a .venv and the
# Python dependencies. Safe to run again: it only does what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

apt_packages=(g++ make python3-venv nlohmann-json3-dev libsimdjson-dev libgtest-dev chromium fonts-dejavu-core)
missing=()
for package in "${apt_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  echo "Installing Debian packages: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ ! -x .venv/bin/python ]; then
  echo "Creating the .venv"
  python3 -m venv .venv
fi
stamp=.venv/.requirements-installed
if [ ! -f "$stamp" ] || ! cmp -s requirements-dev.txt "$stamp"; then
  echo "Installing the Python packages of requirements-dev.txt into .venv"
  .venv/bin/python -m pip install -q --upgrade pip
  .venv/bin/python -m pip install -q -r requirements-dev.txt
  cp requirements-dev.txt "$stamp"
fi

# pytest-playwright beside the .venv, not in it: installed, it takes over every browser test,
# so only the tests of running beside it put this folder on their path.
side=.venv/beside/pytest-playwright
if [ ! -d "$side/pytest_playwright" ]; then
  echo "Installing pytest-playwright into $side (for the tests that run beside it)"
  .venv/bin/python -m pip install -q --no-deps --target "$side" "pytest-playwright>=0.5" pytest-base-url python-slugify text-unidecode
fi
