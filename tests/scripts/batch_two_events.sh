#!/usr/bin/env bash
# tesk_batch on two copies of the example event: in parallel (or one after the other
# without GNU parallel) and as Slurm array tasks. Each event gets its own working folder
# with the same results as a direct run; nothing is written into the event folders.
set -eu
top=$1 bin=$2 work=$3
export TESK_WAVE="$bin/driver/tesk_wave"
batch="$top/scripts/tesk_batch"
model=(-model "$bin/traveltime/iasp91")
rm -rf "$work" && mkdir -p "$work" && cd "$work"
for e in evA evB; do
  mkdir "$e"
  cp "$top"/examples/event/*.mseed "$top"/examples/event/synth.* "$e"/
done
fail() { echo "$*"; exit 1; }

# The reference: one direct run on the example event.
mkdir direct && (cd direct && ln -s ../evA/*.mseed . &&
  read -r origin lat lon depth < ../evA/synth.event &&
  "$TESK_WAVE" -w -g -e -r -s "${model[@]}" -t "$origin" -l "$lat" "$lon" -d "$depth" \
    -pick ../evA/synth.pick -coord ../evA/synth.stat -resp ../evA/synth.resp \
    -sens ../evA/synth.sens *.mseed > /dev/null)

"$batch" -j 2 -o out evA evB -- -w -g -e -r -s "${model[@]}" || fail "batch run failed"
for e in evA evB; do
  for f in wood.wave ground.wave shake.wave energy.wave ramp.wave XX.SY02..HHZ.mseed.wood; do
    cmp -s "out/$e/$f" "direct/$f" || fail "$e: $f differs from the direct run"
  done
  [ "$(cat "out/$e/tesk_wave.status")" = 0 ] || fail "$e: status not 0"
  ! ls "$e" | grep -q '\.wood$' || fail "save files were written into the event folder $e"
done

# Running again starts each working folder afresh: results are not appended twice.
"$batch" -j 2 -o out evA evB -- -w -g -e -r -s "${model[@]}" > /dev/null
cmp -s out/evB/wood.wave direct/wood.wave || fail "a second batch run appended to old results"

# Slurm array: a task runs only its own event, from a list file.
printf '%s\n' "$work/evA" "# comment" "$work/evB" > events.txt
[ "$("$batch" -count -list events.txt)" = 2 ] || fail "-count is not 2"
SLURM_ARRAY_TASK_ID=1 "$batch" -o slurm -list events.txt -- -w "${model[@]}" > /dev/null \
  || fail "task 1 failed"
[ -f slurm/evB/wood.wave ] && [ ! -e slurm/evA ] || fail "task 1 did not run only evB"
if SLURM_ARRAY_TASK_ID=2 "$batch" -o slurm -list events.txt -- -w 2>/dev/null; then
  fail "task 2 of 2 events was accepted"
fi

# Two event folders with the same name would share a working folder: refused.
mkdir -p other/evA
if "$batch" -o dup evA other/evA 2>/dev/null; then fail "same folder names accepted"; fi

# Paths after -- are taken from the folder tesk_batch was started in, though tesk_wave runs
# in the working folder.
mkdir evR && cp evA/*.mseed evA/synth.event evA/synth.pick evR/
rel_model=$(realpath --relative-to=. "$bin/traveltime/iasp91")
"$batch" -o rel evR -- -w -g -e -r -s -model "$rel_model" -coord evA/synth.stat \
  -resp evA/synth.resp -sens evA/synth.sens > /dev/null || fail "relative paths failed"
cmp -s rel/evR/energy.wave direct/energy.wave || fail "relative paths: results differ"

# A tesk_wave failure is reported in the exit status, without counts it cannot know.
mkdir evC && cp evA/synth.event evC/ && touch evC/XX.BAD..HHZ.mseed
if "$batch" -o bad evC -- -w -t nonsense 2>/dev/null > bad.txt; then
  fail "a failing event gave status 0"
fi
grep -q "evC: status 1, 1 data files, tesk_wave ended early" bad.txt || fail "$(cat bad.txt)"
[ "$(cat bad/evC/tesk_batch.counts)" = "evC,1,,,0" ] || fail "counts of a failed run"
echo ok
