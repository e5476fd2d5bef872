#!/usr/bin/env bash
# Installs what is missing, builds the release viewer and plays a film:
# the bundled demo film, or the arguments given (e.g. a .flz file).
# Without a display it plays on a virtual X display (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target photoreel -j "$(nproc)"

viewer=build/release/photoreel
if (($# == 0)); then
  if [[ -f data/demo/demo.flz ]]; then
    set -- data/demo/demo.flz
  else
    echo "run: no demo film is bundled yet; starting the viewer without one (Esc ends it)" >&2
  fi
fi
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  echo "run: no display; playing on a virtual X display" >&2
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$viewer" "$@"
fi
exec "$viewer" "$@"
