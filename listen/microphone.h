// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <functional>
#include <memory>

#include "listeningsettings.h"
#include "midiplatform.h"

// The microphone as an input of the game: what the sound server's default
// capture source hears, turned into notes. Its code (the sound server's
// client library and aubio) lives in a module of its own beside the program,
// loaded only when the microphone is looked for; a pupil who plays a MIDI
// keyboard or clicks never loads it.
inline constexpr const char* MicrophoneName = "Mikrofon (singen oder spielen)";
inline constexpr const char* ListenModuleName = "libqvblisten.so";
inline constexpr const char* ListenModuleEntry = "qvb_open_microphones";

// What the pupil chose for listening; read by the listening thread while it
// changes.
struct ListenChoices {
    std::atomic<bool> headphones{false}; // "Kopfhörer": the microphone hears only the pupil
    std::atomic<bool> anyOctave{false};  // "Oktave egal": any octave of the asked note counts
};

// The sound server's capture sources, watched for as long as this lives.
class Microphones {
public:
    virtual ~Microphones() = default;
    // The server has a capture source to listen to (a real one: the echo of
    // an output, a monitor, is no microphone).
    virtual bool hasSource() const = 0;
    // Waits at most `ms` for the sound server's first answer after start.
    virtual void waitForServer(int ms) = 0;
    // Called on a thread of the watch's own whenever sources or the server
    // come or go; an empty function ends it.
    virtual void onChange(std::function<void()> changed) = 0;
    // The default source listened to, its notes handed to `proc` as note-ons
    // of a MIDI keyboard; nullptr when it cannot be opened.
    virtual std::unique_ptr<MidiInPort> openInput(MidiInProc proc, uintptr_t instance,
                                                  std::shared_ptr<const ListenChoices> choices) = 0;
    // Only the level of the default source, for the settings' meter.
    virtual std::unique_ptr<LevelMeter> openMeter() = 0;
};

// Loads the module and starts the watch; nullptr without the module.
std::unique_ptr<Microphones> openMicrophonesFromModule();
