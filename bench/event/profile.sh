#!/usr/bin/env bash
# Instruction profile of the whole-event run (valgrind's callgrind): total instructions and the
# top functions by their own cost. Run bench/event/run.sh first (it makes the events).
#   bench/event/profile.sh [shared|station|distinct] [BUILD] [TOP]
#       (default the shared-instrument event, build-release, 25 functions)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
variant=shared
case "${1:-}" in shared | station | distinct) variant=$1 && shift ;; esac
build=${1:-build-release}
case "$build" in /*) ;; *) build="$top/$build" ;; esac
count=${2:-25}
work="$build/bench-event"
ev="$work/$variant/event"
[ -f "$ev/synth.event" ] || { echo "no $variant event in $work: run bench/event/run.sh first"; exit 1; }
export LEAPSECONDS="$top/data/leapseconds"
read -r origin lat lon depth <"$ev/synth.event"
mkdir -p "$work/profile-$variant" && cd "$work/profile-$variant"
out="$work/callgrind-$variant.out"
valgrind --tool=callgrind --callgrind-out-file="$out" \
    "$build/driver/tesk_wave" -w -g -e -r -l "$lat" "$lon" -t "$origin" -d "$depth" \
    -coord "$ev/synth.stat" -resp "$ev/synth.resp" -sens "$ev/synth.sens" \
    -pick "$ev/synth.pick" -model "$build/traveltime/iasp91" "$ev"/*.mseed >/dev/null 2>&1
callgrind_annotate "$out" 2>/dev/null |
    sed -n '/PROGRAM TOTALS/p; /file:function/,$p' | sed -n "1p;4,$((count + 3))p" |
    sed -E 's/\(anonymous namespace\)/(anon)/g; s/std::span<[^>]*>/span/g; s/\[[^]]*\]$//; s/std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >/string/g' |
    cut -c1-150
