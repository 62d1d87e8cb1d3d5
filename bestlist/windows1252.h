// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <string>
#include <string_view>

// Names are kept as Windows-1252 bytes in the list and its file; these turn
// them into text for the dialogs and back.
QString fromWindows1252(std::string_view bytes);
std::string toWindows1252(const QString& text); // characters it cannot hold become '?'

// True when Windows-1252 holds `c` as a single byte.
bool fitsWindows1252(QChar c);
