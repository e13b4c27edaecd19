#!/usr/bin/env bash
# tesk_batch on events with more data files than one tesk_wave run takes: the runs are cut only
# between stations and the result files equal those of one run of unlimited size.
set -eu
top=$1 bin=$2 work=$3
export TESK_WAVE="$bin/driver/tesk_wave"
batch="$top/scripts/tesk_batch"
model=(-model "$bin/traveltime/iasp91")
ex="$top/examples/event"
rm -rf "$work" && mkdir -p "$work" && cd "$work"
fail() { echo "$*"; exit 1; }
results=(wood.wave ground.wave shake.wave energy.wave ramp.wave)

# One direct run on an event folder, in the folder named by $2.
direct() {
  local event=$1 out=$2
  mkdir "$out"
  (cd "$out" && ln -s "$event"/*.mseed . &&
    read -r origin lat lon depth < "$event"/synth.event &&
    "$TESK_WAVE" -w -g -e -r -s "${model[@]}" -t "$origin" -l "$lat" "$lon" -d "$depth" \
      -pick "$event"/synth.pick -coord "$event"/synth.stat -resp "$event"/synth.resp \
      -sens "$event"/synth.sens *.mseed > /dev/null)
}

# The example event (12 files, 4 stations) cut into runs of at most 4, 5 and 7 files, and the
# same with one component of a station missing (a group of two): every result and save file as
# in one run.
mkdir ev && cp "$ex"/*.mseed "$ex"/synth.* ev/
mkdir gap && cp "$ex"/*.mseed "$ex"/synth.* gap/ && rm gap/XX.SY02..HHN.mseed
for event in ev gap; do
  direct "$work/$event" "direct-$event"
  for most in 4 5 7; do
    TESK_BATCH_MAX_FILES=$most "$batch" -j 1 -o "parts$most" "$event" -- -w -g -e -r -s \
      "${model[@]}" > /dev/null || fail "$event in runs of $most failed"
    for f in "${results[@]}" XX.SY03..HHZ.mseed.wood XX.SY04..HHE.mseed.energy; do
      cmp -s "parts$most/$event/$f" "direct-$event/$f" ||
        fail "$event in runs of at most $most files: $f differs from one run"
    done
  done
done

# 26 stations, 78 files: copies of the four example stations under the codes T001 to T026,
# each with its original's coordinates, responses and picks.
mkdir big
cp "$ex"/synth.event big/
: > big/synth.stat; : > big/synth.resp; : > big/synth.sens
head -2 "$ex"/synth.pick > big/synth.pick
for k in $(seq 1 26); do
  new=$(printf 'T%03d' "$k") old=$(printf 'SY%02d' $(( (k - 1) % 4 + 1 )))
  for c in HHE HHN HHZ; do
    f="big/XX.$new..$c.mseed"
    cp "$ex/XX.$old..$c.mseed" "$f"
    size=$(stat -c %s "$f")
    for (( at = 0; at < size; at += 512 )); do
      printf '%s' "$new" | dd of="$f" bs=1 seek=$(( at + 8 )) conv=notrunc 2>/dev/null
    done
  done
  for m in stat resp sens pick; do
    # A station's lines: its coordinate line, its response and sensitivity entries, its picks.
    awk -v old="$old" -v new="$new" -v m="$m" '
      m == "pick" && NR <= 2 { next }
      substr($0, 1, 4) == old { keep = 1 }
      m != "stat" && m != "pick" && substr($0, 1, 4) ~ /^SY/ && substr($0, 1, 4) != old { keep = 0 }
      m == "stat" || m == "pick" { keep = substr($0, 1, 4) == old }
      keep { if (substr($0, 1, 4) == old) $0 = new substr($0, 5); print }
    ' "$ex/synth.$m" >> "big/synth.$m"
  done
done
[ "$(ls big/*.mseed | wc -l)" = 78 ] || fail "not 78 data files"
"$batch" -j 1 -o many big -- -w -g -e -r "${model[@]}" > /dev/null || fail "78 files failed"
grep -q "too many data files" many/big/tesk_wave.log && fail "a run got more than 75 files"
for f in "${results[@]}"; do
  expected=$(head -2 "direct-ev/$f"
    for k in $(seq 1 26); do
      new=$(printf 'T%03d' "$k") old=$(printf 'SY%02d' $(( (k - 1) % 4 + 1 )))
      grep "^ $old" "direct-ev/$f" | sed "s/^ $old/ $new/"
    done)
  [ "$expected" = "$(cat "many/big/$f")" ] || fail "78 files: $f is not what one run would write"
done

# A station with more files than one run takes cannot be run.
if TESK_BATCH_MAX_FILES=2 "$batch" -j 1 -o small ev -- -w "${model[@]}" 2> small.err > /dev/null
then
  fail "a station of 3 files ran in runs of 2"
fi
grep -q "station SY01 has 3 data files, more than one run takes" small.err ||
  fail "no message for a station too large for one run"
echo ok
