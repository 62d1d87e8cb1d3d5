// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

// The instrument choice of the main window: combobox entry -> General MIDI program.
struct Instrument {
    const char* name; // UTF-8, as shown in the combobox
    uint8_t program;  // 0-based General MIDI program
};

inline constexpr Instrument Instruments[18] = {
    {"Klavier", 0},     {"Cembalo", 6},   {"Glockenspiel", 9}, {"Orgel", 16},
    {"Akkordeon", 21},  {"Gitarre", 24},  {"E-Gitarre", 27},   {"Violine", 40},
    {"Harfe", 46},      {"Stimme", 52},   {"Trompete", 56},    {"Posaune", 57},
    {"Saxophon", 66},   {"Oboe", 68},     {"Fagott", 70},      {"Klarinette", 71},
    {"Querflöte", 73},  {"Blockflöte", 74},
};
inline constexpr int InstrumentCount = 18;
