// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

#include "mistakestats.h"

// What the mistake map tells the pupil, in words.
namespace MistakeTexts {
inline constexpr int ShownConfusions = 5;

// The most frequent confusions, one a line ("G statt F: 7-mal"), under a heading.
QString confusions(const MistakeStats& stats);
// One note's tally, for the cell under the pointer.
QString note(int midiNote, const NoteTally& tally);
// Before the pointer is on a note.
QString pointHint();
} // namespace MistakeTexts
