// SPDX-License-Identifier: GPL-3.0-or-later
#include "microphone.h"
#include "moduleloader.h"

std::unique_ptr<Microphones> openMicrophonesFromModule() {
    using Entry = Microphones* (*)();
    auto entry = reinterpret_cast<Entry>(openModuleEntry(ListenModuleName, ListenModuleEntry));
    return std::unique_ptr<Microphones>(entry ? entry() : nullptr);
}
