#!/bin/bash
# virmeya-cli convert and info: every writable format and back (lossless ones byte for byte), the JPEG
# options, one-line errors with the documented exit codes, and nothing written for bad input.
source "$(dirname "$0")/lib.bash"

# A 61 × 37 picture with many colours, and a 20 × 10 one of six colours (GIF keeps that exactly).
python3 - "$dir/in.ppm" "$dir/few.ppm" <<'PY'
import sys
w, h = 61, 37
data = bytearray()
for y in range(h):
    for x in range(w):
        data += bytes(((x * 4) % 256, (y * 7) % 256, (x * y) % 256))
open(sys.argv[1], "wb").write(b"P6\n%d %d\n255\n" % (w, h) + data)
colours = [(255, 0, 0), (0, 128, 0), (10, 20, 250), (255, 255, 255), (0, 0, 0), (200, 180, 20)]
few = bytearray()
for y in range(10):
    for x in range(20):
        few += bytes(colours[(x // 3 + y) % 6])
open(sys.argv[2], "wb").write(b"P6\n20 10\n255\n" + few)
PY

# expect CODE LINES COMMAND...: exit code and number of lines on stderr.
expect() {
  local code=$1 lines=$2
  shift 2
  timeout 10 "$@" >"$dir/out" 2>"$dir/err"
  local got=$?
  [ "$got" = "$code" ] || fail "$* gave exit code $got, expected $code: $(cat "$dir/err")"
  [ "$(wc -l <"$dir/err")" = "$lines" ] || fail "$* wrote $(wc -l <"$dir/err") lines on stderr: $(cat "$dir/err")"
}

for ext in png bmp tif tga pcx ico cur ppm PNG Tiff; do
  expect 0 0 "$cli" convert "$dir/in.ppm" "$dir/a.$ext"
  expect 0 0 "$cli" convert "$dir/a.$ext" "$dir/back-$ext.ppm"
  cmp -s "$dir/in.ppm" "$dir/back-$ext.ppm" || fail "$ext is not lossless"
done
expect 0 0 "$cli" convert "$dir/few.ppm" "$dir/few.gif"
expect 0 0 "$cli" convert "$dir/few.gif" "$dir/few-back.ppm"
cmp -s "$dir/few.ppm" "$dir/few-back.ppm" || fail "a six-colour GIF is not exact"
expect 0 0 "$cli" convert "$dir/in.ppm" "$dir/many.gif"

expect 0 0 "$cli" convert "$dir/in.ppm" "$dir/q10.jpg" --quality 10
expect 0 0 "$cli" convert "$dir/in.ppm" "$dir/q95.jpg" --quality 95 --smoothing 20 --optimize
[ "$(stat -c %s "$dir/q10.jpg")" -lt "$(stat -c %s "$dir/q95.jpg")" ] || fail "quality 10 is not smaller than 95"

expect 0 0 "$cli" info "$dir/a.png"
[ "$(cat "$dir/out")" = '{"format":"PNG","width":61,"height":37,"alpha":false,"orientation":1}' ] ||
  fail "info: $(cat "$dir/out")"
expect 0 0 "$cli" info "$dir/q95.jpg"
grep -q '"format":"JPEG","width":61,"height":37' "$dir/out" || fail "info jpeg: $(cat "$dir/out")"

# Usage errors: exit 1, one line.
expect 1 1 "$cli" convert "$dir/in.ppm"
expect 1 1 "$cli" convert "$dir/in.ppm" "$dir/x.png" --quality 0
expect 1 1 "$cli" convert "$dir/in.ppm" "$dir/x.png" --quality abc
expect 1 1 "$cli" convert "$dir/in.ppm" "$dir/x.png" --smoothing 101
expect 1 1 "$cli" convert "$dir/in.ppm" "$dir/x.png" --fast
expect 1 1 "$cli" convert "$dir/in.ppm" "$dir/x.xyz"
expect 1 1 "$cli" info
[ ! -e "$dir/x.png" ] || fail "a usage error wrote a file"

# Unreadable input: exit 2, one line naming the file, nothing written.
: >"$dir/empty.jpg"
echo "just some text" >"$dir/text.png"
head -c 200 "$dir/a.png" >"$dir/cut.png"
printf 'BM\x46\x00\x00\x00\x00\x00\x00\x00\xff\xff\xff\x7f(\x00\x00\x00\x02\x00\x00\x00\x02\x00\x00\x00\x01\x00\x18\x00' >"$dir/offset.bmp"
for bad in empty.jpg text.png cut.png offset.bmp missing.jpg; do
  expect 2 1 "$cli" convert "$dir/$bad" "$dir/never.png"
  grep -q "«$dir/$bad»" "$dir/err" || fail "$bad: the message does not name the file: $(cat "$dir/err")"
  # info reads the header only, which a cut PNG still has.
  [ "$bad" = cut.png ] || expect 2 1 "$cli" info "$dir/$bad"
done
[ ! -e "$dir/never.png" ] || fail "bad input wrote a file"
ls -a "$dir" | grep -q '\.tmp$' && fail "a temporary file was left behind"

# Unwritable output: exit 3, one line, the old file kept.
expect 3 1 "$cli" convert "$dir/in.ppm" "$dir/no/such/folder/out.png"
mkdir "$dir/folder.png"
expect 3 1 "$cli" convert "$dir/in.ppm" "$dir/folder.png"

# A truncated JPEG converts with a warning line.
head -c $(( $(stat -c %s "$dir/q95.jpg") / 2 )) "$dir/q95.jpg" >"$dir/half.jpg"
expect 0 1 "$cli" convert "$dir/half.jpg" "$dir/half.png"
grep -q "предупреждение" "$dir/err" || fail "no warning for a truncated JPEG: $(cat "$dir/err")"

[ "$failures" = 0 ] || exit 1
echo "codecs_convert: all checks passed"
