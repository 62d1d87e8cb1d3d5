// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <memory>

// How loud an input hears the room, for a meter beside its row.
class LevelMeter {
public:
    virtual ~LevelMeter() = default;
    // The loudest of what was heard lately (dBFS); very low while nothing is.
    virtual double levelDb() const = 0;
};

// An input that listens to the room (the microphone), with the choices the
// settings dialog shows beside its row.
class ListeningSettings {
public:
    virtual ~ListeningSettings() = default;
    // Looks for the input before the inputs are listed for the dialog.
    virtual void lookForMicrophone() = 0;
    // Its number in the list of inputs counted last; -1 when it is not listed.
    virtual int microphoneInput() const = 0;
    // "Kopfhörer": the microphone hears only the pupil, never the game.
    virtual bool headphones() const = 0;
    virtual void setHeadphones(bool on) = 0;
    // "Oktave egal": an answer in any octave of the asked note counts.
    virtual bool anyOctave() const = 0;
    virtual void setAnyOctave(bool on) = 0;
    // nullptr when there is nothing to listen to.
    virtual std::unique_ptr<LevelMeter> openMeter() = 0;
};
