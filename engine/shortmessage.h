// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <cstdint>

// How many bytes of a packed short message are real: a program change or a
// channel pressure has one data byte, other channel messages two. Sending the
// third byte of "C0 28 00" to an instrument would be read as a second program
// change (running status), so the outputs send only these bytes.
inline std::size_t shortMessageLength(uint8_t status) {
    if (status < 0x80)
        return 0; // not a status byte
    if (status < 0xF0) {
        const uint8_t kind = status & 0xF0;
        return (kind == 0xC0 || kind == 0xD0) ? 2 : 3;
    }
    switch (status) {
    case 0xF1: // time code quarter frame
    case 0xF3: // song select
        return 2;
    case 0xF2: // song position
        return 3;
    case 0xF0: // system exclusive is never a short message
    case 0xF7:
        return 0;
    default:
        return 1;
    }
}

// The bytes of a packed short message (status in bits 0-7).
inline void unpackShortMessage(uint32_t message, uint8_t bytes[3]) {
    bytes[0] = static_cast<uint8_t>(message & 0xFF);
    bytes[1] = static_cast<uint8_t>((message >> 8) & 0xFF);
    bytes[2] = static_cast<uint8_t>((message >> 16) & 0xFF);
}
