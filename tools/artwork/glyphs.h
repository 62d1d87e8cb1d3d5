// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QFont>
#include <QPainterPath>
#include <QRectF>

// The music symbols the pictures are engraved with, taken from FreeSerif,
// which carries the clefs and notes of the Unicode musical symbols block and
// the sharp, flat and natural of the miscellaneous symbols.
namespace Symbol {
inline constexpr char32_t TrebleClef = 0x1D11E;
inline constexpr char32_t BassClef = 0x1D122;
inline constexpr char32_t WholeNote = 0x1D15D;
inline constexpr char32_t Flat = 0x266D;
inline constexpr char32_t Natural = 0x266E;
inline constexpr char32_t Sharp = 0x266F;
} // namespace Symbol

class Glyphs {
public:
    // Loads the font file; false (with a message on stderr) when it is missing.
    bool load();
    // The symbol's outline at a 100 px font size, origin on the baseline.
    QPainterPath outline(char32_t symbol) const;
    // The same outline scaled and moved so that its bounding box fills `box`.
    QPainterPath fitted(char32_t symbol, const QRectF& box) const;
    QFont serif(int pixelSize) const;

private:
    QString m_family;
};

// Scales and moves `path` so that its bounding box becomes `box`.
QPainterPath fitPath(const QPainterPath& path, const QRectF& box);
