#!/bin/bash
# Runs every benchmark and writes docs/performance.md with the figures and
# docs/scan-time.png, a plot of scan time against registry size. The Wine
# figures come from the 64-bit build: on machines that cannot run 32-bit
# code the 32-bit one runs under an emulator, which would be measured too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
mkdir -p "$root/build"
for name in host win-x86_64; do
    "$root/tools/build.sh" "$name" >"$root/build/perf-$name.log" 2>&1 ||
        { cat "$root/build/perf-$name.log"; exit 1; }
done
work="$root/build/perf"
rm -rf "$work"
mkdir -p "$work" "$root/docs"
prefix="$work/wineprefix"
"$root/cmake/wine-prefix.sh" create "$prefix" >/dev/null
trap '"$root/cmake/wine-prefix.sh" end "$prefix"' EXIT
bin="$root/build/win-x86_64/bin"
wine_run() { "$root/cmake/wine-run.sh" "$prefix" "$@" | tr -d '\r'; }

echo "host: scan of the stand-in key store ..."
"$root/build/host/bench/scan_bench" --benchmark_repetitions=7 --benchmark_report_aggregates_only=true \
    --benchmark_format=console 2>/dev/null | sed 's/\x1b\[[0-9;]*m//g' >"$work/host.txt"
grep -E '^scan cost|^ratio' "$work/host.txt"

echo "wine: scan against its floor, and start to dialog ..."
wine_run "$bin/wine_scan_bench.exe" 20000 --start >"$work/wine.txt"
cat "$work/wine.txt"
figure() { awk -v name="$1" '$1 == name { print $2 }' "$work/wine.txt"; }

echo "wine: DeleteKeyTree against RegDeleteTreeA ..."
wine_run "$bin/delete_bench.exe" >"$work/delete.txt"
cat "$work/delete.txt"

echo "scan time against registry size ..."
: >"$work/plot.dat"
for size in 1000 10000 100000; do
    ns=$(grep -E "at +$size subkeys" "$work/host.txt" | sed -E 's/.*: +([0-9.]+) ns/\1/')
    echo "host $size $(awk -v n="$ns" -v s="$size" 'BEGIN { print n * s / 1e6 }')" >>"$work/plot.dat"
done
for size in 1000 2000 5000 10000 20000; do
    seconds=$(wine_run "$bin/wine_scan_bench.exe" "$size" | awk '$1 == "fill_seconds" { print $2 }')
    echo "wine $size $(awk -v s="$seconds" 'BEGIN { print s * 1000 }')" >>"$work/plot.dat"
done
cat "$work/plot.dat"
gnuplot <<PLOT
set terminal pngcairo size 720,440 font "sans,10" noenhanced
set output "$root/docs/scan-time.png"
set title "Time to list the controls, against the number of CLSID subkeys (one in twenty a control)"
set xlabel "CLSID subkeys"
set ylabel "scan time (ms)"
set logscale xy
set xrange [500:200000]
set grid
set key top left
plot "< grep '^host' $work/plot.dat" using 2:3 with linespoints title "host stand-in key store", \
     "< grep '^wine' $work/plot.dat" using 2:3 with linespoints title "Wine's registry (x86_64)"
PLOT

host_line() { grep -E "$1" "$work/host.txt" | sed -E 's/.*: +//'; }
cat >"$root/docs/performance.md" <<REPORT
# Performance

Made by \`tools/perf-report.sh\` on $(date -u +%Y-%m-%d), $(nproc) cores. Each
ratio compares the two sides in one run, alternating, with medians of several runs.

| what | figure |
|---|---|
| host: scan cost per CLSID subkey at 1,000 / 10,000 / 100,000 subkeys | $(host_line 'at +1000 ') / $(host_line 'at +10000 ') / $(host_line 'at +100000 ') |
| host: cost per subkey at 100,000 over that at 1,000 | $(host_line '^ratio') |
| Wine: FillControlList on $(figure subkeys) subkeys ($(figure controls) controls) | $(figure fill_seconds) s |
| Wine: the bare loop of the same registry calls (the floor) | $(figure bare_seconds) s |
| Wine: FillControlList over the floor | $(figure fill_over_bare) |
| Wine: FillControlList over the scan in its first order | $(figure fill_over_first_order) |
| Wine: one registry call (a bare enumeration) | $(figure call_microseconds) µs |
| Wine: DeleteKeyTree over RegDeleteTreeA, trees of 10,000 keys | $(sed -nE 's/^ratio DeleteKeyTree .*= //p' "$work/delete.txt") |
| Wine: a removal's read-only walk and deletion of such a tree over RegDeleteTreeA | $(sed -nE 's/^ratio CheckKeyTree .*= //p' "$work/delete.txt") |
| Wine: talvenctl list, whole (with the census of library users over both views), over FillControlList | $(figure list_over_fill) |
| Wine: removing one control (its library's other users looked for over both views) over FillControlList | $(figure remove_one_over_fill) |
| Wine: the same with as many classes again in the other view | $(figure remove_one_other_view_full_over_fill) |
| Wine: start to dialog shown, with / without those subkeys | $(figure start_large_seconds) s / $(figure start_empty_seconds) s |
| Wine: of the difference, what is not registry calls | $(figure start_difference_not_registry_seconds) s |
| Wine: what the dialog's server file checks add to that start (one control in ten a bare name found nowhere) | $(figure server_checks_seconds) s |
| Wine: the start over the start without them | $(figure start_over_start_without_checks) |

![scan time against registry size](scan-time.png)
REPORT
echo "wrote docs/performance.md and docs/scan-time.png"
