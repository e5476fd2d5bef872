#!/usr/bin/env bash
# photoreel effect and photoreel gallery end to end: frames of a slot at
# several elapsed times are PNG files of the stage size whose first frame is
# the outgoing picture and whose last is the incoming one (pictures of stage
# size pass through the fitting unchanged); bad requests fail with a reason;
# the gallery sheet opens as a PNG and its page names every slot.
set -u
photoreel=$1
fail() { echo "FAIL: $*"; exit 1; }
for tool in convert identify compare; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || fail "no work directory"

# Differences between two pictures, in pixels.
differing() { compare -metric AE "$1" "$2" null: 2>&1; }

convert -size 64x48 gradient:red-blue -depth 8 from.png
convert -size 64x48 -seed 3 plasma:fractal -depth 8 to.png

# slot  fuzz of the first frame (the cross-fade starts within 2 of the
# outgoing picture; every other one starts on it exactly)
while read -r slot fuzz name; do
  rm -f f-*.png
  "$photoreel" effect --slot "$slot" --from from.png --to to.png --size 64x48 \
    --duration 800 --at 0,200,400,800 -o 'f-%02d.png' 2>err.txt || fail "$name: $(cat err.txt)"
  for i in 00 01 02 03; do
    [ "$(identify -format '%wx%h' "f-$i.png")" = 64x48 ] || fail "$name: frame $i is not 64x48"
  done
  [ "$(compare -metric AE -fuzz "$fuzz" from.png f-00.png null: 2>&1)" = 0 ] ||
    fail "$name: elapsed 0 is not the outgoing picture"
  [ "$(differing to.png f-03.png)" = 0 ] || fail "$name: the end is not the incoming picture"
  [ "$(differing from.png f-02.png)" != 0 ] && [ "$(differing to.png f-02.png)" != 0 ] ||
    fail "$name: half way shows only one picture"
done <<'SLOTS'
41 1% cross-fade
43 0 soft-spiral
45 0 pinwheel
49 0 push-up
53 0 slide-in-up
57 0 wipe-up
61 0 through-black-left
65 0 box-in
67 0 soft-wipe-up
71 0 strip-push-vertical
75 0 strip-wipe-vertical
77 0 blinds-up
81 0 smear-down
SLOTS

# A JPEG goes through our decoder; a lossy picture, so within 3%.
convert -size 64x48 gradient:yellow-black -quality 95 from.jpg
"$photoreel" effect --slot 57 --from from.jpg --to card:black --size 64x48 --at 0 -o j.png ||
  fail "JPEG source refused"
[ "$(compare -metric AE -fuzz 3% from.jpg j.png null: 2>&1)" = 0 ] || fail "JPEG picture differs"

# A picture of another shape is letterboxed: the bars are black.
convert -size 32x48 xc:white -depth 8 tall.png
"$photoreel" effect --slot 57 --from tall.png --to card:white --size 64x48 --at 0 -o tall-0.png ||
  fail "tall picture refused"
[ "$(convert tall-0.png -format '%[pixel:p{0,24}]' info:)" = "srgb(0,0,0)" ] ||
  fail "letterbox bar is not black"
[ "$(convert tall-0.png -format '%[pixel:p{32,24}]' info:)" = "srgb(255,255,255)" ] ||
  fail "letterboxed picture is not in the middle"

# --name finds the slot --slot names; the seed makes the random slot repeat.
"$photoreel" effect --name "cross fade" --size 32x24 --at 300 -o by-name.png || fail "--name refused"
"$photoreel" effect --slot 41 --size 32x24 --at 300 -o by-slot.png || fail "--slot 41 refused"
cmp -s by-name.png by-slot.png || fail "--name \"cross fade\" is not slot 41"
"$photoreel" effect --slot 98 --seed 5 --size 32x24 --at 400 -o r1.png || fail "random slot"
"$photoreel" effect --slot 98 --seed 5 --size 32x24 --at 400 -o r2.png || fail "random slot"
cmp -s r1.png r2.png || fail "the same seed drew different frames"

# Refusals: exit 1 with a reason, or (options the parser refuses) its own
# non-zero code.
expect_failure() {
  local code=$1; shift
  "$photoreel" effect "$@" >out.txt 2>err.txt
  local got=$?
  if [ "$code" = parser ]; then
    [ "$got" != 0 ] || fail "effect $*: accepted"
  else
    [ "$got" = "$code" ] || fail "effect $*: exit $got, expected $code"
  fi
  [ -s err.txt ] || [ -s out.txt ] || fail "effect $*: no reason given"
}
expect_failure 1 --name "no such transition"
expect_failure 1 --slot 0 --size 64by48
expect_failure 1 --slot 0 --from missing.png
expect_failure 1 --slot 0 --from err.txt
expect_failure 1 --slot 0 --at 0,100 -o fixed.png
expect_failure 1 --slot 0 -o 'f-%s.png'
expect_failure 1 --at 0
expect_failure parser --slot 99
expect_failure parser --slot 0 --duration 0
expect_failure parser --slot 0 --name "cross fade"

"$photoreel" gallery --cell 32x24 -o sheet.png 2>err.txt || fail "gallery: $(cat err.txt)"
identify sheet.png >/dev/null || fail "gallery sheet does not open"
[ "$(identify -format '%m' sheet.png)" = PNG ] || fail "gallery sheet is not a PNG"
# The first slot's name is drawn in light text above its frames.
[ "$(convert sheet.png -crop 120x14+4+3 +repage -format '%[fx:maxima>0.8]' info:)" = 1 ] ||
  fail "gallery sheet carries no name"
[ -s sheet.html ] || fail "gallery page missing"
grep -q 'sheet.png' sheet.html || fail "gallery page does not show the sheet"
for slot in 0 41 97; do
  grep -q "id=\"slot-$slot\"" sheet.html || fail "gallery page lacks slot $slot"
done
grep -q '>41 Cross fade<' sheet.html || fail "gallery page does not name slot 41"
echo PASS
