#!/bin/bash
# virmeya-cli op: every operation runs on a small picture, sizes follow the operation, and unknown
# names, unknown or out-of-range parameters are usage errors (exit 1).
source "$(dirname "$0")/lib.bash"

# A 40 × 30 colour picture as binary PPM.
python3 - "$dir/in.ppm" <<'PY'
import sys
w, h = 40, 30
data = bytearray()
for y in range(h):
    for x in range(w):
        data += bytes(((x * 6) % 256, (y * 8) % 256, (x * y) % 256))
open(sys.argv[1], "wb").write(b"P6\n%d %d\n255\n" % (w, h) + data)
PY

size_of() { "$cli" info "$1" | sed -n 's/.*"width":\([0-9]*\),"height":\([0-9]*\).*/\1x\2/p'; }

expect_size() {  # expected-size op args...
  local want=$1; shift
  if ! "$cli" op "$@" "$dir/in.ppm" "$dir/out.png" 2>"$dir/err"; then
    fail "op $* failed: $(cat "$dir/err")"; return
  fi
  local got; got=$(size_of "$dir/out.png")
  [ "$got" = "$want" ] || fail "op $*: size $got, expected $want"
}

expect_usage() {  # op args...
  "$cli" op "$@" "$dir/in.ppm" "$dir/bad.png" 2>"$dir/err"
  local rc=$?
  [ $rc -eq 1 ] || fail "op $*: exit $rc, expected 1"
  [ -s "$dir/err" ] || fail "op $*: no message"
  [ "$(wc -l < "$dir/err")" -eq 1 ] || fail "op $*: message is not one line"
  [ ! -e "$dir/bad.png" ] || fail "op $*: wrote an output"
}

# --list names every operation.
list=$("$cli" op --list) || fail "op --list failed"
for name in AdjustTint Colorize AdjustSaturation AdjustBrightnessContrastSaturation WhiteBalance_coef Contrast \
            IntensityRGBall ConvertToGray Negative Sobel BoxBlur ConvertToBWThreshold Blur Sharpen Flip Rotate Crop \
            ResampleNoFilter Resample HSLVariation SoftShadow InnerShadow Wave ConvertTo AutoLevels \
            AutoWhiteBalance Equalize AutoEnhance Wallis; do
  grep -q "^$name\$\|^$name " <<<"$list" || fail "--list lacks $name"
done
grep -q "filter=bilinear|bicubic|mitchell|hermite|bell|bspline|none" <<<"$list" || fail "--list lacks the filters"

# Size-keeping operations, with and without parameters; names ignore letter case.
expect_size 40x30 AdjustTint degrees=-195
expect_size 40x30 colorize hue=45 saturation=100 factor=1.5
expect_size 40x30 ADJUSTSATURATION amount=45
expect_size 40x30 AdjustBrightnessContrastSaturation brightness=70 contrast=60 saturation=120
expect_size 40x30 WhiteBalance_coef red=1.7 green=1.4 blue=1
expect_size 40x30 Contrast amount=-50
expect_size 40x30 IntensityRGBall red=-150 green=-150 blue=-110
for op in ConvertToGray Negative Sobel BoxBlur AutoLevels AutoWhiteBalance Equalize AutoEnhance Wallis; do
  expect_size 40x30 "$op"
done
expect_size 40x30 ConvertToBWThreshold threshold=-1
expect_size 40x30 Blur radius=2.5
expect_size 40x30 Sharpen intensity=10 neighbourhood=4
expect_size 40x30 Flip direction=vertical
expect_size 40x30 HSLVariation hue=90 saturation=-20 lightness=10
expect_size 40x30 InnerShadow radius=5 color=000000
expect_size 40x30 Wave amplitude=3 wavelength=9 phase=0 reflective=0
expect_size 40x30 ConvertTo colors=4

# Size-changing operations.
expect_size 30x40 Rotate angle=90
expect_size 40x30 Rotate angle=180 antialias=0
expect_size 50x50 Rotate angle=45 background=FF8000          # ⌈70 / √2⌉
expect_size 10x5 Crop x=30 y=25 width=100 height=100          # clipped to the picture
expect_size 13x7 ResampleNoFilter width=13 height=7
expect_size 20x15 Resample width=20 height=15 filter=mitchell
expect_size 80x60 Resample width=80 height=60 filter=BSpline
expect_size 90x80 SoftShadow radius=10 offsetx=0 offsety=0 color=000000 intensity=100  # e = 50

# The grey conversion's numbers: 40 × 30 picture, pixel (5, 2) = (30, 16, 10) → (630 + 1136 + 80) div 100 = 18.
"$cli" op ConvertToGray "$dir/in.ppm" "$dir/grey.ppm" || fail "grey"
python3 - "$dir/grey.ppm" <<'PY' || fail "grey value"
import sys
d = open(sys.argv[1], "rb").read()
body = d[d.index(b"255\n") + 4:]
i = (2 * 40 + 5) * 3
assert tuple(body[i:i + 3]) == (18, 18, 18), tuple(body[i:i + 3])
PY

# Usage errors.
expect_usage NoSuchOperation
expect_usage Blur sigma=3
expect_usage Blur radius=-1
expect_usage Blur radius=abc
expect_usage Resample width=0 height=10
expect_usage Resample width=10 height=10 filter=lanczos
expect_usage Crop x=1 y=1 width=5
expect_usage Rotate background=red
expect_usage Sharpen intensity=10 intensity=20
expect_usage ConvertTo colors=1
expect_usage Negative strength=5
"$cli" op >/dev/null 2>&1; [ $? -eq 1 ] || fail "op without arguments is not a usage error"

# Unreadable input and unwritable output.
"$cli" op Negative "$dir/none.ppm" "$dir/x.png" 2>/dev/null; [ $? -eq 2 ] || fail "missing input not exit 2"
"$cli" op Negative "$dir/in.ppm" "$dir/no/such/x.png" 2>/dev/null; [ $? -eq 3 ] || fail "unwritable output not exit 3"

[ $failures -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo "ops cli: all passed"
