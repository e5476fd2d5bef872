#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing, benchmarking and
# running Photoreel Player needs. Idempotent: packages already present are
# skipped, so a second run costs one dpkg query.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
  # window, input, audio
  libsdl2-dev
  # media backend
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libswscale-dev
  # fonts
  libfreetype-dev libfontconfig-dev fonts-liberation fonts-dejavu-core
  # metric-compatible stand-ins for the Windows faces titles name, and CJK
  fonts-liberation2 fonts-crosextra-carlito fonts-crosextra-caladea fonts-noto-cjk
  # MIDI synthesis and a General MIDI sound font
  libfluidsynth-dev timgm6mb-soundfont
  # command line, tests, benchmarks
  libcli11-dev nlohmann-json3-dev libgtest-dev libgmock-dev googletest libbenchmark-dev
  # FFmpeg's filters, the yardstick of the transition benchmarks
  libavfilter-dev
  # test oracles and independent tools used only by tests and benchmarks
  libturbojpeg0-dev libstb-dev libjpeg-turbo-progs python3 python3-olefile libgsf-bin imagemagick
  ffmpeg espeak-ng
  # window tests without a display
  xvfb xauth xdotool x11-utils
  # desktop integration checks: desktop entry, MIME type, man page, completion;
  # rsvg-convert lets ImageMagick render the icon's PNGs from its SVG
  desktop-file-utils libxml2-utils shared-mime-info xdg-utils libglib2.0-bin man-db groff-base
  bash-completion librsvg2-bin
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "install-deps: installing ${missing[*]}" >&2
sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
