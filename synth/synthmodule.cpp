// SPDX-License-Identifier: GPL-3.0-or-later
#include "synthmodule.h"

#include <dlfcn.h>
#include <string>
#include <unistd.h>

namespace {
using EntryFn = MidiOutPort* (*)(const SynthConfig*);

std::string programFolder() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return {};
    std::string exe(path, static_cast<size_t>(n));
    return exe.substr(0, exe.rfind('/'));
}

// Beside the program in the build, in lib/qvb-zaradariveda when installed.
void* loadModule() {
    const std::string folder = programFolder();
    for (const std::string& candidate :
         {folder + "/" + SynthModuleName, folder + "/../lib/qvb-zaradariveda/" + SynthModuleName}) {
        if (void* module = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL))
            return module; // stays loaded: the synthesizer's code must outlive it
    }
    return nullptr;
}
} // namespace

std::unique_ptr<MidiOutPort> openSynthFromModule(const SynthConfig& config) {
    void* module = loadModule();
    if (!module)
        return nullptr;
    auto entry = reinterpret_cast<EntryFn>(::dlsym(module, SynthModuleEntry));
    if (!entry)
        return nullptr;
    return std::unique_ptr<MidiOutPort>(entry(&config));
}
