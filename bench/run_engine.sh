#!/usr/bin/env bash
# Runs bench_engine once per sheet size, each in a process of its own so that the peak RSS is
# that size's alone, then the undo, window-shown, largest-sheet and libmypaint figures; prints
# a table. Usage: bench/run_engine.sh [SIZE...]   (default 600 4096 8192 16384)
#   BENCH_ENGINE  the program (default build/bench/bench/bench_engine)
#   EXTRAS=0      only the sizes
#   MEM_LIMIT_GB  address-space cap per run, so that a sheet too big for the machine fails
#                 alone instead of waking the OOM killer (default 20; 0 for none)
#   TIMEOUT       seconds per run (default: none)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bench=${BENCH_ENGINE:-$root/build/bench/bench/bench_engine}
[[ -x "$bench" ]] || { echo "run_engine: build bench_engine first ($bench)" >&2; exit 1; }
sizes=("$@")
[[ ${#sizes[@]} -eq 0 ]] && sizes=(600 4096 8192 16384)
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

# One benchmark in its own process; prints the CSV row as "column=value" lines.
run() {
    (
        limit=${MEM_LIMIT_GB:-20}
        [[ "$limit" != 0 ]] && ulimit -v $((limit * 1024 * 1024))
        timeout "${TIMEOUT:-0}" "$bench" --benchmark_filter="^$1(/|\$)" --benchmark_format=csv 2>/dev/null
    ) | awk -F, '
        /^name,/ { for (i = 1; i <= NF; i++) { gsub(/"/, "", $i); col[i] = $i }; next }
        length(col) > 0 && NF > 1 {
            for (i = 1; i <= NF; i++) { gsub(/"/, "", $i); print col[i] "=" $i }
        }'
}

# The value of a column in run's output; "-" when it has none.
field() {
    local v
    v=$(grep -m1 "^$2=" <<<"$1" | cut -d= -f2-)
    [[ -n "$v" ]] && echo "$v" || echo "-"
}

# A number rounded to the given decimals; anything else as it is.
num() {
    if [[ "$1" =~ ^[-+0-9.eE]+$ ]]; then printf "%.${2}f" "$1"; else echo "$1"; fi
}

# Why a run gave no figures.
status() {
    local out=$1
    [[ -z "$out" ]] && { echo "(no result: killed, timed out or crashed)"; return; }
    [[ $(field "$out" error_occurred) == true ]] && echo "($(field "$out" error_message))"
}

printf "%-7s %12s %18s %10s %12s %s\n" size samples/s "slowest start ms" "p99 ms" "peak RSS MB" ratio
for size in "${sizes[@]}"; do
    out=$(run "BM_ReplayPenSession/side:$size")
    printf "%-7s %12s %18s %10s %12s %s %s\n" "$size" \
        "$(num "$(field "$out" samples/s)" 0)" "$(num "$(field "$out" slowest_start_ms)" 1)" \
        "$(num "$(field "$out" p99_ms)" 3)" "$(num "$(field "$out" peak_rss_MB)" 0)" \
        "$(num "$(field "$out" ratio_to_libmypaint)" 3)" "$(status "$out")"
done
[[ "${EXTRAS:-1}" == 0 ]] && exit 0

echo
out=$(run "BM_UndoNewest/side:16384")
echo "undo of the newest of ten strokes, 16384²: $(num "$(field "$out" real_time)" 1) ms," \
    "peak RSS $(num "$(field "$out" peak_rss_MB)" 0) MB $(status "$out")"
out=$(run "BM_WindowShown/side:16384")
echo "new document to window shown, 16384²: $(num "$(field "$out" real_time)" 1) ms," \
    "peak RSS $(num "$(field "$out" peak_rss_MB)" 0) MB $(status "$out")"
out=$(run "BM_TenStrokes/side:32767")
echo "ten strokes, 32767²: $(num "$(field "$out" real_time)" 1) ms," \
    "$(num "$(field "$out" samples/s)" 0) samples/s," \
    "slowest start $(num "$(field "$out" slowest_start_ms)" 1) ms," \
    "$(field "$out" history) of them in the undo history," \
    "peak RSS $(num "$(field "$out" peak_rss_MB)" 0) MB $(status "$out")"
out=$(run "BM_LibMyPaint")
echo "libmypaint, the same 20 × 500 samples: $(num "$(field "$out" samples/s)" 0) samples/s $(status "$out")"
