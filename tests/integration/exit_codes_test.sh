#!/usr/bin/env bash
# Every subcommand answers with the same exit codes (0 done, 2 usage, 3 bad
# input, 4 failed output), prints help and version on stdout, and says what
# went wrong in one line on stderr.
set -u
photoreel=$1
fail() { echo "FAIL: $*"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
convert -size 32x24 xc:green photo.jpg
"$photoreel" pack -o film.flz photo.jpg || fail "pack failed"
echo "not a film" >text.flz
touch a-file
# Nothing may land in the user's home, and temporary files go under $TMPDIR.
mkdir home tmp
export HOME=$work/home TMPDIR=$work/tmp
unset XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME

# expected-code | arguments (word-split)
while IFS='|' read -r code args; do
  code=${code// /}
  # shellcheck disable=SC2086
  "$photoreel" $args >out.txt 2>err.txt
  got=$?
  [[ $got -eq $code ]] || fail "photoreel $args: exit $got, not $code ($(cat err.txt))"
  if ((code == 0)); then
    [[ -s out.txt ]] || fail "photoreel $args printed nothing on stdout"
    [[ ! -s err.txt ]] || fail "photoreel $args wrote on stderr: $(cat err.txt)"
  else
    [[ $(wc -l <err.txt) -eq 1 ]] || fail "photoreel $args: stderr is not one line: $(cat err.txt)"
    [[ ! -s out.txt ]] || fail "photoreel $args wrote on stdout: $(cat out.txt)"
  fi
done <<'TABLE'
0 | --help
0 | --version
0 | info --help
0 | extract --help
0 | pack --help
0 | export --help
0 | info film.flz
2 | --bogus
2 | --frame-ms 0 film.flz
2 | --stage wide film.flz
2 | --windowed 12 film.flz
2 | info
2 | info --bogus film.flz
2 | extract film.flz
2 | pack photo.jpg
2 | export film.flz
2 | export film.flz -o out.mp4 --from-item 2
2 | pack -o out.flz --transition 200 photo.jpg
3 | info missing.flz
3 | info text.flz
3 | extract missing.flz out
3 | extract text.flz out
3 | pack -o out.flz missing.jpg
3 | pack -o out.flz text.flz
3 | pack -o out.flz --music missing.mp3 photo.jpg
3 | pack -o out.flz missing.json
3 | export missing.flz -o out.mp4
3 | export text.flz -o out.mp4
4 | pack -o no-such-dir/out.flz photo.jpg
4 | extract film.flz a-file/out
4 | export film.flz -o no-such-dir/out.mp4
4 | export film.flz --frames a-file/frames
TABLE

# A .flz that is no film, opened as from a file manager, is named on stderr
# and the viewer asks for a film instead (headless: nobody picks one); a
# film under any name plays without that line.
"$photoreel" --headless --quit-after 1000 text.flz >out.txt 2>err.txt
got=$?
[[ $got -eq 0 ]] || fail "playing a non-film .flz exited $got: $(cat err.txt)"
grep -qx "photoreel: text.flz is not a film package" err.txt || fail "non-film .flz: $(cat err.txt)"
cp film.flz film.dat
"$photoreel" --headless --quit-after 1000 film.dat >out.txt 2>err.txt
got=$?
[[ $got -eq 0 ]] || fail "playing a film named film.dat exited $got: $(cat err.txt)"
grep -q "not a film package" err.txt && fail "a film named film.dat was refused: $(cat err.txt)"

[[ -z $(ls -A home) ]] || fail "the home directory got: $(find home)"
[[ -z $(ls -A tmp) ]] || fail "temporary files were left: $(find tmp)"
exit 0
