#!/usr/bin/env bash
# Times a copy of a disc's own streams (tarvok-rip rip --copy, into MKV)
# against ffmpeg's copy of the same VOB, and how fast a title over 1 GB is
# copied from a disc folder in the page cache.
#
# 1. A PAL test disc (2 minutes by default): medians of RUNS (default 5)
#    alternating runs of wall time, CPU and peak memory of
#    `tarvok-rip rip DISC --copy` and of
#    `ffmpeg -fflags +genpts -i VTS_01_1.VOB -map 0:v -map 0:a -c copy`,
#    whose exit status must be 0.
# 2. A title of about 1.1 GB (one minute of pictures played 50 times, which
#    dvdauthor splits into VTS_01_1.VOB and VTS_01_2.VOB): the median of RUNS
#    copies in MB/s, after one read that brings the VOBs into the page cache;
#    and a copy of its second chapter, which spans both files, checked whole.
#
#   bench/copy_vs_ffmpeg.sh [RUNS] [SECONDS]
source "$(dirname "$0")/common.sh"
big=$work/pal-big
tests/make_test_disc.sh "$big" --system pal --title 60:2 --repeat 50
ours=(build/bin/tarvok-rip rip "$disc" --copy --output "$work/copy" --yes)
theirs=(ffmpeg -nostdin -y -fflags +genpts -i "$vob" -map 0:v -map 0:a -c copy "$work/ffmpeg-copy.mkv")
"${theirs[@]}" > /dev/null 2>&1 || { echo "ffmpeg's copy failed" >&2; exit 1; }  # its status, once

# Each run writes a new file, as a user's rip does: replacing one costs the file system more.
declare -A figures
for ((i = 0; i < runs; i++)); do
  for who in ours theirs; do
    if [ "$who" = ours ]; then
      rm -rf "$work/copy"
      read -r w u s m < <(measure "${ours[@]}")
    else
      rm -f "$work/ffmpeg-copy.mkv"
      read -r w u s m < <(measure "${theirs[@]}")
    fi
    figures[$who-wall]+="$w " figures[$who-cpu]+="$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }') " figures[$who-mem]+="$m "
  done
done
echo "medians of $runs alternating runs, ${length} s PAL disc"
printf '%-10s %8s %8s %9s\n' "" "wall s" "CPU s" "peak MB"
for who in ours theirs; do
  printf '%-10s %8s %8s %9s\n' "$who" "$(median ${figures[$who-wall]})" "$(median ${figures[$who-cpu]})" \
    "$(( $(median ${figures[$who-mem]} | cut -d. -f1) / 1024 ))"
done
echo "ratios: wall $(ratio "$(median ${figures[ours-wall]})" "$(median ${figures[theirs-wall]})"), peak memory" \
  "$(ratio "$(median ${figures[ours-mem]})" "$(median ${figures[theirs-mem]})")"
pictures() { ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of default=nw=1:nk=1 "$1" 2>/dev/null | head -n 1; }
echo "pictures: source $(pictures "$vob"), tarvok-rip $(pictures "$work/copy/dvdRip_Movie1.mkv"), ffmpeg $(pictures "$work/ffmpeg-copy.mkv")"

# The long title: read once into the page cache, then copied.
cat "$big"/VIDEO_TS/VTS_01_*.VOB > /dev/null
bytes=$(cat "$big"/VIDEO_TS/VTS_01_*.VOB | wc -c)
speeds=() walls=()
for ((i = 0; i < runs; i++)); do
  rm -rf "$work/big"
  read -r w u s m < <(measure build/bin/tarvok-rip rip "$big" --copy --output "$work/big" --yes)
  walls+=("$w") speeds+=("$(awk -v b="$bytes" -v w="$w" 'BEGIN { printf "%.0f", b / 1e6 / w }')")
done
echo "a title of $((bytes / 1000000)) MB in $(ls "$big"/VIDEO_TS/VTS_01_*.VOB | wc -l) VOB files: median $(median "${walls[@]}") s," \
  "$(median "${speeds[@]}") MB/s, peak $(( m / 1024 )) MB"
echo "its pictures: source $(( $(for v in "$big"/VIDEO_TS/VTS_01_*.VOB; do pictures "$v"; done | paste -sd+) )), copy $(pictures "$work/big/dvdRip_Movie1.mkv")"
# Chapter 2 runs from 0:30 to the end, across the two VOB files.
build/bin/tarvok-rip rip "$big" --copy --title 1 --chapters 2 --output "$work/big" --yes > /dev/null 2>&1
echo "chapter 2, across both files: $(pictures "$work/big/dvdRip_Movie1_T1.1.1_C2.mkv") pictures of $(( (3000 - 30) * 25 ))"
rm -rf "$work/big" "$work/copy" "$work/ffmpeg-copy.mkv"
