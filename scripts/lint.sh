#!/usr/bin/env bash
# House rules that no compiler checks:
#  1. only src/platform includes the window, media, font and synthesis
#     libraries (SDL2, FFmpeg, FreeType, fontconfig, FluidSynth);
#  2. our sources are formatted with .clang-format (when clang-format is here).
set -euo pipefail
cd "$(dirname "$0")/.."

status=0
pattern='#\s*include\s*[<"](SDL2?/|SDL\.h|libav[a-z]+/|libsw[a-z]+/|ft2build\.h|freetype/|fontconfig/|fluidsynth)'
# bench/ may: its comparisons with FFmpeg's own filters link libavfilter.
if offenders=$(grep -rnE "$pattern" src tests bench fuzz tools 2>/dev/null | grep -vE '^(src/platform/|tests/platform/|bench/)'); then
  echo "lint: only src/platform may include SDL2, FFmpeg, FreeType, fontconfig or FluidSynth:"
  echo "$offenders"
  status=1
fi

# Code, comments, tests and file names speak as this system's own; they do
# not cite the design documents behind it.
doc_pattern='[s]pec\.md|[s]pecification|\bPart[s]? [0-9]+\.[0-9]+|shared/[s]pec'
if offenders=$(grep -rnIiE "$doc_pattern" src tests bench fuzz tools scripts 2>/dev/null | grep -v '^scripts/lint.sh'); then
  echo "lint: code and tests must not cite design documents:"
  echo "$offenders"
  status=1
fi

if command -v clang-format >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h' 2>/dev/null || find src tests bench fuzz tools -name '*.cpp' -o -name '*.h')
  unformatted=()
  for f in "${files[@]}"; do
    [[ -f "$f" ]] || continue
    if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
      unformatted+=("$f")
    fi
  done
  if ((${#unformatted[@]})); then
    echo "lint: not formatted (run: clang-format -i FILE):"
    printf '  %s\n' "${unformatted[@]}"
    status=1
  fi
fi

if ((status == 0)); then
  echo "lint: ok"
fi
exit $status
