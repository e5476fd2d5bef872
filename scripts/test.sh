#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the release build
# (unit, integration and lint tests), then the AddressSanitizer + UBSan build.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
jobs=$(nproc)

cmake --preset release >/dev/null
cmake --build --preset release -j "$jobs"
ctest --preset release -j "$jobs"

cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
# The windowed tests under Xvfb run in the release build only: the X11, D-Bus
# and GL libraries SDL loads keep memory for the life of the process.
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --preset asan -j "$jobs" -E '^(lint|.*xvfb)$'
