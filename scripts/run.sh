#!/usr/bin/env bash
# Installs what is missing, builds, and starts the panel beside the simulated
# camera and motor drive. Options are passed on: ./scripts/run.sh --device /dev/ttyUSB0
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing
configure_and_build "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
exec "$build/bin/camdeck" --simulate "$@"
