#!/usr/bin/env bash
# Every manual page renders without a groff warning, and every installed command has one.
set -u
mandir=$1
status=0
for cmd in tesk_wave tesk_dump tesk_synth tesk_ttgen tesk_tt tesk_plot tesk_batch tesk_mag tesk_meta \
    tesk_split; do
  page="$mandir/$cmd.1"
  if [ ! -f "$page" ]; then
    echo "missing manual page $page"
    status=1
    continue
  fi
  out=$(groff -ww -t -man -Tutf8 "$page" 2>&1 >/dev/null)
  if [ -n "$out" ]; then
    echo "$page: $out"
    status=1
  fi
  # The page names its command and has the sections a reader looks for.
  for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" EXAMPLES; do
    grep -q "^\.SH \"\?$section" "$page" || { echo "$page: no $section section"; status=1; }
  done
done
# The file formats page.
page="$mandir/tesk_wave-files.5"
out=$(groff -ww -t -man -Tutf8 "$page" 2>&1 >/dev/null)
[ -z "$out" ] || { echo "$page: $out"; status=1; }
for section in NAME DESCRIPTION "SEE ALSO"; do
  grep -q "^\.SH \"\?$section" "$page" || { echo "$page: no $section section"; status=1; }
done
exit $status
