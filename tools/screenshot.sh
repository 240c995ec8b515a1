#!/usr/bin/env bash
# Takes a screenshot of the main window under a virtual display, with a small
# demo tree on both sides:
#   tools/screenshot.sh OUT.png [0|1] [WIDTHxHEIGHT]   (0 Greek, 1 English)
set -euo pipefail
out=$(realpath -m "$1")
lang=${2:-0}
size=${3:-745x529}
home=$(mktemp -d)
demo="$home/Έγγραφα"
mkdir -p "$demo/Photos/2025" "$demo/Photos/2026" "$demo/Projects/orvanel" "$demo/Music" \
    "$home/Backup/Photos" "$home/Backup/Projects" "$home/Backup/Παλιά"
for f in report.txt budget.ods notes.md .hidden letter.odt; do echo x >"$demo/$f"; done
for f in index.txt photos.tar readme.md; do echo x >"$home/Backup/$f"; done
printf '[General]\nLanguage=%s\nLeftInitialPath=%s\nRightInitialPath=%s\n' \
    "$lang" "$demo" "$home/Backup" >"$home/Orvanel.ini"
w=${size%x*}
h=${size#*x}
xvfb-run -a -s "-screen 0 $((w + 40))x$((h + 40))x24" bash -c "
  HOME='$home' ./build/orvanel --home '$home' -qwindowgeometry ${size}+0+0 & pid=\$!
  sleep 2
  import -window root -crop ${size}+0+0 '$out'
  kill \$pid"
rm -rf "$home"
