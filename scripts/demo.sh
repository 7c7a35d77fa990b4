#!/usr/bin/env bash
# Installs what is needed, builds the plug-in and the spanora tool, and runs
# the main job through the real plug-in module.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
./build/tools/spanora info
