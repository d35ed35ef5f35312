#!/usr/bin/env bash
# Saving through macros: the save command with its kept type and JPEG quality, quick export, the JPEG
# optimisation dialog's estimate and save, printing to PDF, the close question, and a failed write
# that leaves the old file intact.
set -euo pipefail
cli=${VIRMEYA_CLI:?}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
expect() { grep -qF -- "$2" <<< "$1" || fail "expected $2 in: $1"; }
magic() { head -c "$2" "$1" | od -An -tx1 | tr -d ' \n'; }

# A 64 × 48 PPM with diagonal colour bands, so JPEG sizes depend on the quality.
{
  printf 'P6 64 48 255\n'
  for ((y = 0; y < 48; y++)); do
    row=''
    for ((x = 0; x < 64; x++)); do
      printf -v px '\\%03o\\%03o\\%03o' $(((x * 4 + y) & 255)) $(((y * 5) & 255)) $((((x + y) * 3) & 255))
      row+=$px
    done
    printf "$row"
  done
} > "$tmp/in.ppm"

cat > "$tmp/save.txt" <<'SCRIPT'
open in.ppm
revert                      # an undoable change: ModifiedFlag is set
state
save first                  # JPEG is chosen at start; the dialog supplies .jpg
state
save second quality=50      # the quality dialog answers 50
state
export tiff third           # quick export: TIFF preselected
save fourth                 # … and kept for the next save
state
save fifth.png              # the typed extension decides
state
SCRIPT
out=$("$cli" run "$tmp/save.txt" --config-dir "$tmp/cfg")
mapfile -t states <<< "$out"
expect "${states[0]}" '"modified":true'
expect "${states[0]}" '"save_type":3'
expect "${states[0]}" '"save_type_name":"JPEG"'
expect "${states[1]}" '"modified":false'
expect "${states[1]}" '"jpeg_quality":80'
expect "${states[2]}" '"jpeg_quality":50'
expect "${states[3]}" '"save_type":1'
expect "${states[3]}" '"save_type_name":"TIFF"'
expect "${states[4]}" '"save_type":7'
[[ $(magic "$tmp/first.jpg" 2) == ffd8 ]] || fail "first.jpg is no JPEG"
[[ $(magic "$tmp/second.jpg" 2) == ffd8 ]] || fail "second.jpg is no JPEG"
(($(stat -c %s "$tmp/second.jpg") < $(stat -c %s "$tmp/first.jpg"))) || fail "quality 50 is not smaller than 80"
[[ $(magic "$tmp/third.tif" 2) == 4949 ]] || fail "third.tif is no TIFF"
[[ $(magic "$tmp/fourth.tif" 2) == 4949 ]] || fail "fourth.tif is no TIFF"
[[ $(magic "$tmp/fifth.png" 4) == 89504e47 ]] || fail "fifth.png is no PNG"

# The JPEG optimisation dialog: size texts, temp.jpg beside the settings, the mended suffix rule.
cat > "$tmp/optimize.txt" <<'SCRIPT'
open in.ppm
jpeg-estimate
jpeg-estimate quality=100
jpeg-estimate quality=5 optimize=1
jpeg-optimize keep.jpg quality=60
jpeg-optimize KEEP2.JPEG
jpeg-optimize plain smoothing=30
state
SCRIPT
out=$("$cli" run "$tmp/optimize.txt" --config-dir "$tmp/cfg")
mapfile -t lines <<< "$out"
[[ ${lines[0]} =~ ^Размер\ ([0-9]+)\ Kb\ при\ качестве\ 80%$ ]] || fail "estimate text: ${lines[0]}"
kb80=${BASH_REMATCH[1]}
[[ ${lines[1]} =~ ^Размер\ ([0-9]+)\ Kb\ при\ качестве\ 100%$ ]] || fail "estimate text: ${lines[1]}"
kb100=${BASH_REMATCH[1]}
[[ ${lines[2]} =~ ^Размер\ ([0-9]+)\ Kb\ при\ качестве\ 5%$ ]] || fail "estimate text: ${lines[2]}"
kb5=${BASH_REMATCH[1]}
((kb100 > kb80 && kb80 >= kb5)) || fail "sizes $kb100 / $kb80 / $kb5"
[[ $(magic "$tmp/cfg/temp.jpg" 2) == ffd8 ]] || fail "temp.jpg missing beside the settings"
[[ -f $tmp/keep.jpg && ! -e $tmp/keep.jpg.jpg ]] || fail ".jpg appended to a .jpg name"
[[ -f $tmp/KEEP2.JPEG && ! -e $tmp/KEEP2.JPEG.jpg ]] || fail ".jpg appended to a .JPEG name"
[[ $(magic "$tmp/plain.jpg" 2) == ffd8 ]] || fail "plain.jpg not written"
expect "${lines[3]}" '"modified":false'  # the optimisation dialog's save changes no flag

# Printing to PDF puts the photo on a page.
printf 'open in.ppm\nprint-pdf print.pdf\n' > "$tmp/print.txt"
"$cli" run "$tmp/print.txt" --config-dir "$tmp/cfg"
[[ $(head -c 4 "$tmp/print.pdf") == %PDF ]] || fail "print.pdf is no PDF"
if command -v pdftoppm > /dev/null; then
  pdftoppm -r 20 -gray "$tmp/print.pdf" "$tmp/page"
  # Below the header, any byte other than white is the photo.
  dark=$(tail -c +16 "$tmp"/page*.pgm | od -An -tu1 -v | tr -s ' ' '\n' | awk '$1 != "" && $1 < 200' | wc -l)
  ((dark > 0)) || fail "the printed page is blank"
fi

# The close question: Yes then a cancelled save dialog keeps the window open and the work unsaved.
cat > "$tmp/close.txt" <<'SCRIPT'
open in.ppm
close answer=cancel
revert
close answer=cancel
close answer=yes
state
close answer=no
close answer=yes save=closing.png
state
close answer=cancel
SCRIPT
out=$("$cli" run "$tmp/close.txt" --config-dir "$tmp/cfg")
mapfile -t lines <<< "$out"
[[ ${lines[0]} == '{"asked":false,"closes":true}' ]] || fail "unmodified close: ${lines[0]}"
[[ ${lines[1]} == '{"asked":true,"closes":false}' ]] || fail "cancel: ${lines[1]}"
[[ ${lines[2]} == '{"asked":true,"closes":false}' ]] || fail "yes then cancelled dialog: ${lines[2]}"
expect "${lines[3]}" '"modified":true'
[[ ${lines[4]} == '{"asked":true,"closes":true}' ]] || fail "no: ${lines[4]}"
[[ ${lines[5]} == '{"asked":true,"closes":true}' ]] || fail "yes and saved: ${lines[5]}"
expect "${lines[6]}" '"modified":false'
[[ ${lines[7]} == '{"asked":false,"closes":true}' ]] || fail "after the save: ${lines[7]}"
[[ -f $tmp/closing.png ]] || fail "closing.png not written"

# A failed write: the error names the file, stops the script (code 4), and the old file stays intact.
mkdir "$tmp/keep"
cp "$tmp/in.ppm" "$tmp/keep/old.bmp"
printf 'not a folder' > "$tmp/blocker"
printf 'open in.ppm\nsave blocker/x.png\n' > "$tmp/bad.txt"
set +e
err=$("$cli" run "$tmp/bad.txt" --config-dir "$tmp/cfg" 2>&1 > /dev/null)
rc=$?
set -e
((rc == 4)) || fail "exit code $rc for a failed save"
expect "$err" "$tmp/blocker/x.png"
# A full disk, simulated by the file-size limit (stops root too).
printf 'open in.ppm\nrevert\nsave keep/old.bmp\n' > "$tmp/full.txt"
set +e
err=$(trap '' XFSZ; ulimit -f 2; "$cli" run "$tmp/full.txt" --config-dir "$tmp/cfg" 2>&1 > /dev/null)
rc=$?
set -e
((rc == 4)) || fail "exit code $rc when the disk is full"
expect "$err" "$tmp/keep/old.bmp"
cmp -s "$tmp/in.ppm" "$tmp/keep/old.bmp" || fail "the old file changed after a failed save"
[[ $(ls "$tmp/keep") == old.bmp ]] || fail "a temporary file was left behind: $(ls "$tmp/keep")"
echo ok
