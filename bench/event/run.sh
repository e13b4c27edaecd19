#!/usr/bin/env bash
# Whole-event benchmark: tesk_wave -w -g -e -r over a synthetic event of 25 three-component
# stations (75 files of 16384 samples at 100 per second, Steim-2), against bench/reference.py,
# in three variants of the same event:
#   shared    every channel has the same broadband instrument (tesk_synth's default);
#   station   every station its own sensor, the same gain on its three channels
#             (tesk_synth -instruments station);
#   distinct  every station its own sensor and every channel its own gain, so that no two
#             traces share a response (tesk_synth -instruments distinct).
#
#   bench/event/run.sh [BUILD] [RUNS]      (default BUILD build-release, RUNS 15)
#   bench/event/run.sh [BUILD] --save      store the result files as the new baseline
#
# Builds Release in BUILD, makes both events with tesk_synth, checks the result files of both
# and of the example event byte for byte against bench/event/baseline/, then times the four
# pipelines side by side (hyperfine, whole processes, median of RUNS), one thread each, and
# reports wall time, CPU time and peak resident memory.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-build-release}
case "$build" in /*) ;; *) build="$top/$build" ;; esac
mode=${2:-15}
work="$build/bench-event"
baseline="$top/bench/event/baseline"
python=/usr/bin/python3 # Debian's interpreter with python3-numpy
variants="shared station distinct"

cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTW_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null

export LEAPSECONDS="$top/data/leapseconds"
wave="$build/driver/tesk_wave"
model="$build/traveltime/iasp91"

# The events: first pick 2.7 s to 24.2 s after the origin, data from 30.25 s before it for
# 163.84 s, so every 90 s window (30 s before to 60 s after the first pick, 9000 samples)
# lies inside its trace and fewer than 16384 samples reach the estimators.
for variant in $variants; do
    ev="$work/$variant"
    if [ ! -f "$ev/event/synth.event" ]; then
        rm -rf "$ev" && mkdir -p "$ev/event"
        "$build/commands/tesk_synth" -o "$ev/event" -stations 25 -samples 16384 \
            -instruments "$variant" >/dev/null
        "$build/commands/tesk_dump" "$ev/event"/*.mseed >"$ev/dump.txt"
        "$python" "$top/bench/reference.py" prepare "$ev/dump.txt" "$ev/event/synth.pick" \
            "$ev/samples.npz"
    fi
done

# run_event NAME EVENT_DIR: tesk_wave on the event, result files left in $work/out-NAME.
wave_args() {
    local ev=$1 origin lat lon depth
    read -r origin lat lon depth <"$ev/synth.event"
    echo -w -g -e -r -l "$lat" "$lon" -t "$origin" -d "$depth" -coord "$ev/synth.stat" \
        -resp "$ev/synth.resp" -sens "$ev/synth.sens" -pick "$ev/synth.pick" -model "$model" \
        "$ev"/*.mseed
}
run_event() {
    local out="$work/out-$1"
    rm -rf "$out" && mkdir -p "$out"
    (cd "$out" && "$wave" $(wave_args "$2") >log.txt)
}
results="wood.wave ground.wave shake.wave energy.wave ramp.wave"
checked="$variants example"
for variant in $variants; do run_event "$variant" "$work/$variant/event"; done
run_event example "$top/examples/event"

if [ "$mode" = "--save" ]; then
    for name in $checked; do
        mkdir -p "$baseline/$name"
        for f in $results; do cp "$work/out-$name/$f" "$baseline/$name/$f"; done
    done
    echo "baseline saved in $baseline"
    exit 0
fi
same=yes
for name in $checked; do
    for f in $results; do
        if ! cmp -s "$work/out-$name/$f" "$baseline/$name/$f"; then
            echo "RESULT CHANGED: $name/$f differs from the baseline"
            same=no
        fi
    done
done
files=$(($(echo $checked | wc -w) * $(echo $results | wc -w)))
[ "$same" = yes ] && echo "results: all $files result files byte-identical to the baseline"

# Timing: the six pipelines side by side, each on one thread. The OpenBLAS variables set on
# this machine slow a current numpy, so they are unset for this command only.
declare -A ours theirs
for variant in $variants; do
    ev="$work/$variant"
    ours[$variant]="$wave $(wave_args "$ev/event")"
    theirs[$variant]="$python $top/bench/reference.py run $ev/samples.npz $ev/event/synth.resp"
done
cd "$work/out-shared"
env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE OPENBLAS_NUM_THREADS=1 hyperfine -N --warmup 3 \
    --runs "$mode" --export-json "$work/timing.json" --output=null \
    -n "tesk_wave shared" "${ours[shared]}" -n "numpy shared" "${theirs[shared]}" \
    -n "tesk_wave station" "${ours[station]}" -n "numpy station" "${theirs[station]}" \
    -n "tesk_wave distinct" "${ours[distinct]}" -n "numpy distinct" "${theirs[distinct]}" \
    >"$work/hyperfine.txt"

peak_rss() { # kB, from /usr/bin/time -v
    env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE /usr/bin/time -v "$@" 2>&1 >/dev/null |
        sed -n 's/.*Maximum resident set size (kbytes): //p'
}
rss=()
for variant in $variants; do
    rss+=("tesk_wave $variant=$(peak_rss ${ours[$variant]})")
    rss+=("numpy $variant=$(peak_rss ${theirs[$variant]})")
done

"$python" - "$work/timing.json" "${rss[@]}" <<'PYTHON'
import json, sys
runs = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
rss = dict(a.split("=") for a in sys.argv[2:])
print(f"{'pipeline':19s} {'wall median':>12s} {'wall min':>9s} {'CPU mean':>10s} {'peak RSS':>9s}")
for name, r in runs.items():
    cpu = r["user"] + r["system"]  # hyperfine reports the means
    print(f"{name:19s} {r['median']*1e3:9.1f} ms {r['min']*1e3:6.1f} ms {cpu*1e3:7.1f} ms"
          f" {int(rss[name])/1024:6.1f} MB")
# Wall times grow with the machine's load and the commands run one after another, so the
# ratios are also given by CPU time.
cpu = {name: r["user"] + r["system"] for name, r in runs.items()}
wall = {name: r["median"] for name, r in runs.items()}
for variant in ("shared", "station", "distinct"):
    ours, theirs = "tesk_wave " + variant, "numpy " + variant
    print(f"numpy reference / tesk_wave, {variant} instruments: {wall[theirs] / wall[ours]:.1f}x"
          f" wall (medians), {cpu[theirs] / cpu[ours]:.1f}x CPU (means)")
shared = "tesk_wave shared"
for variant in ("station", "distinct"):
    other = "tesk_wave " + variant
    print(f"tesk_wave, {variant} against shared instruments: {(wall[other] / wall[shared] - 1) * 100:+.1f} %"
          f" wall, {(cpu[other] / cpu[shared] - 1) * 100:+.1f} % CPU")
PYTHON
[ "$same" = yes ]
