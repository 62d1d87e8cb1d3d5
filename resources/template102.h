// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "dialogtemplate.h"

// The trainer window: 703 x 267 dialog units.
namespace template102 {
inline constexpr int Width = 703;
inline constexpr int Height = 267;
inline constexpr const char* Caption = "QVB-Zaradariveda";

enum Id {
    IdEnde = 1,
    IdOctave1 = 1000, IdOctave2, IdOctave3, IdOctave4,
    IdBestList = 1088,
    IdNewName = 1089,
    IdNewTraining = 1094,
    IdCancelTraining = 1095,
    IdView = 1099,
    IdStartC = 1102, IdStartSmallC, IdStartC1, IdStartC2,
    IdPoints = 1108,
    IdWithout = 1110, IdWith = 1111,
    IdOctavesGroup = 1114,
    IdAccidentalsGroup = 1115,
    IdHelp = 1116,
    IdBlacken = 1117,
    IdPractice = 1118,
    IdMidiConfig = 1120,
    IdInstrument = 1161,
    IdSilence = 1162,
    IdReferenceC = 1163,
    IdRepeatTone = 1164,
};

using K = ControlSpec;
inline constexpr ControlSpec Controls[] = {
    {IdNewTraining, K::DefPushButton, "NEUES TRAINING", 635, 7, 61, 28, K::MultiLine},
    {IdCancelTraining, K::PushButton, "Training abbrechen", 635, 36, 61, 19, K::MultiLine},
    {IdPractice, K::CheckBox, "Nur üben", 638, 56, 58, 9},
    {IdRepeatTone, K::PushButton, "Ton wiederholen", 635, 66, 45, 19, K::MultiLine},
    {IdReferenceC, K::PushButton, "C'", 682, 66, 14, 19},
    {IdOctavesGroup, K::GroupBox, "Oktaven", 636, 87, 60, 31},
    {IdOctave1, K::RadioButton, "1", 641, 96, 20, 10, K::GroupStart},
    {IdOctave2, K::RadioButton, "2", 671, 96, 20, 10},
    {IdOctave3, K::RadioButton, "3", 641, 106, 20, 10},
    {IdOctave4, K::RadioButton, "4", 671, 106, 20, 10},
    {IdAccidentalsGroup, K::GroupBox, "Vorzeichen", 636, 119, 60, 31},
    {IdWithout, K::RadioButton, "Ohne", 644, 127, 33, 10, K::GroupStart},
    {IdWith, K::RadioButton, "Mit", 644, 137, 25, 10},
    {IdInstrument, K::ComboDropDown, "", 636, 152, 60, 96},
    {IdSilence, K::PushButton, "Ruhe jetzt!", 635, 166, 61, 14},
    {IdHelp, K::PushButton, "Hilfe", 635, 181, 61, 14},
    {IdMidiConfig, K::PushButton, "MIDI-Config.", 635, 196, 61, 14},
    {IdNewName, K::PushButton, "Neuer Name", 635, 211, 61, 14},
    {IdBestList, K::PushButton, "Bestenliste", 635, 226, 61, 14},
    {IdEnde, K::PushButton, "Ende", 635, 241, 61, 14},
    {IdView, K::StaticRect, "", 7, 7, 625, 248},
    {IdPoints, K::StaticBorder, "", 17, 255, 12, 10},
    {IdStartC, K::RadioButton, "C", 35, 256, 21, 10, K::GroupStart},
    {IdStartSmallC, K::RadioButton, "c", 181, 256, 16, 10},
    {IdStartC1, K::RadioButton, "C'", 326, 256, 22, 10},
    {IdStartC2, K::RadioButton, "C''", 467, 256, 23, 10},
    {IdBlacken, K::CheckBoxLeftText, "Ungültigen Tonbereich schwärzen", 570, 257, 126, 8},
};

// The window-menu entry that opens the help page (command 16).
inline constexpr const char* AboutMenuText = "Inf&o über Velmora01...";
inline constexpr int AboutCommand = 16;
} // namespace template102
