#!/usr/bin/env bash
# Runs tesk_wave on the bundled example event in a fresh output folder and shows the result files.
set -euo pipefail
build=${1:-build}
top=$(cd "$(dirname "$0")/.." && pwd)
bin="$top/$build/driver/tesk_wave"
event="$top/examples/event"
out="$top/demo-out"
rm -rf "$out" && mkdir -p "$out" && cd "$out"
export LEAPSECONDS="$top/data/leapseconds"

# The event line: origin time, latitude, longitude, depth (km).
read -r origin lat lon depth < "$event/synth.event"
model=()
if [ -f "$top/$build/traveltime/iasp91.hed" ]; then
  model=(-model "$top/$build/traveltime/iasp91")
fi

set -x
"$bin" -v -w -g -e -r -l "$lat" "$lon" -t "$origin" -d "$depth" \
  -coord "$event/synth.stat" -resp "$event/synth.resp" -sens "$event/synth.sens" \
  -pick "$event/synth.pick" "${model[@]}" "$event"/*.mseed
set +x

for f in wood.wave ground.wave shake.wave energy.wave ramp.wave; do
  if [ -f "$f" ]; then
    echo
    echo "== $f"
    cat "$f"
  fi
done

# The event's magnitudes from the result files.
mag="$top/$build/commands/tesk_mag"
if [ -x "$mag" ]; then
  echo
  echo "== tesk_mag"
  "$mag" -event "$event/synth.event" -coord "$event/synth.stat" .
fi
