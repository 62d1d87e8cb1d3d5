// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "dialogtemplate.h"

// The player-name dialog: one field, OK, and the logo. Escape and the close box cancel.
namespace template104 {

inline constexpr const char* Caption = "QVB-Zaradariveda 1.1";
inline constexpr int Width = 186; // dialog units
inline constexpr int Height = 105;

inline constexpr int IdOk = 1;
inline constexpr int IdName = 1090;
inline constexpr const char* LogoResource = ":/pictures/pic143.png";

inline constexpr ControlSpec Controls[] = {
    {IdOk, ControlSpec::DefPushButton, "OK", 104, 25, 64, 14},
    {IdName, ControlSpec::Edit, "", 17, 25, 64, 12, ControlSpec::Uppercase},
    {-1, ControlSpec::StaticCentered, "Bitte einen Namen eingeben!", 7, 10, 172, 16},
    {-1, ControlSpec::Picture, "", 20, 49, 145, 45}, // the logo, when the picture is there
};

} // namespace template104
