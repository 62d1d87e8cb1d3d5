#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what the game needs, builds it into build/ and starts it. The tests
# and benchmarks are left out (./test.sh builds them into the same build/).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQVB_BUILD_TESTS=OFF -DQVB_BUILD_BENCH=OFF
cmake --build build --parallel "$(nproc)"
if [ -x build/QVB-Vevivivodarav ]; then
  exec build/QVB-Vevivivodarav "$@"
else
  echo "Built everything; there is no program to start yet."
fi
