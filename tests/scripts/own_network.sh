#!/usr/bin/env bash
# The README's "Your own network" path, run as it stands: StationXML and a multiplexed download
# through tesk_meta and tesk_split into tesk_wave, with the results the README shows and those
# of a run with the hand-made station files.
set -eu
top=$1 bin=$2 work=$3
rm -rf "$work" && mkdir -p "$work" && cd "$work"
fail() { echo "$*"; exit 1; }
export PATH="$bin/commands:$bin/driver:$PATH"

# The n-th fenced block of the README section.
block() {
  awk -v want="$1" '
    /^## / { inside = ($0 == "## Your own network") }
    inside && /^```/ { fence = !fence; if (fence) n++; next }
    inside && fence && n == want { print }
  ' "$top/README.md"
}
commands=$(block 1)
shown=$(block 2)
[ -n "$commands" ] && [ -n "$shown" ] || fail "no commands or results in the README section"

# The commands expect the top of the source tree; only its tests/ folder is read.
mkdir run && ln -s "$top/tests" run/tests
(cd run && set -e && eval "$commands") > run.log 2>&1 || { cat run.log; fail "the commands failed"; }
for c in EHE EHN EHZ; do
  cmp -s "run/data/BW.RJOB..$c.mseed" "$top/tests/data/rjob/BW.RJOB..$c.mseed" ||
    fail "tesk_split did not give back BW.RJOB..$c.mseed"
done
[ "$(tail -n +3 run/results/wood.wave)" = "$shown" ] || fail "wood.wave is not what the README shows"

# The same measurements with the hand-made files.
mkdir hand && (cd hand && tesk_wave -w -g -coord "$top/tests/data/rjob/rjob.stat" \
  -resp "$top/tests/data/rjob/rjob.resp" ../run/data/*.mseed > /dev/null)
for f in wood.wave ground.wave; do
  cmp -s "hand/$f" "run/results/$f" || fail "$f differs from the run with the hand-made files"
done
echo ok
