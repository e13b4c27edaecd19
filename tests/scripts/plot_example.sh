#!/usr/bin/env bash
# Runs tesk_wave with -s on the example event, then tesk_plot on the run and on one save
# file of each kind; every PNG must exist and be non-empty. Fails without matplotlib (python3-matplotlib).
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

plot() { "$python" "$top/scripts/tesk_plot" "$@"; }
plot . XX.SY01..HHZ.mseed.wood XX.SY02..HHN.mseed.ground XX.SY03..HHZ.mseed.energy
plot -o custom.png XX.SY04..HHE.mseed.wood
for png in run.png XX.SY01..HHZ.mseed.wood.png XX.SY02..HHN.mseed.ground.png \
           XX.SY03..HHZ.mseed.energy.png custom.png; do
  [ -s "$png" ] || { echo "no plot $png"; exit 1; }
  # A PNG file starts with its eight-byte signature.
  [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] \
    || { echo "$png is not a PNG"; exit 1; }
done

# A file that is neither a save file nor a folder, and a run without distances, fail.
if plot run.log 2>/dev/null; then echo "accepted run.log"; exit 1; fi
mkdir empty
if plot empty 2>/dev/null; then echo "accepted a folder without results"; exit 1; fi
echo ok
