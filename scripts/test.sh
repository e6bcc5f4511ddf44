#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite (no display needed).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing
build_all
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j "$(nproc)"
