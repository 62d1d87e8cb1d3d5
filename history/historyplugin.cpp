// SPDX-License-Identifier: GPL-3.0-or-later
// The entry of the history module (see historymodule.h).
#include "sqlitehistory.h"

extern "C" __attribute__((visibility("default"))) HistoryStore* qvb_open_history(const char* pathUtf8) {
    return pathUtf8 ? new SqliteHistory(QString::fromUtf8(pathUtf8)) : nullptr;
}
