#!/usr/bin/env bash
# Installs the dependencies, builds and runs every test: the Release build, then the same tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, then the formatting check.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
scripts/build.sh build Release -DORNAPLEX_TESTS=ON -DORNAPLEX_BENCH=ON -DORNAPLEX_PYTHON=ON
ctest --test-dir build --output-on-failure -j "$(nproc)" --timeout 600
# The Python module stays out of the sanitized build: a plain interpreter cannot load it.
scripts/build.sh build-asan RelWithDebInfo -DORNAPLEX_SANITIZE=ON -DORNAPLEX_TESTS=ON \
  -DORNAPLEX_BENCH=OFF -DORNAPLEX_PYTHON=OFF
ASAN_OPTIONS=detect_leaks=1 ORNAPLEX_SANITIZED=1 \
  ctest --test-dir build-asan --output-on-failure -j "$(nproc)" --timeout 900
scripts/check-format.sh
