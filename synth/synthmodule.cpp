// SPDX-License-Identifier: GPL-3.0-or-later
#include "synthmodule.h"

#include "moduleloader.h"

std::unique_ptr<MidiOutPort> openSynthFromModule(const SynthConfig& config) {
    using EntryFn = MidiOutPort* (*)(const SynthConfig*);
    auto entry = reinterpret_cast<EntryFn>(openModuleEntry(SynthModuleName, SynthModuleEntry));
    return entry ? std::unique_ptr<MidiOutPort>(entry(&config)) : nullptr;
}
