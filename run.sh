#!/usr/bin/env bash
# Installs what is missing, builds calldesk (Release) and starts it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

scripts/install-deps
export CCACHE_BASEDIR="$PWD"
cmake -S . -B build -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)"

echo "Built: the programs are in build/bin/. The desk program itself is not part of this build yet."
