#!/usr/bin/env bash
# `cmake --install` into an empty root lays out exactly the desktop files, and
# each of them is accepted by the tool that reads it.
set -u
build=$1
source=$2
photoreel=$3
fail() { echo "FAIL: $*"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null || fail "cmake --install failed"

expected=(
  usr/bin/photoreel
  usr/share/applications/photoreel.desktop
  usr/share/mime/packages/photoreel.xml
  usr/share/icons/hicolor/scalable/apps/photoreel.svg
  usr/share/man/man1/photoreel.1
  usr/share/bash-completion/completions/photoreel
  usr/share/doc/photoreel/copyright
)
for size in 16 24 32 48 64 128 256; do
  expected+=("usr/share/icons/hicolor/${size}x${size}/apps/photoreel.png")
done
if [[ -f $source/data/demo/demo.flz ]]; then expected+=(usr/share/photoreel/demo.flz); fi
actual=$(cd "$root" && find . -type f | sed 's|^\./||' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
[[ $actual == "$wanted" ]] || fail "installed files differ: $(diff <(echo "$wanted") <(echo "$actual"))"
[[ -x $root/usr/bin/photoreel ]] || fail "the installed binary is not executable"
"$root/usr/bin/photoreel" --version >/dev/null || fail "the installed binary does not run"

for size in 16 24 32 48 64 128 256; do
  got=$(identify -format '%wx%h' "$root/usr/share/icons/hicolor/${size}x${size}/apps/photoreel.png")
  [[ $got == "${size}x${size}" ]] || fail "the ${size}px icon is $got"
done

share=$root/usr/share
out=$(desktop-file-validate "$share/applications/photoreel.desktop" 2>&1) ||
  fail "desktop-file-validate: $out"
grep -qx 'Exec=photoreel %f' "$share/applications/photoreel.desktop" || fail "Exec line"
grep -qx 'MimeType=application/x-photoreel-film;' "$share/applications/photoreel.desktop" ||
  fail "MimeType line"
xmllint --noout "$share/mime/packages/photoreel.xml" || fail "the MIME XML is not well formed"
out=$(update-mime-database "$share/mime" 2>&1) || fail "update-mime-database: $out"

# What a file manager would answer: by name, and by content for a film
# under another name; a plain compound file under another name is not ours.
convert -size 32x24 xc:red "$work/photo.jpg"
"$photoreel" pack -o "$work/film.flz" "$work/photo.jpg" || fail "pack failed"
cp "$work/film.flz" "$work/film-without-extension"
printf '\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1' >"$work/plain.bin"
head -c 504 /dev/zero >>"$work/plain.bin"
query() {
  HOME=$work XDG_CURRENT_DESKTOP=GNOME XDG_DATA_HOME=$share XDG_DATA_DIRS=$share:/usr/share \
    xdg-mime query filetype "$1"
}
while read -r file type; do
  got=$(query "$work/$file")
  [[ $got == "$type" ]] || fail "xdg-mime calls $file $got, not $type"
done <<'TABLE'
film.flz application/x-photoreel-film
film-without-extension application/x-photoreel-film
plain.bin application/x-ole-storage
TABLE

# The man page renders and names every option that --help lists.
page=$(MANWIDTH=100 man -l "$share/man/man1/photoreel.1" 2>&1) || fail "man -l failed: $page"
warnings=$(groff -man -Tutf8 -ww -z "$share/man/man1/photoreel.1" 2>&1)
[[ -z $warnings ]] || fail "groff warns: $warnings"
for command in "" info extract pack export effect gallery; do
  # shellcheck disable=SC2086
  for option in $("$photoreel" $command --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -q -- "$option" <<<"$page" || fail "the man page lacks ${command:-photoreel} $option"
  done
done
grep -q "EXIT STATUS" <<<"$page" || fail "the man page has no exit status"

# Bash completion offers the subcommands and every option of each.
complete_words() {
  bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
    COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _photoreel photoreel "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf "%s\n" "${COMPREPLY[@]}"' _ "$share/bash-completion/completions/photoreel" "$@"
}
offered=$(cd "$work" && complete_words photoreel "")
for command in info extract pack export effect gallery; do
  grep -qx "$command" <<<"$offered" || fail "completion does not offer $command: $offered"
done
for command in "" info extract pack export effect gallery; do
  # shellcheck disable=SC2086
  offered=$(complete_words photoreel $command -)
  # shellcheck disable=SC2086
  for option in $("$photoreel" $command --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    grep -qx -- "$option" <<<"$offered" || fail "completion lacks ${command:-photoreel} $option"
  done
done
offered=$(complete_words photoreel --stage "")
[[ $(echo $offered) == "fixed fill" ]] || fail "completion of --stage offers: $offered"
exit 0
