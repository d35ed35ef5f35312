#!/usr/bin/env bash
# virmeya-cli run: a macro opens, moves between pages, undoes, reverts, saves and reports its state;
# errors stop it with the line number and exit code 4; the recent list is kept in --config-dir.
set -euo pipefail
cli=${VIRMEYA_CLI:?}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 24 & 255)))"; }
# A width × 3 BMP of one colour (width a multiple of 4, so rows need no padding).
bmp() {
  local w=$1 bytes=$(($1 * 9))
  { printf 'BM'; le32 $((54 + bytes)); le32 0; le32 54; le32 40; le32 "$w"; le32 3
    printf '\x01\x00\x18\x00'; le32 0; le32 "$bytes"; le32 2835; le32 2835; le32 0; le32 0
    for ((i = 0; i < w * 3; i++)); do printf "$2"; done; } > "$3"
}
bmp 4 '\x10\x20\x30' "$tmp/a.bmp"
bmp 8 '\x40\x50\x60' "$tmp/b.bmp"
printf 'not a picture' > "$tmp/broken.jpg"

fail() { echo "FAIL: $*" >&2; exit 1; }
expect() { grep -qF -- "$2" <<< "$1" || fail "expected $2 in: $1"; }

cat > "$tmp/ok.txt" <<'SCRIPT'
# open two photos, go back to the first from the recent strip
open a.bmp
page edit
open b.bmp
state
page open
open-recent 1      # a.bmp: the strip was refilled when the Open page came back
state
revert
undo
state
redo
save "out copy.bmp"
view view.png
state
SCRIPT
out=$("$cli" run "$tmp/ok.txt" --config-dir "$tmp/cfg")
[ "$(wc -l <<< "$out")" -eq 4 ] || fail "four state lines expected: $out"
first=$(sed -n 1p <<< "$out"); second=$(sed -n 2p <<< "$out"); third=$(sed -n 3p <<< "$out"); last=$(sed -n 4p <<< "$out")
expect "$first" '"width":8'
expect "$first" '"page":"edit"'
expect "$first" '"mode":1'
expect "$first" "\"recent\":[\"$tmp/b.bmp\",\"$tmp/a.bmp\"]"
expect "$second" '"width":4'
expect "$second" '"page":"open"'
expect "$second" "\"recent\":[\"$tmp/b.bmp\",\"$tmp/a.bmp\"]"
expect "$third" '"redo_menu":{"caption":"Повторить возврат к исходному","enabled":true}'
expect "$third" '"undo_button":{"enabled":false}'
expect "$last" '"undo_menu":{"caption":"Отменить возврат к исходному","enabled":true}'
expect "$last" '"modified":false'
expect "$last" '"committed_equals_layer0":true'
[ -s "$tmp/out copy.bmp" ] || fail "save wrote nothing"
[ -s "$tmp/view.png" ] || fail "view wrote nothing"
printf '%s\r\n%s\r\n' "$tmp/b.bmp" "$tmp/a.bmp" | cmp -s - "$tmp/cfg/Recent.lst" || fail "Recent.lst: $(od -c "$tmp/cfg/Recent.lst")"

# The next run starts from the list written by the last one.
printf 'open-recent 0\nstate\n' > "$tmp/again.txt"
out=$("$cli" run "$tmp/again.txt" --config-dir "$tmp/cfg")
expect "$out" '"width":8'

# Errors: line number, exit code 4; an unreadable photo changes nothing before the stop.
printf 'open a.bmp\n\nfrobnicate\n' > "$tmp/bad.txt"
set +e
err=$("$cli" run "$tmp/bad.txt" --config-dir "$tmp/cfg" 2>&1 >/dev/null); rc=$?
set -e
[ "$rc" -eq 4 ] || fail "exit code $rc, expected 4"
expect "$err" 'строка 3'
expect "$err" 'frobnicate'

printf 'open broken.jpg\n' > "$tmp/broken.txt"
set +e
err=$("$cli" run "$tmp/broken.txt" --config-dir "$tmp/cfg" 2>&1 >/dev/null); rc=$?
set -e
[ "$rc" -eq 4 ] || fail "broken photo: exit code $rc"
expect "$err" 'строка 1: Не удалось открыть файл'

set +e
"$cli" run > /dev/null 2>&1; rc=$?
set -e
[ "$rc" -eq 1 ] || fail "missing script: exit code $rc"
set +e
"$cli" run "$tmp/nothing.txt" --config-dir "$tmp/cfg" > /dev/null 2>&1; rc=$?
set -e
[ "$rc" -eq 2 ] || fail "unreadable script: exit code $rc"
echo ok
