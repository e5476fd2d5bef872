#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the release build
# (unit, integration and lint tests), then the AddressSanitizer + UBSan build,
# then ThreadSanitizer over the threaded show tests.
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

# ThreadSanitizer over the threads of a show: player, preparation, timer,
# music, clips and the headless platform's clock and sink. Only the targets these
# tests need are built.
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs" \
  --target playback_show_tests clip_show_tests clip_tests media_tests platform_tests audio_tests
ctest --preset tsan -j "$jobs" \
  -R '^(Show|Clip|Music|VirtualClock[.]|PeriodicTimer[.]|HeadlessPlatform[.]|ProcessLauncher[.]|Audio)'
