// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>

class Glyphs;

// The program icon (128), drawn afresh for each size so that small icons stay sharp.
namespace IconArt {
inline constexpr int Sizes[] = {16, 24, 32, 48, 64, 128, 256};
QImage icon(const Glyphs& glyphs, int size);
} // namespace IconArt
