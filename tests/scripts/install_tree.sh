#!/usr/bin/env bash
# cmake --install into a fresh prefix puts every program, table, the leap-second file and
# every manual page where the README says, and the installed tesk_tt finds the tables.
set -eu
cmake=$1 bin=$2 prefix=$3
rm -rf "$prefix"
"$cmake" --install "$bin" --prefix "$prefix" > /dev/null
for f in bin/tesk_wave bin/tesk_dump bin/tesk_synth bin/tesk_ttgen bin/tesk_tt bin/tesk_plot \
         bin/tesk_batch bin/tesk_mag bin/tesk_meta bin/tesk_split share/tesk_wave/iasp91.hed \
         share/tesk_wave/iasp91.tbl \
         share/tesk_wave/leapseconds; do
  [ -s "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
for f in bin/tesk_wave bin/tesk_plot bin/tesk_batch; do
  [ -x "$prefix/$f" ] || { echo "not executable: $f"; exit 1; }
done
for cmd in tesk_wave tesk_dump tesk_synth tesk_ttgen tesk_tt tesk_plot tesk_batch tesk_mag tesk_meta tesk_split; do
  [ -s "$prefix/share/man/man1/$cmd.1.gz" ] || { echo "no manual page for $cmd"; exit 1; }
done
[ -s "$prefix/share/man/man5/tesk_wave-files.5.gz" ] || { echo "no file-format page"; exit 1; }
# Every installed command names the project's version.
version=$(sed -n 's/^.*kVersion = "\(.*\)";/\1/p' "$bin/generated/tw_version.hpp")
for cmd in tesk_wave tesk_dump tesk_synth tesk_ttgen tesk_tt tesk_mag tesk_batch tesk_meta \
           tesk_split; do
  [ "$("$prefix/bin/$cmd" --version)" = "$cmd $version" ] \
    || { echo "$cmd --version: $("$prefix/bin/$cmd" --version)"; exit 1; }
  for help in -h --help; do
    "$prefix/bin/$cmd" $help 2>&1 | grep -q "^ *\(usage: \)\?$cmd " \
      || { echo "$cmd $help prints no usage text"; exit 1; }
    "$prefix/bin/$cmd" $help > /dev/null 2>&1 || { echo "$cmd $help: status not 0"; exit 1; }
  done
done
# The installed tables are the ones the build made.
cmp -s "$prefix/share/tesk_wave/iasp91.hed" "$bin/traveltime/iasp91.hed"
"$prefix/bin/tesk_tt" -model "$prefix/share/tesk_wave/iasp91" -k P 10 1.0 | grep -Eq "^ +1\.000 +P" \
  || { echo "installed tesk_tt finds no P arrival in the installed tables"; exit 1; }
echo ok
