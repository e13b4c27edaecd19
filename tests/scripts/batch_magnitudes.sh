#!/usr/bin/env bash
# tesk_batch's counts per event (data files processed and refused, result lines), the failure
# of an event that wrote no result line, and -mag: tesk_mag on every event, its QuakeML valid
# against the official schema, and one row per event in magnitudes.csv.
set -eu
top=$1 bin=$2 python=$3 work=$4
export TESK_WAVE="$bin/driver/tesk_wave" TESK_MAG="$bin/commands/tesk_mag"
batch="$top/scripts/tesk_batch"
schema="$top/tests/data/schemas/QuakeML-1.2.xsd"
model=(-model "$bin/traveltime/iasp91")
rm -rf "$work" && mkdir -p "$work" && cd "$work"
fail() { echo "$*"; exit 1; }
[ -f "$schema" ] || fail "missing test fixture: $schema"

mkdir evA evD evE
cp "$top"/examples/event/*.mseed "$top"/examples/event/synth.* evA/
# evD: three files that are no SEED data, so every file is refused
cp "$top"/examples/event/synth.* evD/
for c in HHZ HHN HHE; do printf 'not a SEED record %0600d' 0 > "evD/XX.SY01..$c.mseed"; done
# evE: the station file lacks SY04, whose three files are refused
cp "$top"/examples/event/*.mseed "$top"/examples/event/synth.* evE/
grep -v '^SY04' "$top/examples/event/synth.stat" > evE/synth.stat

status=0
"$batch" -mag -o out evA evD evE -- -w -g -e -r "${model[@]}" > out.txt 2> err.txt || status=$?
[ "$status" -eq 1 ] || fail "batch status $status with an event that wrote nothing"
grep -q "evD: no result line written" err.txt || fail "evD not named: $(cat err.txt)"
grep -q "evA: status 0, 12 data files, 12 processed, 0 refused, 68 result lines" out.txt \
  || fail "evA counts: $(cat out.txt)"
grep -q "evD: status 0, 3 data files, 0 processed, 3 refused, 0 result lines" out.txt \
  || fail "evD counts: $(cat out.txt)"
# SY04's files are refused: 9 files give 9 WAS, 27 ground, 9 shake, 3 EMAG and 3 RAMP lines
grep -q "evE: status 0, 12 data files, 9 processed, 3 refused, 51 result lines" out.txt \
  || fail "evE counts: $(cat out.txt)"

for e in evA evE; do
  xmllint --noout --schema "$schema" "out/$e/event.xml" 2> xmllint.txt \
    || fail "$e: event.xml invalid: $(cat xmllint.txt)"
done
"$python" - out/magnitudes.csv "$top/examples/event/synth.truth" <<'PY' || fail "magnitudes.csv"
import csv, re, sys
rows = {r["event"]: r for r in csv.DictReader(open(sys.argv[1], newline=""))}
truth = float(re.search(r"\(Mw ([0-9.]+)", open(sys.argv[2]).read()).group(1))
assert list(rows) == ["evA", "evD", "evE"], list(rows)
a, d, e = rows["evA"], rows["evD"], rows["evE"]
assert (a["data_files"], a["processed"], a["refused"], a["result_lines"]) == ("12", "12", "0", "68")
assert abs(float(a["ML"]) - truth) <= 0.3 and abs(float(a["Me"]) - truth) <= 0.3, (a["ML"], a["Me"])
assert a["ML_stations"] == "4" and a["Me_stations"] == "4"
assert a["origin_time"] == "2024-03-15T12:30:04.250000Z"
assert d["result_lines"] == "0" and d["ML"] == "" and d["origin_time"] == ""
assert e["ML_stations"] == "3" and e["Me_stations"] == "3"
PY

# Without -mag no magnitude table; an event with results ends with status 0.
"$batch" -o plain evA -- -w "${model[@]}" > /dev/null || fail "plain batch failed"
[ ! -e plain/magnitudes.csv ] && [ ! -e plain/evA/tesk_mag.txt ] || fail "tesk_mag ran without -mag"
expected="tesk_batch $(sed -n 's/^project(tesk_wave VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")"
[ "$("$batch" --version)" = "$expected" ] || fail "tesk_batch --version"
[ "$("$bin/scripts/tesk_batch" --version)" = "$expected" ] || fail "built tesk_batch --version"
echo ok
