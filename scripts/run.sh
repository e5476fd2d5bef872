#!/usr/bin/env bash
# Installs what is missing, builds the release viewer and plays a film:
# the demo film made at build time, or the arguments given (e.g. a .flz file).
# Without a display it plays on a virtual X display (Xvfb), where nothing
# can be seen; it says so.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target photoreel demo_film -j "$(nproc)"

viewer=build/release/photoreel
demo=build/release/demo/demo.flz
if (($# == 0)); then
  if [[ -f $demo ]]; then
    set -- "$demo"
  else
    echo "run: the demo film was not made (is ImageMagick's convert installed?); starting the viewer without one (Esc ends it)" >&2
  fi
fi
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  if ! command -v xvfb-run >/dev/null; then
    echo "run: there is no display (DISPLAY and WAYLAND_DISPLAY are unset) and no xvfb-run; cannot show the film" >&2
    exit 1
  fi
  echo "run: there is no display (DISPLAY and WAYLAND_DISPLAY are unset): playing on a virtual X display, where the show cannot be seen; Ctrl+C ends it" >&2
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$viewer" "$@"
fi
exec "$viewer" "$@"
