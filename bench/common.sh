# Shared by the benchmarks: sourced by them, with their arguments [RUNS] [SECONDS].
# Builds the program, makes a PAL test disc of SECONDS (default 120) in
# $work ($disc, its first VOB $vob), and gives the rips a home of their own,
# so that they run with the default settings, whatever the user's profile holds.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
length=${2:-120}
scripts/build.sh > /dev/null

work=build/bench
disc=$work/pal-${length}s
mkdir -p "$work"
tests/make_test_disc.sh "$disc" --system pal --title "$length:6"
vob=$disc/VIDEO_TS/VTS_01_1.VOB
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME"

# wall user system peak-KB of one run of "$@", its output thrown away.
measure() { /usr/bin/time -f '%e %U %S %M' -o "$work/time.txt" "$@" > /dev/null 2>&1; cat "$work/time.txt"; }

# The median of the numbers given.
median() { printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

# A / B to two places.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
