#!/bin/bash
# Times `virmeya-cli op` against ImageMagick 6 (convert-im6.q16) and libvips (vips) on the same
# 24-megapixel PPM, whole process (load, operation, save), runs interleaved, and prints the median
# times and the ratio ours / best peer. Usage:
#   bench/compare-peers.sh [path/to/virmeya-cli]      (RUNS=5 by default; WORK=dir for the files)
# The files live on /dev/shm when it exists, so every tool writes to memory and the disk does not
# decide the race.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
cli=${1:-${VIRMEYA_CLI:-$here/../build/virmeya-cli}}
runs=${RUNS:-5}
im=$(command -v convert-im6.q16 || true)
vips=$(command -v vips || true)
[ -x "$cli" ] || { echo "virmeya-cli not found at $cli (build it, or pass its path)" >&2; exit 1; }
[ -n "$im" ] || echo "note: convert-im6.q16 not found; ImageMagick column left empty" >&2
[ -n "$vips" ] || echo "note: vips not found; libvips column left empty" >&2

if [ -z "${WORK:-}" ]; then
  if [ -d /dev/shm ] && [ -w /dev/shm ]; then WORK=$(mktemp -d /dev/shm/virmeya-peers.XXXXXX); else WORK=$(mktemp -d); fi
  trap 'rm -rf "$WORK"' EXIT
fi
mkdir -p "$WORK"
in=$WORK/photo.ppm

# The input: a 6000 × 4000 photo-like picture (plasma clouds, smooth and grainy), made once.
if [ ! -s "$in" ]; then
  if [ -n "$im" ]; then
    "$im" -seed 7 -size 1200x800 plasma:fractal -blur 0x1 -resize '6000x4000!' -attenuate 0.3 +noise Uniform -depth 8 "$in"
  else
    "$vips" gaussnoise "$WORK/noise.v" 6000 4000 --mean 128 --sigma 40
    "$vips" bandjoin "$WORK/noise.v $WORK/noise.v $WORK/noise.v" "$WORK/n3.v"
    "$vips" cast "$WORK/n3.v" "$in" uchar
  fi
fi

# libvips matrices: the luma-preserving hue rotation by 45° and the saturation ×1.5 (weights of the
# luma 0.299, 0.587, 0.114), and the 5 × 5 unsharp mask 2·v − mean.
python3 - "$WORK" <<'PY'
import math, sys
d = sys.argv[1]
a = math.radians(45); c, s = math.cos(a), math.sin(a)
hue = [[0.213 + c*0.787 - s*0.213, 0.715 - c*0.715 - s*0.715, 0.072 - c*0.072 + s*0.928],
       [0.213 - c*0.213 + s*0.143, 0.715 + c*0.285 + s*0.140, 0.072 - c*0.072 - s*0.283],
       [0.213 - c*0.213 - s*0.787, 0.715 - c*0.715 + s*0.715, 0.072 + c*0.928 + s*0.072]]
k = 1.5; lw = (0.299, 0.587, 0.114)
sat = [[(1-k)*lw[j] + (k if i == j else 0) for j in range(3)] for i in range(3)]
def write(name, m, scale=1):
    with open(f"{d}/{name}", "w") as f:
        f.write(f"{len(m[0])} {len(m)} {scale} 0\n")
        for row in m: f.write(" ".join(f"{v:.6f}" for v in row) + "\n")
write("hue.mat", hue); write("sat.mat", sat)
sharp = [[-1]*5 for _ in range(5)]; sharp[2][2] = 49
write("sharp.mat", sharp, 25)
PY

# name | ours (op arguments) | ImageMagick arguments | libvips command (IN and OUT are replaced)
cases=(
  "blur σ5|Blur radius=5|-blur 0x5|gaussblur IN OUT 5"
  "half size bicubic|Resample width=3000 height=2000 filter=bicubic|-filter Catrom -resize 50%|resize IN OUT 0.5 --kernel cubic"
  "half size Mitchell|Resample width=3000 height=2000 filter=mitchell|-filter Mitchell -resize 50%|resize IN OUT 0.5 --kernel mitchell"
  "rotate 45°|Rotate angle=45 antialias=1 background=FFFFFF|-background white -rotate -45|rotate IN OUT 45 --background 255,255,255"
  "sharpen|Sharpen intensity=10 neighbourhood=4|-unsharp 0x1+1+0|conv IN OUT $WORK/sharp.mat --precision integer"
  "equalise|Equalize|-equalize|hist_equal IN OUT"
  "hue rotation 45°|AdjustTint degrees=45|-modulate 100,100,125|recomb IN OUT $WORK/hue.mat"
  "saturation ×1.5|AdjustSaturation amount=50|-modulate 100,150,100|recomb IN OUT $WORK/sat.mat"
  "grey|ConvertToGray|-colorspace Gray|colourspace IN OUT b-w"
  "load + save only|Negative|-negate|invert IN OUT"
)

# Runs one command; prints its wall time and its CPU time (user + system, all threads) in seconds,
# or "fail fail". Bash's own `time` is used, so nothing beyond bash is needed.
timed() {
  local TIMEFORMAT='%3R %3U %3S' t
  if t=$( { time "$@" >/dev/null 2>"$WORK/err"; } 2>&1 ); then
    awk '{ printf "%s %.3f", $1, $2 + $3 }' <<<"$t"
  else
    echo "fail fail"
  fi
}

declare -A wall cpu
record() {  # key "wall cpu"
  wall[$1]+=" ${2% *}"
  cpu[$1]+=" ${2#* }"
}
for ((run = 1; run <= runs; run++)); do
  for i in "${!cases[@]}"; do
    IFS='|' read -r name ours imargs vipscmd <<<"${cases[$i]}"
    # shellcheck disable=SC2086
    record "$i,ours" "$(timed "$cli" op $ours "$in" "$WORK/ours.ppm")"
    if [ -n "$im" ]; then
      # shellcheck disable=SC2086
      record "$i,im" "$(timed "$im" "$in" $imargs "$WORK/im.ppm")"
    fi
    if [ -n "$vips" ]; then
      vips_args=${vipscmd//IN/$in}
      vips_args=${vips_args//OUT/$WORK/vips.ppm}
      # shellcheck disable=SC2086
      record "$i,vips" "$(timed "$vips" $vips_args)"
    fi
  done
  echo "run $run of $runs done" >&2
done

median() {  # numbers... → median, or "—"
  local sorted
  sorted=$(tr ' ' '\n' <<<"$*" | grep -E '^[0-9.]+$' | sort -g || true)
  local n; n=$(grep -c . <<<"$sorted" || true)
  [ "$n" -gt 0 ] || { echo "—"; return; }
  sed -n "$(( (n + 1) / 2 ))p" <<<"$sorted"
}

table() {  # title, name of the associative array
  local -n t=$2
  printf '\n%s — 24-megapixel PPM (6000 × 4000), whole process, median of %d interleaved runs, seconds\n\n' "$1" "$runs"
  printf '| operation | virmeya-cli op | ImageMagick 6 | libvips | ours / best peer |\n|---|---:|---:|---:|---:|\n'
  local i name ours imargs vipscmd o m v best ratio
  for i in "${!cases[@]}"; do
    IFS='|' read -r name ours imargs vipscmd <<<"${cases[$i]}"
    o=$(median ${t[$i,ours]:-}); m=$(median ${t[$i,im]:-}); v=$(median ${t[$i,vips]:-})
    best=$(printf '%s\n%s\n' "$m" "$v" | grep -E '^[0-9.]+$' | sort -g | head -1 || true)
    ratio="—"
    if [ -n "$best" ] && [ "$o" != "—" ]; then ratio=$(awk -v a="$o" -v b="$best" 'BEGIN { printf "%.2f", a / b }'); fi
    printf '| %s | %s | %s | %s | %s |\n' "$name" "$(fmt "$o")" "$(fmt "$m")" "$(fmt "$v")" "$ratio"
  done
}
fmt() { if [ "$1" = "—" ]; then echo "—"; else printf '%.2f' "$1"; fi; }

table "Wall time" wall
table "CPU time (user + system, all threads)" cpu
