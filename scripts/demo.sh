#!/usr/bin/env bash
# Installs what is needed, builds the plug-in and the spanora tool, and runs
# the main job: renders the built-in demo material through the real plug-in
# module into spanora-demo.wav here, and prints what it did to the image.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
./build/tools/spanora demo
