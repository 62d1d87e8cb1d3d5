#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what the program needs, builds it into build/ and starts it.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build --parallel "$(nproc)"
if [ -x build/QVB-Vevivivodarav ]; then
  exec build/QVB-Vevivivodarav "$@"
else
  echo "Built everything; there is no program to start yet."
fi
