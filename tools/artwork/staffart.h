// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QRgb>

class Glyphs;

// The three staff pictures: the empty grand staff the notes slide along (147)
// and the clickable scales without (174) and with accidentals (171).
namespace StaffArt {
inline constexpr int Width = 914;
inline constexpr int Height = 163;
inline constexpr QRgb Ground = 0xff202020; // dark grey (32, 32, 32)
inline constexpr QRgb White = 0xffffffff;

// Staff position p (0 = the low C of MIDI 36, one per natural note) is
// centred on this row: lines for even p, spaces for odd p.
constexpr int rowOfPosition(int p) {
    return 149 - 5 * p;
}

QImage upperStaff(const Glyphs& glyphs);
QImage scale(const Glyphs& glyphs, bool accidentals);
} // namespace StaffArt
