# Shared by the benchmarks: sourced, not run.

# wall user system peak-KB of one run of "$@", its output thrown away; $work holds the figures.
measure() { /usr/bin/time -f '%e %U %S %M' -o "$work/time.txt" "$@" > /dev/null 2>&1; cat "$work/time.txt"; }

# The median of the numbers given.
median() { printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

# A / B to two places.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
