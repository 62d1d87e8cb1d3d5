#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the best-list reader's libFuzzer target with clang (AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs it.
#   tests/fuzz/build-and-run.sh [seconds] [extra libFuzzer options...]
# A crashing input lands in tests/fuzz/regressions/, which the regression test
# of the best list reads on every test run.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
seconds="${1:-600}"
shift || true
out="${QVB_FUZZ_DIR:-$root/build-fuzz}"
mkdir -p "$out/corpus"

clang++ -std=c++20 -O1 -g -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root/engine" -I"$root/bestlist" \
  "$here/fuzz_bestlistreader.cpp" "$root/bestlist/bestlistformat.cpp" "$root/engine/bestlist.cpp" \
  -o "$out/fuzz_bestlistreader"

cp -n "$here"/seeds/* "$out/corpus/" 2>/dev/null || true
exec "$out/fuzz_bestlistreader" "$out/corpus" "$here/seeds" \
  -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -artifact_prefix="$here/regressions/" -print_final_stats=1 "$@"
