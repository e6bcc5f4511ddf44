#!/usr/bin/env bash
# Refreshes docs/screenshot.png: the panel beside the simulated camera, each in
# a real X window under Xvfb. Run it after any change to the layout.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing xvfb xauth x11-apps imagemagick
configure_and_build "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo

out="$top/docs/screenshot.png"
xvfb-run -a -s "-screen 0 2600x920x24" bash -c '
    set -euo pipefail
    exec 3< <("$0/bin/camdeck-sim" -geometry 1000x860+1590+0 2>/dev/null)
    read -r path <&3
    "$0/bin/camdeck" --device "$path" -geometry 1580x900+0+0 2>/dev/null &
    panel=$!
    sleep 4
    xwd -root -silent | convert xwd:- -crop 2590x910+0+0 "$1"
    kill "$panel"; wait "$panel" || true
' "$build" "$out"
echo "wrote $out"
