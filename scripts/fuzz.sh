#!/usr/bin/env bash
# fuzz.sh [BUILD_DIR] [ROUNDS]: the long fuzz runs that CI keeps short.
# Fuzzed adaptor chunks (every value in 0..1, the output finite) and the
# chunk decoder, a million rounds each by default. Run it in a sanitizer
# build to catch reads past the data too:
#   bash scripts/build.sh build-asan -DSPANORA_SANITIZE=address,undefined -DSPANORA_BUILD_BENCHMARKS=OFF
#   bash scripts/fuzz.sh build-asan
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
rounds=${2:-1000000}
export SPANORA_FUZZ_ROUNDS=$rounds
"$dir/tests/test_hostile_host" --gtest_filter='*Fuzz*'
"$dir/tests/test_core" --gtest_filter='*Fuzz*'
