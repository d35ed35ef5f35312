#!/bin/bash
# virmeya-cli effect and thumbnails: the colour effects by number and by caption, the area masks and
# overlays read from the content root, one-line errors without output for missing content, usage
# errors, a batch with its progress lines, and a strip of thumbnails.
source "$(dirname "$0")/lib.bash"

# A 40 × 30 colour picture as binary PPM, and a uniform 8 × 6 one.
python3 - "$dir/in.ppm" "$dir/flat.ppm" <<'PY'
import sys
w, h = 40, 30
data = bytearray()
for y in range(h):
    for x in range(w):
        data += bytes(((x * 6) % 256, (y * 8) % 256, (x * y) % 256))
open(sys.argv[1], "wb").write(b"P6\n%d %d\n255\n" % (w, h) + data)
open(sys.argv[2], "wb").write(b"P6\n8 6\n255\n" + bytes((255, 180, 0)) * 48)
PY

size_of() { "$cli" info "$1" | sed -n 's/.*"width":\([0-9]*\),"height":\([0-9]*\).*/\1x\2/p'; }

# A content root of our own: overlays and masks are recognised by content, so PNG data under the
# ".jpg" names keeps the pixels exact.
content="$dir/content"
mkdir -p "$content/Data/Full/Gradients" "$content/Data/Small/Gradients" "$content/Area"
"$cli" convert "$dir/flat.ppm" "$dir/flat.png" || fail "convert"
cp "$dir/flat.png" "$content/Data/Full/Gradients/3.jpg"
cp "$dir/flat.png" "$content/Data/Small/Gradients/3.jpg"
cp "$dir/flat.png" "$content/Area/Down.jpg"

# Every colour effect runs, by number and by caption, and keeps the size.
for item in 0 1 3 4; do
  "$cli" effect --category 0 --item $item --variant 2 --content "$content" "$dir/in.ppm" "$dir/c$item.png" 2>"$dir/err" ||
    fail "colour item $item: $(cat "$dir/err")"
  [ "$(size_of "$dir/c$item.png")" = "40x30" ] || fail "colour item $item: wrong size"
done
"$cli" effect --category Цветовые --item Насыщенность --variant 2 "$dir/in.ppm" "$dir/byname.png" || fail "by caption"
cmp -s "$dir/c3.png" "$dir/byname.png" || fail "caption and number give different pictures"
# "Насыщенность" variant 2 is the saturation operation by −60.
"$cli" op AdjustSaturation amount=-60 "$dir/in.ppm" "$dir/op.png" || fail "op"
cmp -s "$dir/c3.png" "$dir/op.png" || fail "effect differs from AdjustSaturation −60"
# Variant 5 leaves the photo as it is.
"$cli" effect --category 0 --item 3 --variant 5 "$dir/in.ppm" "$dir/same.png" || fail "variant 5"
"$cli" convert "$dir/in.ppm" "$dir/in.png"
cmp -s "$dir/same.png" "$dir/in.png" || fail "saturation variant 5 changed the photo"
# Without --variant the last thumbnail applies; --opacity 0 changes nothing.
"$cli" effect --category 0 --item 3 "$dir/in.ppm" "$dir/last.png" || fail "default variant"
"$cli" effect --category 0 --item 3 --variant 13 --opacity 0 "$dir/in.ppm" "$dir/v13.png" || fail "variant 13"
cmp -s "$dir/last.png" "$dir/v13.png" || fail "default variant is not the last"

# Gradient 3 from the content root; with GradientNat the full-size set through the offset tint.
"$cli" effect --category 0 --item 2 --variant 3 --content "$content" "$dir/in.ppm" "$dir/g.png" 2>"$dir/err" ||
  fail "gradient: $(cat "$dir/err")"
"$cli" effect --category 0 --item 2 --variant 3 --set GradientNat=1 --area 1 --content "$content" "$dir/in.ppm" "$dir/gn.png" 2>"$dir/err" ||
  fail "gradient with GradientNat and area: $(cat "$dir/err")"

expect_error() {  # code args...
  local want=$1; shift
  "$cli" effect "$@" "$dir/in.ppm" "$dir/bad.png" 2>"$dir/err"
  local rc=$?
  [ $rc -eq "$want" ] || fail "effect $*: exit $rc, expected $want"
  [ "$(wc -l < "$dir/err")" -eq 1 ] || fail "effect $*: message is not one line: $(cat "$dir/err")"
  [ ! -e "$dir/bad.png" ] || fail "effect $*: wrote an output"
}
# Missing content: one line naming the file, nothing written.
expect_error 2 --category 0 --item 0 --area 2 --content "$content"
grep -q 'Up.jpg' "$dir/err" || fail "missing mask not named: $(cat "$dir/err")"
expect_error 2 --category 0 --item 2 --variant 4 --content "$content"
grep -q '4.jpg' "$dir/err" || fail "missing overlay not named: $(cat "$dir/err")"
expect_error 2 --category 2 --item 0
# Usage errors.
expect_error 1 --category 0 --item 0 --variant 14
expect_error 1 --category 0 --item 9
expect_error 1 --category 8 --item 0
expect_error 1 --category 0 --item 0 --set NoSuchControl=1
expect_error 1 --category 0 --item 0 --set SvetBrid=101
expect_error 1 --category 0 --item 0 --area 7
expect_error 1 --item 0

# A batch: one progress line per photo on stderr, the outputs under their own names.
cp "$dir/in.ppm" "$dir/second.ppm"
"$cli" effect --category 0 --item 4 --output-dir "$dir/batch" "$dir/in.ppm" "$dir/second.ppm" 2>"$dir/err" || fail "batch"
[ -e "$dir/batch/in.ppm" ] && [ -e "$dir/batch/second.ppm" ] || fail "batch outputs missing"
grep -q '\[2/2\]' "$dir/err" || fail "batch progress missing: $(cat "$dir/err")"

# The strip: fourteen thumbnails, the longer side 200.
"$cli" thumbnails --category 0 --item 0 "$dir/in.ppm" "$dir/strip" 2>"$dir/err" || fail "thumbnails: $(cat "$dir/err")"
[ "$(ls "$dir/strip" | wc -l)" -eq 14 ] || fail "thumbnails: $(ls "$dir/strip" | wc -l) files"
[ "$(size_of "$dir/strip/13.png")" = "200x150" ] || fail "thumbnail size $(size_of "$dir/strip/13.png")"
"$cli" thumbnails --category 3 --item 3 "$dir/in.ppm" "$dir/panel" 2>"$dir/err"
[ $? -eq 1 ] || fail "a panel effect has no thumbnails"

[ $failures -eq 0 ] && echo "effects_cli: all passed"
exit $failures
