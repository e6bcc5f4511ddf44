#!/usr/bin/env bash
# Installs what is missing, builds, and starts the panel.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing
build_all
exec "$build/bin/camdeck" "$@"
