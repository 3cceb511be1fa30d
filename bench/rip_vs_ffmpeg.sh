#!/usr/bin/env bash
# Times tarvok-rip against ffmpeg doing the same conversion of the same disc:
# a 2-minute PAL test disc, MPEG-1 video at 1024 kbit/s, MPEG audio at
# 128 kbit/s, 2 channels, 48000 Hz, deinterlaced, in an MPEG transport stream.
# Runs alternate, RUNS times each (default 3); prints both medians, the ratio
# and the output durations.
#
#   bench/rip_vs_ffmpeg.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
scripts/build.sh > /dev/null

work=build/bench
disc=$work/pal-120s
mkdir -p "$work"
tests/make_test_disc.sh "$disc" --system pal --title 120:6
vob=$disc/VIDEO_TS/VTS_01_1.VOB

# The rip runs with the default settings, whatever the user's profile holds.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME"

seconds() { /usr/bin/time -f %e -o "$work/time.txt" "$@" > /dev/null 2>&1; cat "$work/time.txt"; }
median() { printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

ours=() theirs=()
for ((i = 0; i < runs; i++)); do
  ours+=("$(seconds build/bin/tarvok-rip rip "$disc" --output "$work/ours" --yes)")
  theirs+=("$(seconds ffmpeg -nostdin -y -i "$vob" -map 0:v:0 -map 0:a:0 -vf yadif -c:v mpeg1video -b:v 1024k \
                -c:a mp2 -b:a 128k -ac 2 -ar 48000 -f mpegts "$work/ffmpeg.ts")")
done

duration() { ffprobe -v error -show_entries format=duration -of csv=p=0 "$1"; }
ours_median=$(median "${ours[@]}")
theirs_median=$(median "${theirs[@]}")
echo "tarvok-rip runs: ${ours[*]}"
echo "ffmpeg runs:     ${theirs[*]}"
echo "median wall time: tarvok-rip ${ours_median} s, ffmpeg ${theirs_median} s"
echo "ratio: $(awk -v a="$ours_median" -v b="$theirs_median" 'BEGIN { printf "%.2f", a / b }')"
echo "durations: source $(duration "$vob") s, tarvok-rip $(duration "$work/ours/dvdRip_Movie1.mpg") s, ffmpeg $(duration "$work/ffmpeg.ts") s"
