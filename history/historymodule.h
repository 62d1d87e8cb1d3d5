// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <memory>

#include "historystore.h"

// Qt's SQL module and SQLite live in a module of their own beside the program,
// loaded at the first round's end or the first mistake map: the program's
// start does not link them in.
inline constexpr const char* HistoryModuleName = "libqvbhistory.so";
inline constexpr const char* HistoryModuleEntry = "qvb_open_history";

// The store for the file at `path` through the module; nullptr when the
// module cannot be found.
std::unique_ptr<HistoryStore> openHistoryFromModule(const QString& path);
