// SPDX-License-Identifier: GPL-3.0-or-later
#include "historymodule.h"

#include <QCoreApplication>
#include <dlfcn.h>

namespace {
using EntryFn = HistoryStore* (*)(const char*);

// Beside the program in the build, in lib/qvb-zaradariveda when installed.
void* loadModule() {
    const QString folder = QCoreApplication::applicationDirPath();
    for (const QString& candidate :
         {folder + QLatin1Char('/') + QLatin1String(HistoryModuleName),
          folder + QLatin1String("/../lib/qvb-zaradariveda/") + QLatin1String(HistoryModuleName)}) {
        if (void* module = ::dlopen(candidate.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL))
            return module; // stays loaded: the store's code must outlive it
    }
    return nullptr;
}
} // namespace

std::unique_ptr<HistoryStore> openHistoryFromModule(const QString& path) {
    void* module = loadModule();
    if (!module)
        return nullptr;
    auto entry = reinterpret_cast<EntryFn>(::dlsym(module, HistoryModuleEntry));
    if (!entry)
        return nullptr;
    return std::unique_ptr<HistoryStore>(entry(path.toUtf8().constData()));
}
