// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <RtMidi.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// One external MIDI port, as the settings dialog lists it.
struct ExternalPort {
    RtMidi::Api api;
    std::string fullName; // the MIDI system's own name; the port is found again by it
    std::string name;     // shown name, at most 31 characters
};

enum class PortKind { Output, Input };

// The ports of every compiled MIDI system (ALSA sequencer, then JACK), as they
// are now: instruments and other programs first, in the order each system
// lists them, ALSA's "Midi Through" last; the ports of `ownClient` (this
// program) left out. A system that cannot start is skipped without a word.
// `jackPorts`, when given, lists JACK's ports (full names, in JACK's order)
// instead of RtMidi, and returns false when no JACK server runs.
using JackPortLister = std::function<bool(PortKind kind, std::vector<std::string>& names)>;
class ExternalPortLister {
public:
    explicit ExternalPortLister(std::string ownClient);
    ~ExternalPortLister();
    ExternalPortLister(const ExternalPortLister&) = delete;
    ExternalPortLister& operator=(const ExternalPortLister&) = delete;

    std::vector<ExternalPort> list(PortKind kind, const JackPortLister& jackPorts = {});

private:
    RtMidi* alsaLister(PortKind kind);

    std::string m_client;
    // Every sequencer client that starts or ends is announced to every
    // program on the desktop, ours included: one that listed and went would
    // be news that makes us list again. The sequencer is listed through
    // these two, made once and kept.
    std::unique_ptr<RtMidiIn> m_alsaIn;
    std::unique_ptr<RtMidiOut> m_alsaOut;
};

// An RtMidi object of the given system whose errors never reach the terminal
// and are never thrown; nullptr when the system cannot start.
std::unique_ptr<RtMidiOut> makeQuietOut(RtMidi::Api api, const std::string& client);
std::unique_ptr<RtMidiIn> makeQuietIn(RtMidi::Api api, const std::string& client);

// The number of the port called `fullName` as `midi` lists it now, or -1.
int findPort(RtMidi& midi, const std::string& fullName);
