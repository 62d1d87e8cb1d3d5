// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <memory>

#include "midiplatform.h"
#include "synthconfig.h"

// The computer's MIDI ports (the ALSA sequencer, JACK, RtMidi, some four
// shared libraries with thousands of relocations each) live in a module of
// their own beside the program. The program loads it on a second thread
// while the application connects to the display, instead of having the
// dynamic linker take them in before main(); its window waits for none of it.
inline constexpr const char* SystemMidiModuleName = "libqvbports.so";
inline constexpr const char* SystemMidiModuleEntry = "qvb_open_system_midi";

// How output 0, the built-in synthesizer, is opened (in the module or in the process).
using SynthOpenerFn = std::unique_ptr<MidiOutPort> (*)(const SynthConfig&);

// The system's MIDI as SystemMidi lists it, output 0 the built-in synthesizer
// opened through `openSynth` once the window is up (SystemMidi::deferSynth).
// Without the module: a platform with no output at all, so the program says
// that no output could be opened, as it does when the synthesizer's module
// is missing.
std::unique_ptr<MidiPlatform> openSystemMidiFromModule(const SynthConfig& config,
                                                       SynthOpenerFn openSynth);
