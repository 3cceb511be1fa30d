#!/usr/bin/env bash
# Makes a real DVD-Video folder with ffmpeg and dvdauthor.
#
#   make_test_disc.sh OUT --system pal|ntsc [--aspect 4:3|16:9] [--menu] [--audio LANG,LANG...]
#                         [--subtitles LANG,LANG...] [--interlaced] [--open-gops] [--lpcm] [--soft-telecine] [--repeat N]
#                         [--first-play COMMANDS] [--menu-buttons COMMANDS|COMMANDS...]
#                         --title SECONDS[:CHAPTERS] [--decoy SECONDS] [--title ...] [--vts --title ...]
#
# Each --title adds a title (a program chain) to the current title set, cut
# into CHAPTERS equal chapters (default 1); --vts starts the next title set;
# --menu gives the first title set a menu, so that VTS_01_0.VOB exists;
# --audio gives the titles of the current title set and of the next ones
# one audio stream per language (each its own tone: the title's, + 50 Hz
# for each stream's number);
# --subtitles gives the titles of the current title set one subpicture
# stream per language (spumux): stream k shows a
# bar of its own colour (red, green, blue) and place from 1+k/2 s to 2+k/2 s,
# and again, marked forced, from 3+3k/2 s to 4+3k/2 s; the first stream's
# kind is "normal", the others' "large".
# --interlaced codes the pictures as interlaced, top field first;
# --open-gops codes B pictures and leaves groups of pictures open, so that a
# chapter's first B pictures refer to the chapter before it;
# --lpcm gives DVD LPCM sound instead of AC-3;
# --soft-telecine (NTSC) codes the pictures at 24000/1001 and flags them for
# 3:2 pulldown, as film discs are (soft_telecine.py);
# --repeat N plays each title's clip N times in a row (one cell each), so
# that a long title costs only a short encode;
# --decoy adds a title of grey pictures, one clip for every decoy of its
# length (dvdauthor shares their cells), as discs hide their film among;
# --first-play gives the video manager's first-play commands ("jump title 2;");
# --menu-buttons gives it a menu (its first program chain) with a button
# for each command, the first highlighted; the first play then opens it,
# and every title calls it again when it ends.
# OUT/VIDEO_TS is written; a disc already at OUT is left alone. The disc is
# built beside OUT and moved into place, so a reader never sees half a disc.
set -euo pipefail

out=${1:?usage: make_test_disc.sh OUT --system pal|ntsc --title SECONDS[:CHAPTERS] ...}
shift
[ -f "$out/VIDEO_TS/VIDEO_TS.IFO" ] && exit 0

first_play="" menu_buttons=""
system=pal aspect=4:3 menu=0 interlaced=0 open_gops=0 lpcm=0 soft_telecine=0 repeat=1
titlesets=("")   # one entry per title set: space-separated SECONDS:CHAPTERS
subtitled=("")   # the subtitle languages of each title set
voiced=("")      # the audio languages of each title set
while [ $# -gt 0 ]; do
  case $1 in
    --system) system=$2; shift 2 ;;
    --aspect) aspect=$2; shift 2 ;;
    --menu) menu=1; shift ;;
    --interlaced) interlaced=1; shift ;;
    --open-gops) open_gops=1; shift ;;
    --lpcm) lpcm=1; shift ;;
    --soft-telecine) soft_telecine=1; shift ;;
    --repeat) repeat=$2; shift 2 ;;
    --first-play) first_play=$2; shift 2 ;;
    --menu-buttons) menu_buttons=$2; shift 2 ;;
    --decoy) titlesets[-1]+="${titlesets[-1]:+ }grey:$2"; shift 2 ;;
    --audio) voiced[-1]=$2; shift 2 ;;
    --subtitles) subtitled[-1]=$2; shift 2 ;;
    --title) titlesets[-1]+="${titlesets[-1]:+ }$2"; shift 2 ;;
    --vts) titlesets+=(""); subtitled+=(""); voiced+=("${voiced[-1]}"); shift ;;
    *) echo "make_test_disc.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
case $system in
  pal) size=720x576 rate=25 target=pal-dvd format=PAL ;;
  ntsc) size=720x480 rate=30000/1001 target=ntsc-dvd format=NTSC ;;
  *) echo "make_test_disc.sh: system must be pal or ntsc" >&2; exit 2 ;;
esac
[ "$soft_telecine" -eq 1 ] && [ "$system" != ntsc ] && { echo "make_test_disc.sh: soft telecine is NTSC's" >&2; exit 2; }

work=$(mktemp -d "$(dirname "$out")/.disc.XXXXXX")
trap 'rm -rf "$work"' EXIT

# One MPEG-2 program stream per title: a moving test picture with a counter
# and a stereo tone whose pitch tells the titles apart.
encode() {  # file seconds tone
  local inputs=() maps=(-map 0:v) k=0 language video coding
  for language in ${languages//,/ }; do
    k=$((k + 1))
    inputs+=(-f lavfi -i "sine=frequency=$(($3 + 50 * k)):sample_rate=48000:duration=$2")
    maps+=(-map "$k:a")
  done
  [ "$k" -eq 0 ] && inputs=(-f lavfi -i "sine=frequency=$3:sample_rate=48000:duration=$2") && maps=()
  video=(-f lavfi -i "testsrc2=size=$size:rate=$rate:duration=$2")
  # Closed GOPs, as discs have at their chapters: a chapter can be cut out whole.
  coding=(-target "$target" -aspect "$aspect" -b:v 2500k -flags +cgop -sc_threshold 1000000000)
  [ "$open_gops" -eq 1 ] && coding=(-target "$target" -aspect "$aspect" -b:v 2500k -bf 2 -sc_threshold 1000000000)
  if [ "$soft_telecine" -eq 1 ]; then
    # The film's own pictures, then the flags a player pulls them down by; the
    # remux times each picture by its fields.
    ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=$size:rate=24000/1001:duration=$2" -c:v mpeg2video \
      -aspect "$aspect" -b:v 2500k -maxrate 9000k -bufsize 1835008 -g 12 -bf 0 -flags +cgop \
      -sc_threshold 1000000000 -f mpeg2video "$1.film.m2v"
    python3 "$(dirname "$0")/soft_telecine.py" "$1.film.m2v" "$1.m2v"
    video=(-fflags +genpts -i "$1.m2v")
    coding=(-c:v copy -c:a ac3 -b:a 192k -ar 48000 -f dvd)
  fi
  [ "$interlaced" -eq 1 ] && coding+=(-flags +cgop+ildct+ilme -top 1)
  [ "$lpcm" -eq 1 ] && coding+=(-c:a pcm_dvd)
  ffmpeg -nostdin -v error -y "${video[@]}" "${inputs[@]}" "${maps[@]}" -ac 2 "${coding[@]}" "$1"
}

# The subpicture streams of `subtitles` muxed into the title file $1 of $2 seconds.
add_subtitles() {  # file seconds
  local k=0 language colour y start forced
  for language in ${subtitles//,/ }; do
    colour=$(echo "#ff3030 #30ff30 #3030ff" | cut -d' ' -f$((k % 3 + 1)))
    y=$((420 - 160 * (k % 3)))
    convert -size ${size} xc:black -fill "$colour" -draw "rectangle 100,$y 620,$((y + 60))" -transparent black "PNG8:$work/sub$k.png"
    start=$(awk -v k=$k 'BEGIN { printf "%.2f", 1 + k / 2 }')
    forced=$(awk -v k=$k 'BEGIN { printf "%.2f", 3 + 3 * k / 2 }')
    {
      echo "<subpictures><stream>"
      echo "<spu start=\"00:00:0$start\" end=\"00:00:0$(awk -v s="$start" 'BEGIN { printf "%.2f", s + 1 }')\" image=\"$work/sub$k.png\"/>"
      awk -v f="$forced" -v d="$2" 'BEGIN { exit !(f + 1 <= d) }' &&
        echo "<spu start=\"00:00:0$forced\" end=\"00:00:0$(awk -v s="$forced" 'BEGIN { printf "%.2f", s + 1 }')\" image=\"$work/sub$k.png\" force=\"yes\"/>"
      echo "</stream></subpictures>"
    } > "$work/sub$k.xml"
    spumux -s $k "$work/sub$k.xml" < "$1" > "$1.sub" 2> "$work/spumux.log" || { cat "$work/spumux.log" >&2; exit 1; }
    mv "$1.sub" "$1"
    k=$((k + 1))
  done
}

chapter_marks() {  # seconds chapters -> "0,0:02,0:04"
  local seconds=$1 chapters=$2 marks="0" k
  for ((k = 1; k < chapters; k++)); do
    local at=$((seconds * k / chapters))
    marks+=",$((at / 60)):$(printf '%02d' $((at % 60)))"
  done
  echo "$marks"
}

# The manager's menu: a still of two seconds with a button for each command, drawn by spumux from
# rectangles it finds in the highlight picture, the first one highlighted.
manager_menu() {
  local commands=() command k=0 draw=()
  IFS='|' read -r -a commands <<< "$menu_buttons"
  for command in "${commands[@]}"; do
    draw+=(-draw "rectangle 100,$((80 + 100 * k)) 620,$((140 + 100 * k))")
    k=$((k + 1))
  done
  convert -size "$size" xc:black -fill "#ffff00" "${draw[@]}" -transparent black "PNG8:$work/buttons.png"
  languages="" encode "$work/menu.mpg" 2 220
  echo "<subpictures><stream><spu start=\"00:00:00.00\" highlight=\"$work/buttons.png\" select=\"$work/buttons.png\" autooutline=\"infer\" autoorder=\"rows\" force=\"yes\"/></stream></subpictures>" > "$work/buttons.xml"
  spumux "$work/buttons.xml" < "$work/menu.mpg" > "$work/menu-buttons.mpg" 2> "$work/spumux.log" || { cat "$work/spumux.log" >&2; exit 1; }
  echo -n "<menus><video format=\"$system\" aspect=\"$aspect\" /><pgc entry=\"title\"><vob file=\"$work/menu-buttons.mpg\" pause=\"inf\" />"
  for command in "${commands[@]}"; do echo -n "<button>$command</button>"; done
  echo -n "</pgc></menus>"
}

[ -n "$menu_buttons" ] && [ -z "$first_play" ] && first_play="jump vmgm menu 1;"
xml="<dvdauthor dest=\"$work/disc\"><vmgm>${first_play:+<fpc>$first_play</fpc>}"
[ -n "$menu_buttons" ] && xml+="$(manager_menu)"
xml+="</vmgm>"
n=0
for ((ts = 0; ts < ${#titlesets[@]}; ts++)); do
  xml+="<titleset>"
  subtitles=${subtitled[$ts]} languages=${voiced[$ts]}
  if [ "$ts" -eq 0 ] && [ "$menu" -eq 1 ]; then
    encode "$work/menu.mpg" 2 220
    xml+="<menus><video format=\"$system\" aspect=\"$aspect\" /><pgc entry=\"root\"><vob file=\"$work/menu.mpg\" /><post>jump title 1;</post></pgc></menus>"
  fi
  xml+="<titles><video format=\"$system\" aspect=\"$aspect\" />"
  for language in ${languages//,/ }; do xml+="<audio lang=\"$language\" />"; done
  kind=normal
  for language in ${subtitles//,/ }; do xml+="<subpicture lang=\"$language\" content=\"$kind\" />"; kind=large; done
  for title in ${titlesets[$ts]}; do
    if [ "${title%%:*}" = grey ]; then
      seconds=${title#grey:}
      [ -f "$work/grey$seconds.mpg" ] ||
        ffmpeg -nostdin -v error -y -f lavfi -i "color=gray:size=$size:rate=$rate:duration=$seconds" \
          -f lavfi -i "sine=frequency=200:sample_rate=48000:duration=$seconds" -ac 2 -target "$target" -aspect "$aspect" \
          -flags +cgop -sc_threshold 1000000000 "$work/grey$seconds.mpg"
      xml+="<pgc><vob file=\"$work/grey$seconds.mpg\" />${menu_buttons:+<post>call vmgm menu 1;</post>}</pgc>"
      continue
    fi
    seconds=${title%%:*} chapters=1
    [ "$title" != "$seconds" ] && chapters=${title#*:}
    n=$((n + 1))
    encode "$work/title$n.mpg" "$seconds" $((330 + 110 * n))
    add_subtitles "$work/title$n.mpg" "$seconds"
    xml+="<pgc><vob file=\"$work/title$n.mpg\" chapters=\"$(chapter_marks "$seconds" "$chapters")\" />"
    # Each time under a name of its own (a link), or dvdauthor writes the clip once.
    for ((k = 1; k < repeat; k++)); do
      ln "$work/title$n.mpg" "$work/title$n.$k.mpg"
      xml+="<vob file=\"$work/title$n.$k.mpg\" />"
    done
    xml+="${menu_buttons:+<post>call vmgm menu 1;</post>}</pgc>"
  done
  xml+="</titles></titleset>"
done
xml+="</dvdauthor>"
echo "$xml" > "$work/dvd.xml"
VIDEO_FORMAT=$format dvdauthor -x "$work/dvd.xml" > "$work/dvdauthor.log" 2>&1 ||
  { cat "$work/dvdauthor.log" >&2; exit 1; }

mkdir -p "$(dirname "$out")"
# Empty folders made in advance (build tools do) give way to the disc.
rmdir "$out/VIDEO_TS" "$out" 2>/dev/null || true
mv -T "$work/disc" "$out" 2>/dev/null || [ -f "$out/VIDEO_TS/VIDEO_TS.IFO" ]
