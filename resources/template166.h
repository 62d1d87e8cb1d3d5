// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "dialogtemplate.h"

// The MIDI settings dialog. The device buttons are not in the template: the
// dialog makes one per device each time it opens, at pixel positions of its own.
namespace template166 {

inline constexpr const char* Caption = "MIDI-Einstellungen";
inline constexpr int Width = 413; // dialog units
inline constexpr int Height = 157;

inline constexpr int IdOk = 1;
inline constexpr int IdCancel = 2;
inline constexpr int IdFontSource = 1119; // never shown; the made buttons take its font
inline constexpr int IdNoInput = 1165;

// OK comes first, so it is the first control in tab order and gets the focus.
inline constexpr ControlSpec Controls[] = {
    {IdOk, ControlSpec::DefPushButton, "OK", 79, 75, 50, 14},
    {IdCancel, ControlSpec::PushButton, "Abbrechen", 14, 75, 50, 14},
    {IdFontSource, ControlSpec::RadioButton, "Unsichtbarer Button", 7, 140, 79, 10,
     ControlSpec::GroupStart | ControlSpec::Hidden},
    {-1, ControlSpec::Static,
     "Rechts  findest Du die Möglichkeiten der Tonausgabe vor,  die das  Programm auf Deinem "
     "Computer erkannt hat.",
     7, 7, 129, 27},
    {-1, ControlSpec::Static,
     "Sollte die Tonausgabe mit der Standard-\neinstellung   nicht   funktionieren,  kannst  Du "
     "es mit einer der anderen Optionen (soweit vorhanden) versuchen.",
     7, 33, 129, 35},
    {-1, ControlSpec::Static, "Tonausgabe", 156, 7, 50, 13},
    {-1, ControlSpec::Static, "Toneingabe", 298, 7, 50, 13},
    {IdNoInput, ControlSpec::Static, "Kein MIDI-Eingabegerät gefunden", 283, 35, 115, 11},
};

} // namespace template166
