// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// The German name of a note as the trainer writes its compass: the octave of
// the low C in capitals ("C", "Fis"), the next in small letters ("c", "fis"),
// then capitals with one, two, three strokes ("C'", "B''", "C'''").
QString noteName(int midiNote);
