#!/usr/bin/env bash
# Measures the whole program's speed on the shipped inputs, in one go on an idle machine:
# events/s on one thread, on two threads, and of two one-thread processes side by side, and the
# default 300,000,000-event run extrapolated from the fastest of them; and the weighted run
# (--bias) on one thread, against the analog one.
#   scripts/bench-run.sh [BINARY] [EVENTS]   (defaults: build/ornaplex, 20000000)
# Each measurement is the best of three; ORNAPLEX_SIMD is passed through (unset: the widest path).
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/ornaplex}")
events=${2:-20000000}
[ -x "$bin" ] || { echo "bench-run: no program at $bin (build it with scripts/build.sh)" >&2; exit 1; }
data=$PWD/data
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Wall seconds of one run: run <dir> <threads> <seed> [more options].
run() {
  mkdir -p "$1"
  local t0 t1
  t0=$(date +%s.%N)
  "$bin" --events "$events" --seed "$3" --threads "$2" --quiet --data-dir "$data" \
    --output-dir "$1" "${@:4}" > "$1/screen.txt"
  t1=$(date +%s.%N)
  calc "$t1 - $t0"
}
calc() { awk "BEGIN { print $1 }"; }
best() { printf '%s\n' "$@" | sort -g | head -1; }
rate() { calc "$events / $1"; }

one=() two=() pair=() weighted=()
for k in 1 2 3; do
  one+=("$(run "$work/one$k" 1 $((100 + k)))")
  weighted+=("$(run "$work/bias$k" 1 $((500 + k)) --bias)")
  two+=("$(run "$work/two$k" 2 $((200 + k)))")
  # Two independent one-thread processes at once: the machine's own limit for two threads.
  t0=$(date +%s.%N)
  run "$work/pa$k" 1 $((300 + k)) > /dev/null &
  run "$work/pb$k" 1 $((400 + k)) > /dev/null &
  wait
  t1=$(date +%s.%N)
  pair+=("$(calc "$t1 - $t0")")
done
t1=$(best "${one[@]}"); t2=$(best "${two[@]}"); tp=$(best "${pair[@]}")
tw=$(best "${weighted[@]}")
r1=$(rate "$t1"); r2=$(rate "$t2"); rp=$(calc "2 * $events / $tp"); rw=$(rate "$tw")
printf 'program      %s (path %s)\n' "$bin" "${ORNAPLEX_SIMD:-widest}"
printf 'events       %d per run, best of 3\n' "$events"
printf '1 thread     %6.2f s  %5.2f million events/s  %4.0f ns/event\n' "$t1" "$(calc "$r1/1e6")" "$(calc "1e9/$r1")"
printf '2 threads    %6.2f s  %5.2f million events/s  (x%.2f of one thread)\n' "$t2" "$(calc "$r2/1e6")" "$(calc "$r2/$r1")"
printf '2 processes  %6.2f s  %5.2f million events/s  (2 threads reach %.0f %% of this)\n' "$tp" "$(calc "$rp/1e6")" "$(calc "100*$r2/$rp")"
printf '300M run     %6.1f s  expected with 2 threads\n' "$(calc "300000000/$r2")"
printf 'weighted     %6.2f s  %5.2f million events/s  %4.0f ns/event  (x%.2f of the analog time, 1 thread)\n' \
  "$tw" "$(calc "$rw/1e6")" "$(calc "1e9/$rw")" "$(calc "$tw/$t1")"
