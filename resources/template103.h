// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <array>

#include "dialogtemplate.h"

// The best-list dialog: four columns of ten places, each with a "Löschen" button.
namespace template103 {

inline constexpr const char* Caption = "Bestenliste";
inline constexpr int Width = 363; // dialog units
inline constexpr int Height = 235;

inline constexpr int IdOk = 1;
inline constexpr int IdFirstName = 1121;   // + 10 * (column - 1) + (place - 1)
inline constexpr int IdFirstPoints = 1044; // + 10 * (column - 1) + (place - 1)
inline constexpr int IdFirstClear = 1084;  // + (column - 1)

inline constexpr int nameId(int column, int index) {
    return IdFirstName + 10 * (column - 1) + index;
}
inline constexpr int pointsId(int column, int index) {
    return IdFirstPoints + 10 * (column - 1) + index;
}
inline constexpr int clearId(int column) {
    return IdFirstClear + column - 1;
}

namespace detail {
inline constexpr const char* GroupCaptions[4] = {"1 Oktave", "2 Oktaven", "3 Oktaven", "4 Oktaven"};
inline constexpr int GroupX[4] = {20, 105, 190, 275};
inline constexpr int NameHeadX[4] = {26, 110, 195, 279};
inline constexpr int PointsHeadX[4] = {61, 147, 231, 315};
inline constexpr const char* PlaceLabels[10] = {"1.", "2.", "3.", "4.", "5.",
                                                "6.", "7.", "8.", "9.", "10."};
inline constexpr int NameX[4] = {24, 108, 193, 278};
inline constexpr int PointsX[4] = {82, 166, 250, 334};
inline constexpr int PointsH[4] = {9, 9, 12, 12};
inline constexpr int ClearX[4] = {20, 106, 190, 275};
inline constexpr int placeY(int index) {
    return 35 + 16 * index;
}
inline constexpr int Count = 1 + 4 + 8 + 10 + 40 + 40 + 4;

// OK comes first, so it is the first tab stop and gets the focus.
constexpr std::array<ControlSpec, Count> build() {
    std::array<ControlSpec, Count> c{};
    int n = 0;
    c[n++] = {IdOk, ControlSpec::DefPushButton, "OK", 162, 217, 50, 14};
    for (int k = 0; k < 4; ++k)
        c[n++] = {-1, ControlSpec::GroupBox, GroupCaptions[k], GroupX[k], 7, 80, 188};
    for (int k = 0; k < 4; ++k) {
        c[n++] = {-1, ControlSpec::StaticCentered, "Name", NameHeadX[k], 20, 24, 10};
        c[n++] = {-1, ControlSpec::StaticCentered, "Punkte", PointsHeadX[k], 20, 24, 10};
    }
    for (int i = 0; i < 10; ++i)
        c[n++] = {-1, ControlSpec::Static, PlaceLabels[i], 8, placeY(i), 10, 10};
    for (int k = 0; k < 4; ++k)
        for (int i = 0; i < 10; ++i)
            c[n++] = {
                nameId(k + 1, i), ControlSpec::Static, "Statisch", NameX[k], placeY(i), 52, 10};
    for (int k = 0; k < 4; ++k)
        for (int i = 0; i < 10; ++i)
            c[n++] = {pointsId(k + 1, i), ControlSpec::Static, "", PointsX[k], placeY(i), 14,
                      PointsH[k]};
    for (int k = 0; k < 4; ++k)
        c[n++] = {clearId(k + 1), ControlSpec::PushButton, "Löschen", ClearX[k], 198, 80, 10};
    return c;
}
} // namespace detail

inline constexpr std::array<ControlSpec, detail::Count> Controls = detail::build();

} // namespace template103
