// SPDX-License-Identifier: GPL-3.0-or-later
#include "notenames.h"

#include "pitch.h"

namespace {
// The black keys as the lower staff writes them: C sharp, D sharp, F sharp,
// G sharp and B flat.
const char* const Names[12] = {"C", "Cis", "D", "Dis", "E", "F", "Fis", "G", "Gis", "A", "B", "H"};
} // namespace

QString noteName(int midiNote) {
    if (midiNote < LowestNote || midiNote > HighestNote)
        return QString::number(midiNote);
    const int octave = (midiNote - LowestNote) / 12;
    QString name = QString::fromLatin1(Names[(midiNote - LowestNote) % 12]);
    if (octave == 1)
        return name.toLower();
    if (octave >= 2)
        name += QString(octave - 1, QLatin1Char('\''));
    return name;
}
