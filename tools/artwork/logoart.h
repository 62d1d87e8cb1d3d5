// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>

class Glyphs;

// The logo (143): a line drawing of a cellist above the caption, in beige.
namespace LogoArt {
QImage logo(const Glyphs& glyphs);
}
