// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdlib>

#include "moduleloader.h"

// The benchmarks run from build/bench, where the program's modules are not
// beside them: they take the build's (the limiter on the synthesizer's
// output), unless QVB_MODULE_FOLDER already names a folder.
inline void useBuildModules() {
    ::setenv(ModuleFolderVariable, QVB_BENCH_MODULE_FOLDER, 0);
}
