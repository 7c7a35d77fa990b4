#!/usr/bin/env bash
# build.sh DIR [cmake options...]: configures and builds one build tree.
set -euo pipefail
dir=$1; shift
cmake -S "$(dirname "$0")/.." -B "$dir" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
