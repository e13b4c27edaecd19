#!/usr/bin/env bash
# The installed manual page names the paths the build was configured with, not the defaults of
# a plain build, and still renders without a groff warning.
set -u
cmake=$1 source=$2 work=$3
rm -rf "$work" && mkdir -p "$work"
"$cmake" -D IN="$source/man/tesk_wave.1" -D OUT="$work/tesk_wave.1.gz" -D GZIP=gzip \
  -D COORD=/site/net-stat -D RESP=/site/net.resp -D SENS=/site/net.sens -D PICK=picks.pf \
  -D MODEL=/opt/tw/share/tesk_wave/iasp91 -D LEAP=/opt/tw/share/tesk_wave/leapseconds \
  -P "$source/cmake/configure_man.cmake" || exit 1
page=$(gzip -dc "$work/tesk_wave.1.gz") || { echo "not a gzip file"; exit 1; }
status=0
for configured in '/site/net\-stat' /site/net.resp /site/net.sens picks.pf \
                  /opt/tw/share/tesk_wave/iasp91 /opt/tw/share/tesk_wave/leapseconds; do
  grep -qF -- "$configured" <<< "$page" || { echo "page does not name $configured"; status=1; }
done
for plain in /home/tesk/stat /usr/contrib/data /usr/local/lib/leapseconds pickfile.pf; do
  grep -qF -- "$plain" <<< "$page" && { echo "page still names $plain"; status=1; }
done
out=$(groff -ww -t -man -Tutf8 <<< "$page" 2>&1 >/dev/null)
[ -z "$out" ] || { echo "groff: $out"; status=1; }
exit $status
