// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QRgb>

// The view's colours and fixed places, in view pixels (origin at the top left
// of the view's client area).
namespace ViewColour {
inline constexpr QRgb DarkGrey = 0xff202020;  // (32, 32, 32): ground, pile, shading outline
inline constexpr QRgb ShadeGrey = 0xff363636; // (54, 54, 54): darkened cells
inline constexpr QRgb White = 0xffffffff;
inline constexpr QRgb Green = 0xff00ff00;
inline constexpr QRgb Red = 0xffff0000;
inline constexpr QRgb Black = 0xff000000;
inline constexpr QRgb Cue = 0xffffff00; // the keyboard's cue on the lower staff
} // namespace ViewColour

namespace ViewLayout {
inline constexpr int StaffX = 5; // the upper staff picture
inline constexpr int StaffY = 69;
inline constexpr int LogoX = 400;
inline constexpr int LogoY = 10;
inline constexpr int PileX = 0; // where the pile image is copied into the back image
inline constexpr int PileY = 100;
inline constexpr int PileWidth = 79;
inline constexpr int PileHeight = 100;
inline constexpr int BarTop = 90; // white and red bars: rows 90 .. 209
inline constexpr int BarHeight = 120;
inline constexpr int WhiteBarWidth = 18;
inline constexpr int RedBarWidth = 20;
inline constexpr int EntryLineTop = StaffY + 30; // just below the top treble line
inline constexpr int EntryLineBottom =
    StaffY + 130;                         // excluded: the bottom bass line is the last row
inline constexpr int EntryLineOffset = 5; // right of m_entryX
inline constexpr int SignDX = -11;        // an accidental's place relative to its head
inline constexpr int SignDY = -10;
inline constexpr int LedgerLeft = -3;  // ledger lines cover drawX - 3 .. drawX + 19
inline constexpr int LedgerRight = 20; // excluded
} // namespace ViewLayout
