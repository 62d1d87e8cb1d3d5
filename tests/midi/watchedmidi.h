// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QElapsedTimer>
#include <QtTest>
#include <string>

#include "mididevices.h"
#include "portwatcher.h"
#include "systemmidi.h"

// The game's MIDI side as it runs in the port tests: devices opened, then
// watched. Its built-in synthesizer finds no SoundFont, so nothing is heard.
struct WatchedMidi {
    static SynthConfig silentSynth() {
        SynthConfig silent;
        silent.soundFont = "/nonexistent/none.sf2";
        silent.soundFontRoot = "";
        return silent;
    }

    SystemMidi platform{silentSynth()};
    MidiDevices midi{platform};
    PortWatcher watcher{midi};

    WatchedMidi() {
        midi.OpenDevices("QVB-Zaradariveda", {}, {});
        watcher.start();
    }
    // The input in use is the port whose identity holds `name`.
    bool uses(const std::string& name) const {
        return midi.inputWorks() && midi.inIdentity.find(name) != std::string::npos;
    }
};

// The note that reaches the round within the time, or NoNote.
inline int takeNoteWithin(MidiDevices& midi, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        const int note = midi.takeNote();
        if (note != NoteInput::NoNote)
            return note;
        QTest::qWait(2);
    }
    return NoteInput::NoNote;
}
