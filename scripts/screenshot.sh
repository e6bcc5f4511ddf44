#!/usr/bin/env bash
# Refreshes docs/screenshot.png: the panel beside the simulated camera, each in
# a real X window under Xvfb. Run it after any change to the layout.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing xvfb xauth x11-apps imagemagick
configure_and_build "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo

out="$top/docs/screenshot.png"
xvfb-run -a -s "-screen 0 2600x920x24" bash -c '
    set -euo pipefail
    exec 3< <("$0/bin/camdeck-sim" -geometry 1000x860+1600+0 2>/dev/null)
    read -r path <&3
    # The panel sizes itself to its controls; it opens the simulator as --simulate does,
    # in a home of its own: the first start makes the five preset files (about 10 s).
    HOME=$(mktemp -d) "$0/bin/camdeck" --open "$path" 2>/dev/null &
    panel=$!
    sleep 12
    xwd -root -silent | convert xwd:- -crop 2600x860+0+0 "$1"
    kill "$panel"; wait "$panel" || true
' "$build" "$out"
echo "wrote $out"
