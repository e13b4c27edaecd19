#!/usr/bin/env bash
# Runs tesk_wave on the bundled example event in a fresh output folder and shows the result files.
set -euo pipefail
build=${1:-build}
top=$(cd "$(dirname "$0")/.." && pwd)
bin="$top/$build/driver/tesk_wave"
out="$top/demo-out"
rm -rf "$out" && mkdir -p "$out" && cd "$out"
export LEAPSECONDS="$top/data/leapseconds"
"$bin" || true
