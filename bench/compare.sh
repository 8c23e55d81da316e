#!/usr/bin/env bash
# Times Kestrelle's exports against the tools people already know, side by side in one run
# on the same two 800 x 600 pictures (two sample photographs scaled with ImageMagick):
#   31-frame GIF: kestrelle-cli render (a project with 40 pairs), ImageMagick's -morph 29,
#                 ffmpeg's xfade cross-fade into its GIF encoder (default palette)
#   62-frame AVI, there and back (frames 0..30 then 30..0), uncompressed and Motion JPEG:
#                 kestrelle-cli render against ffmpeg's xfade + reverse + concat
#   62-frame MP4 (H.264) and WebM (VP9), there and back: the same against ffmpeg with the
#                 encoder settings Kestrelle uses (x264 medium, crf 18; VP9 crf 30, good,
#                 cpu-used 4, row-mt; 4:2:0, 15 frames per second, a key frame every 2 s), and
#                 ffmpeg encoding Kestrelle's own frames with the same settings
# Peak resident memory (/usr/bin/time) of every command, Kestrelle's and the others', is
# measured once each after the timing.
# Each time is the median of several rounds of the whole command, the commands of a job
# taking turns, with its ratio to Kestrelle's time for the same output.
#
# Usage: bash bench/compare.sh BIN_DIR [--runs N] [--memory] [--keep]
#   BIN_DIR   folder holding kestrelle-cli and its samples/ (a build's bin folder)
#   --runs N  timed rounds (default 5, after one untimed round that checks every command)
#   --memory  also export a 1000-frame 1024 x 768 GIF and report its peak resident memory
#             next to a 31-frame one of the same size (the 1000 frames take a minute or
#             more on two cores; the target is 150 MB)
#   --keep    keep the work folder with the pictures, the project and every output
set -euo pipefail

BIN_DIR=""
RUNS=5
MEMORY=0
KEEP=0
while [[ $# -gt 0 ]]; do
  case "$1" in
    --runs) RUNS="$2"; shift 2 ;;
    --memory) MEMORY=1; shift ;;
    --keep) KEEP=1; shift ;;
    -h|--help) sed -n '2,20p' "$0"; exit 0 ;;
    *) if [[ -z "$BIN_DIR" ]]; then BIN_DIR="$1"; shift; else echo "unknown argument: $1" >&2; exit 2; fi ;;
  esac
done
BIN_DIR="${BIN_DIR:-build/bin}"
CLI="$(cd "$BIN_DIR" && pwd)/kestrelle-cli"
SAMPLES="$(cd "$BIN_DIR" && pwd)/samples"
[[ -x "$CLI" ]] || { echo "no kestrelle-cli in $BIN_DIR: build first (make build)" >&2; exit 1; }

# Debian's own ImageMagick binary when present (not a wrapper script in front of it), so
# its time is the tool's and not a shell's.
CONVERT="${CONVERT:-$(command -v convert-im6.q16 || command -v convert || true)}"
FFMPEG="${FFMPEG:-$(command -v ffmpeg || true)}"
for tool in jq; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run make deps" >&2; exit 1; }
done
[[ -n "$CONVERT" ]] || { echo "ImageMagick's convert is missing: run make deps" >&2; exit 1; }
[[ -n "$FFMPEG" ]] || { echo "ffmpeg is missing: run make deps" >&2; exit 1; }

WORK="$(mktemp -d "${TMPDIR:-/tmp}/kestrelle-compare-XXXXXX")"
if [[ $KEEP -eq 0 ]]; then trap 'rm -rf "$WORK"' EXIT; else echo "work folder: $WORK"; fi
cd "$WORK"

# ---- inputs: two photographs at W x H and a project with 40 pairs on them ----
make_inputs() {  # W H prefix
  local w=$1 h=$2 p=$3
  "$CONVERT" "$SAMPLES/leopard.png" -resize "${w}x${h}!" -depth 8 -type TrueColor "${p}a.png"
  "$CONVERT" "$SAMPLES/tiger.png" -resize "${w}x${h}!" -depth 8 -type TrueColor "${p}b.png"
  # 40 pairs on a jittered 8 x 5 grid (a fixed generator, so every run measures the same
  # project); image2 points moved by up to a twentieth of the picture.
  local pairs
  pairs=$(awk -v w="$w" -v h="$h" 'BEGIN {
    s = 12345
    for (j = 0; j < 5; ++j) for (i = 0; i < 8; ++i) {
      s = (s * 1103515245 + 12345) % 2147483648; jx = s % 41 - 20
      s = (s * 1103515245 + 12345) % 2147483648; jy = s % 41 - 20
      s = (s * 1103515245 + 12345) % 2147483648; dx = s % int(w / 10 + 1) - int(w / 20)
      s = (s * 1103515245 + 12345) % 2147483648; dy = s % int(h / 10 + 1) - int(h / 20)
      x1 = int(w * (i + 0.5) / 8) + int(jx * w / 800); y1 = int(h * (j + 0.5) / 5) + int(jy * h / 600)
      x2 = x1 + dx; y2 = y1 + dy
      if (x2 < 0) x2 = 0; if (x2 > w) x2 = w; if (y2 < 0) y2 = 0; if (y2 > h) y2 = h
      printf " --pair %d,%d:%d,%d", x1, y1, x2, y2
    } }')
  # shellcheck disable=SC2086
  "$CLI" new "${p}a.png" "${p}b.png" -o "${p}morph.fmph" $pairs >/dev/null
}
make_inputs 800 600 ""
echo "inputs: two 800x600 photographs; project: $("$CLI" mesh morph.fmph | jq -r '"\(.pairs | length) key-point pairs, \(.triangles | length) triangles"'); $(nproc) cores"

# ffmpeg's cross-fade of the same two pictures: 31 frames, frame 0 = a, frame 30 = b.
FF_INPUTS=(-v error -y -loop 1 -framerate 30 -t 1.0667 -i a.png -loop 1 -framerate 30 -t 1.0667 -i b.png)
FF_XFADE="[0:v][1:v]xfade=transition=fade:duration=1:offset=0,trim=end_frame=31,setpts=PTS-STARTPTS"
FF_THERE_AND_BACK="$FF_XFADE,split[f][r];[r]reverse[b];[f][b]concat=n=2:v=1:a=0,format=bgr24"

q() { printf '%q ' "$@"; }
declare -a NAMES CMDS KINDS
add() { KINDS+=("$1"); NAMES+=("$2"); CMDS+=("$3"); }
add gif "kestrelle-cli render (GIF)" "$(q "$CLI" render morph.fmph -o k.gif --frames 30)"
add gif "ImageMagick convert -morph 29" "$(q "$CONVERT" a.png b.png -morph 29 im.gif)"
add gif "ffmpeg xfade -> GIF" "$(q "$FFMPEG" "${FF_INPUTS[@]}" -filter_complex "$FF_XFADE" -frames:v 31 ff.gif)"
add avi-raw "kestrelle-cli render (AVI raw)" "$(q "$CLI" render morph.fmph -o k-raw.avi --frames 30 --codec raw)"
add avi-raw "ffmpeg xfade -> AVI rawvideo" \
  "$(q "$FFMPEG" "${FF_INPUTS[@]}" -filter_complex "$FF_THERE_AND_BACK" -c:v rawvideo -pix_fmt bgr24 ff-raw.avi)"
add avi-mjpeg "kestrelle-cli render (AVI MJPEG)" "$(q "$CLI" render morph.fmph -o k-mjpeg.avi --frames 30 --codec mjpeg)"
add avi-mjpeg "ffmpeg xfade -> AVI mjpeg" \
  "$(q "$FFMPEG" "${FF_INPUTS[@]}" -filter_complex "$FF_THERE_AND_BACK,format=yuvj420p" -c:v mjpeg -q:v 2 ff-mjpeg.avi)"
# Movies at 15 frames per second like Kestrelle's, a key frame every 30 frames, BT.601.
FF_MOVIE="$FF_THERE_AND_BACK,setpts=N/(15*TB),format=yuv420p"
FF_BT601=(-r 15 -g 30 -colorspace smpte170m -color_primaries smpte170m -color_trc smpte170m -color_range tv)
add mp4 "kestrelle-cli render (MP4 H.264)" "$(q "$CLI" render morph.fmph -o k.mp4 --frames 30 --codec h264)"
add mp4 "ffmpeg xfade -> MP4 libx264" \
  "$(q "$FFMPEG" "${FF_INPUTS[@]}" -filter_complex "$FF_MOVIE" "${FF_BT601[@]}" -c:v libx264 -preset medium -crf 18 \
    -movflags +faststart ff.mp4)"
# The encoder's work depends on the pictures: a warped morph moves where a cross-fade does
# not. For scale, ffmpeg also encodes Kestrelle's own 62 frames (its uncompressed AVI).
FF_KFRAMES=(-v error -y -i k-raw.avi -vf "setpts=N/(15*TB),format=yuv420p")
add mp4 "ffmpeg: K's frames -> MP4 libx264" \
  "$(q "$FFMPEG" "${FF_KFRAMES[@]}" "${FF_BT601[@]}" -c:v libx264 -preset medium -crf 18 -movflags +faststart ffk.mp4)"
add webm "kestrelle-cli render (WebM VP9)" "$(q "$CLI" render morph.fmph -o k.webm --frames 30 --codec vp9)"
add webm "ffmpeg xfade -> WebM libvpx-vp9" \
  "$(q "$FFMPEG" "${FF_INPUTS[@]}" -filter_complex "$FF_MOVIE" "${FF_BT601[@]}" -c:v libvpx-vp9 -crf 30 -b:v 0 \
    -deadline good -cpu-used 4 -row-mt 1 ff.webm)"
add webm "ffmpeg: K's frames -> WebM" \
  "$(q "$FFMPEG" "${FF_KFRAMES[@]}" "${FF_BT601[@]}" -c:v libvpx-vp9 -crf 30 -b:v 0 -deadline good -cpu-used 4 \
    -row-mt 1 ffk.webm)"

# Every command once, untimed: it must work and give the frame count it claims.
# Frames counted as packets (no decoding: ImageMagick cannot even load a 1000-frame GIF).
frames_of() {
  ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of csv=p=0 "$1"
}
echo
echo "checking every command once..."
for i in "${!CMDS[@]}"; do
  if ! bash -c "${CMDS[$i]}" >/dev/null 2>"err-$i.txt"; then
    echo "FAILED: ${NAMES[$i]}: $(head -3 "err-$i.txt")" >&2
    exit 1
  fi
done
for f in k.gif im.gif ff.gif k-raw.avi ff-raw.avi k-mjpeg.avi ff-mjpeg.avi k.mp4 ff.mp4 ffk.mp4 k.webm ff.webm ffk.webm; do
  printf '  %-12s %4s frames  %9s bytes\n' "$f" "$(frames_of "$f")" "$(stat -c %s "$f")"
done

# ---- timing ----
# Rounds: each round runs every command once, and the commands of a job take turns going
# first, so a slow minute of a shared machine (or the write-back of the last command's
# output) falls on both sides of a comparison alike instead of on whichever ran then.
echo
echo "timing: median of $RUNS rounds, every command once per round, load average $(cut -d' ' -f1-3 /proc/loadavg)"
: > times.txt
for ((r = 0; r < RUNS; r++)); do
  order=()
  for i in "${!CMDS[@]}"; do order+=("$i"); done
  if (( r % 2 == 1 )); then  # the same jobs in turn, each job's commands the other way round
    order=()
    start=0
    for ((i = 1; i <= ${#CMDS[@]}; i++)); do
      if (( i == ${#CMDS[@]} )) || [[ "${KINDS[$i]}" != "${KINDS[$start]}" ]]; then
        for ((j = i - 1; j >= start; j--)); do order+=("$j"); done
        start=$i
      fi
    done
  fi
  for i in "${order[@]}"; do
    t0=$EPOCHREALTIME
    bash -c "exec ${CMDS[$i]}" >/dev/null 2>&1
    t1=$EPOCHREALTIME
    echo "$i $t0 $t1" >> times.txt
  done
done

median() {  # command index
  awk -v i="$1" '$1 == i { n++; t[n] = $3 - $2 } END {
    for (a = 1; a <= n; a++) for (b = a + 1; b <= n; b++) if (t[b] < t[a]) { x = t[a]; t[a] = t[b]; t[b] = x }
    printf "%.4f", (n % 2) ? t[(n + 1) / 2] : (t[n / 2] + t[n / 2 + 1]) / 2 }' times.txt
}
echo
printf '%-34s %10s %14s\n' "command" "median s" "ratio to K"
printf '%-34s %10s %14s\n' "----------------------------------" "--------" "----------"
base=""
last_group=""
for i in "${!CMDS[@]}"; do
  if [[ "${KINDS[$i]}" != "$last_group" ]]; then
    base="$(median "$i")"
    last_group="${KINDS[$i]}"
  fi
  m="$(median "$i")"
  printf '%-34s %10.3f %14s\n' "${NAMES[$i]}" "$m" "$(awk -v m="$m" -v b="$base" 'BEGIN { printf "%.2f", m / b }')"
done

# Targets of the 31-frame GIF: at most 1.5 s, at most a quarter of ImageMagick's time.
k_gif="$(median 0)"
im_gif="$(median 1)"
echo
awk -v k="$k_gif" -v im="$im_gif" 'BEGIN {
  printf "GIF target 1: %.3f s <= 1.5 s: %s\n", k, (k <= 1.5 ? "met" : "NOT met")
  printf "GIF target 2: %.3f of ImageMagick'"'"'s time <= 0.25: %s\n", k / im, (k / im <= 0.25 ? "met" : "NOT met")
}'

# Peak memory of every command, each side of each job (the 1000-frame GIF with --memory).
peak_kb() { /usr/bin/time -f '%M' -o rss.txt "$@" >/dev/null 2>&1; tail -1 rss.txt; }
if [[ -x /usr/bin/time ]]; then
  echo
  printf '%-34s %10s %14s\n' "command" "peak MB" "ratio to K"
  printf '%-34s %10s %14s\n' "----------------------------------" "--------" "----------"
  last_group=""
  for i in "${!CMDS[@]}"; do
    mb=$(( $(peak_kb bash -c "exec ${CMDS[$i]}") / 1024 ))
    if [[ "${KINDS[$i]}" != "$last_group" ]]; then
      base_mb=$mb
      last_group="${KINDS[$i]}"
    fi
    printf '%-34s %10d %14s\n' "${NAMES[$i]}" "$mb" "$(awk -v m="$mb" -v b="$base_mb" 'BEGIN { printf "%.2f", m / b }')"
  done
  if [[ $MEMORY -eq 1 ]]; then
    make_inputs 1024 768 big-
    echo "peak resident memory, 31-frame 1024x768 GIF export: $(( $(peak_kb "$CLI" render big-morph.fmph -o big.gif --frames 30) / 1024 )) MB"
    start=$(date +%s.%N)
    kb=$(peak_kb "$CLI" render big-morph.fmph -o big.gif --frames 999)
    end=$(date +%s.%N)
    mb=$(( kb / 1024 ))
    printf 'peak resident memory, 1000-frame 1024x768 GIF export: %d MB (%s frames, %s bytes, %.1f s): target 150 MB %s\n' \
      "$mb" "$(frames_of big.gif)" "$(stat -c %s big.gif)" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')" \
      "$([[ $mb -le 150 ]] && echo met || echo NOT met)"
  fi
else
  echo "/usr/bin/time is missing (Debian package time): no memory figures"
fi
