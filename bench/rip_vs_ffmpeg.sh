#!/usr/bin/env bash
# Times tarvok-rip against ffmpeg doing the same conversion of the same disc:
# a PAL test disc (2 minutes by default), MPEG-1 video at 1024 kbit/s, MPEG
# audio at 128 kbit/s, 2 channels, 48000 Hz, the pictures marked interlaced
# deinterlaced, in an MPEG transport stream. Runs alternate, RUNS times each
# (default 5). Prints the medians of wall time, user and system CPU and peak
# memory for both, their ratios, the pictures of both files, and the futex
# and write calls of one traced run of each.
#
#   bench/rip_vs_ffmpeg.sh [RUNS] [SECONDS]
source "$(dirname "$0")/common.sh"
ours=(build/bin/tarvok-rip rip "$disc" --output "$work/ours" --yes)
theirs=(ffmpeg -nostdin -y -i "$vob" -map 0:v:0 -map 0:a:0 -vf yadif=deint=interlaced -c:v mpeg1video -b:v 1024k
        -c:a mp2 -b:a 128k -ac 2 -ar 48000 -f mpegts "$work/ffmpeg.ts")

declare -A figures
for ((i = 0; i < runs; i++)); do
  for who in ours theirs; do
    if [ "$who" = ours ]; then read -r w u s m < <(measure "${ours[@]}"); else read -r w u s m < <(measure "${theirs[@]}"); fi
    figures[$who-wall]+="$w " figures[$who-user]+="$u " figures[$who-sys]+="$s " figures[$who-mem]+="$m "
  done
done
row() {  # who command...
  local who=$1; shift
  strace -f -c -o "$work/strace.txt" "$@" > /dev/null 2>&1
  local futex write
  futex=$(awk '$NF == "futex" { print $4 }' "$work/strace.txt"); write=$(awk '$NF == "write" { print $4 }' "$work/strace.txt")
  printf '%-10s %8s %8s %8s %9s %10s %9s\n' "$who" "$(median ${figures[$who-wall]})" "$(median ${figures[$who-user]})" \
    "$(median ${figures[$who-sys]})" "$(( $(median ${figures[$who-mem]} | cut -d. -f1) / 1024 ))" "${futex:-0}" "${write:-0}"
}
echo "medians of $runs alternating runs, ${length} s PAL disc"
printf '%-10s %8s %8s %8s %9s %10s %9s\n' "" "wall s" "user s" "sys s" "peak MB" "futex" "write"
row ours "${ours[@]}"
row theirs "${theirs[@]}"
ow=$(median ${figures[ours-wall]}) tw=$(median ${figures[theirs-wall]})
oc=$(awk -v u="$(median ${figures[ours-user]})" -v s="$(median ${figures[ours-sys]})" 'BEGIN { print u + s }')
tc=$(awk -v u="$(median ${figures[theirs-user]})" -v s="$(median ${figures[theirs-sys]})" 'BEGIN { print u + s }')
echo "ratios: wall $(ratio "$ow" "$tw"), CPU (user + system) $(ratio "$oc" "$tc"), peak memory $(ratio "$(median ${figures[ours-mem]})" "$(median ${figures[theirs-mem]})")"
pictures() { ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of default=nw=1:nk=1 "$1" | head -n 1; }
echo "pictures: source $(pictures "$vob"), tarvok-rip $(pictures "$work/ours/dvdRip_Movie1.mpg"), ffmpeg $(pictures "$work/ffmpeg.ts")"
