#!/usr/bin/env bash
# Runs tesk_wave with -s on the example event, then tesk_plot on the run and on one save
# file of each kind, and with the event the magnitude figures and the record section; every
# PNG must exist, be a PNG and carry 150 dots per inch. Fails without matplotlib
# (python3-matplotlib).
set -eu
top=$1 bin=$2 python=$3 work=$4
"$python" -c "import matplotlib" 2>/dev/null || { echo "no matplotlib for $python (Debian python3-matplotlib)"; exit 1; }
event="$top/examples/event"
rm -rf "$work" && mkdir -p "$work" && cd "$work"
ln -s "$event"/*.mseed .
read -r origin lat lon depth < "$event/synth.event"
"$bin/driver/tesk_wave" -w -g -e -s -l "$lat" "$lon" -t "$origin" -d "$depth" \
  -coord "$event/synth.stat" -resp "$event/synth.resp" -sens "$event/synth.sens" \
  -pick "$event/synth.pick" -model "$bin/traveltime/iasp91" *.mseed > run.log

export TESK_MAG="$bin/commands/tesk_mag" TESK_TT="$bin/commands/tesk_tt"
plot() { "$python" "$top/scripts/tesk_plot" "$@"; }
plot . XX.SY01..HHZ.mseed.wood XX.SY02..HHN.mseed.ground XX.SY03..HHZ.mseed.energy
[ ! -e ml_distance.png ] || { echo "magnitude figures without an event"; exit 1; }
plot -o custom.png XX.SY04..HHE.mseed.wood
mkdir event
plot -event "$event/synth.event" -coord "$event/synth.stat" -model "$bin/traveltime/iasp91" . \
  > event/written.txt
plot -event "$event/synth.event" -coord "$event/synth.stat" -figure ml -o event/ml.png .
plot -l "$lat" "$lon" -t 2024-03-15T12:30:04.25Z -d "$depth" -coord "$event/synth.stat" \
  -figure section -section .ground -component N -model "$bin/traveltime/iasp91" \
  -o event/section_ground.png .
plot -event "$event/synth.event" -coord "$event/synth.stat" -o event/titled.png \
  XX.SY01..HHN.mseed.wood
printf '%s\n' ./run.png ./ml_distance.png ./amplitude_distance.png ./record_section.png \
  | cmp -s - event/written.txt || { echo "written: $(cat event/written.txt)"; exit 1; }
for png in run.png XX.SY01..HHZ.mseed.wood.png XX.SY02..HHN.mseed.ground.png \
           XX.SY03..HHZ.mseed.energy.png custom.png ml_distance.png amplitude_distance.png \
           record_section.png event/ml.png event/section_ground.png event/titled.png; do
  [ -s "$png" ] || { echo "no plot $png"; exit 1; }
  # A PNG file starts with its eight-byte signature; 150 dpi is 5906 pixels per metre.
  "$python" - "$png" <<'PY' || { echo "$png is not a PNG of 150 dpi"; exit 1; }
import struct, sys
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n"
at = data.index(b"pHYs")
x, y, unit = struct.unpack(">IIB", data[at + 4:at + 13])
assert (x, y, unit) == (5906, 5906, 1), (x, y, unit)
PY
done
# The magnitude figures need the event; -o with a folder and an event needs one figure.
if plot -figure ml . 2>/dev/null; then echo "ml figure without an event"; exit 1; fi
if plot -event "$event/synth.event" -o x.png . 2>/dev/null; then
  echo "-o accepted for several figures"; exit 1
fi
[ "$(plot --version)" = "tesk_plot $(sed -n 's/^project(tesk_wave VERSION \([0-9.]*\).*/\1/p' \
  "$top/CMakeLists.txt")" ] || { echo "tesk_plot --version"; exit 1; }

# A file that is neither a save file nor a folder, and a run without distances, fail.
if plot run.log 2>/dev/null; then echo "accepted run.log"; exit 1; fi
mkdir empty
if plot empty 2>/dev/null; then echo "accepted a folder without results"; exit 1; fi
echo ok
