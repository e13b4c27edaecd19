#!/usr/bin/env bash
# tesk_mag's CSV and JSON tables of the example event's result lines, loaded with Python's csv
# and json modules and checked field by field against the fixed-column lines.
set -eu
top=$1 bin=$2 python=$3 work=$4
here=$(cd "$(dirname "$0")" && pwd)
event="$top/examples/event"
rm -rf "$work" && mkdir -p "$work" && cd "$work"
read -r origin lat lon depth < "$event/synth.event"
"$bin/driver/tesk_wave" -w -g -e -r -l "$lat" "$lon" -t "$origin" -d "$depth" \
  -coord "$event/synth.stat" -resp "$event/synth.resp" -sens "$event/synth.sens" \
  -pick "$event/synth.pick" -model "$bin/traveltime/iasp91" "$event"/*.mseed > run.log
"$bin/commands/tesk_mag" -event "$event/synth.event" -coord "$event/synth.stat" \
  -csv table.csv -json table.json . > mag.txt
"$python" "$here/mag_tables.py" . table.csv table.json
