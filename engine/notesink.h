// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the round's sounds go: the MIDI device holder in the program, a
// recorder in the tests. Channel 1 only; there is never a note-off.
class NoteSink {
public:
    virtual ~NoteSink() = default;
    virtual void PlayNote(int note, int velocity) = 0; // 90 nn vv
    virtual void Silence() = 0;                         // B0 78 00, All Sound Off
};
