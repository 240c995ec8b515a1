#!/usr/bin/env bash
# Takes a screenshot of the main window under a virtual display:
#   tools/screenshot.sh OUT.png [0|1]   (0 Greek, 1 English)
set -euo pipefail
out=$1
lang=${2:-0}
home=$(mktemp -d)
printf '[General]\nLanguage=%s\n' "$lang" >"$home/Orvanel.ini"
xvfb-run -a -s "-screen 0 1024x700x24" bash -c "
  ./build/orvanel --home '$home' & pid=\$!
  sleep 2
  import -window root -crop 745x529+0+0 '$out'
  kill \$pid"
rm -rf "$home"
