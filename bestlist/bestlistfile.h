// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

struct BestList;
struct WriteInterruption;

// The file name, opened in the working directory.
inline constexpr const char* BestListFileName = "dataGehoer.qvb";

// Reads the list and the player's name at start-up. Returns false when the
// file is missing, is no plain file, is unreadable or does not hold all 81
// fields: then every column holds the default list, the name is "Name...",
// and the caller shows the help page. Nothing of a bad file survives.
bool loadBestList(const QString& path, BestList& list, QString& playerName);

// Writes the whole list and the player's name at teardown, so that the file
// holds the old or the new list in full at every moment. Returns true when the
// file now holds the new list; the caller reports nothing either way.
bool saveBestList(const QString& path, const BestList& list, const QString& playerName);
// The same, cut short as `cut` says (tests act out crashes and full disks).
bool saveBestList(const QString& path, const BestList& list, const QString& playerName,
                  const WriteInterruption& cut);
