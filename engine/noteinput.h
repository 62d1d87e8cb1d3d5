// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The MIDI input as the round sees it: a one-note mailbox filled by the
// input's own thread, and the reset/start/stop of the open input device.
class NoteInput {
public:
    static constexpr int NoNote = -1;
    virtual ~NoteInput() = default;
    virtual bool inputOpen() const = 0; // an input device is open
    virtual void inputReset() = 0;
    virtual void inputStart() = 0;
    virtual void inputStop() = 0;
    virtual void clearMailbox() = 0; // forget a note waiting from before
    virtual int takeNote() = 0;      // the waiting note, or NoNote; empties the mailbox
};
