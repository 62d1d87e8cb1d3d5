// SPDX-License-Identifier: GPL-3.0-or-later
#include "systemmidimodule.h"

#include "moduleloader.h"

namespace {
// What the program has without the ports' module: nothing to play on.
class NoMidi final : public MidiPlatform {
public:
    unsigned outCount() override { return 0; }
    unsigned inCount() override { return 0; }
    bool outName(unsigned, std::string&) override { return false; }
    bool inName(unsigned, std::string&) override { return false; }
    std::unique_ptr<MidiOutPort> openOut(unsigned) override { return nullptr; }
    std::unique_ptr<MidiInPort> openIn(unsigned, MidiInProc, uintptr_t) override { return nullptr; }
};
} // namespace

std::unique_ptr<MidiPlatform> openSystemMidiFromModule(const SynthConfig& config,
                                                       SynthOpenerFn openSynth) {
    using EntryFn = MidiPlatform* (*)(const SynthConfig*, SynthOpenerFn);
    auto entry =
        reinterpret_cast<EntryFn>(openModuleEntry(SystemMidiModuleName, SystemMidiModuleEntry));
    if (MidiPlatform* platform = entry ? entry(&config, openSynth) : nullptr)
        return std::unique_ptr<MidiPlatform>(platform);
    return std::make_unique<NoMidi>();
}
