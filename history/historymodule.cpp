// SPDX-License-Identifier: GPL-3.0-or-later
#include "historymodule.h"

#include "moduleloader.h"

std::unique_ptr<HistoryStore> openHistoryFromModule(const QString& path) {
    using EntryFn = HistoryStore* (*)(const char*);
    auto entry = reinterpret_cast<EntryFn>(openModuleEntry(HistoryModuleName, HistoryModuleEntry));
    return entry ? std::unique_ptr<HistoryStore>(entry(path.toUtf8().constData())) : nullptr;
}
