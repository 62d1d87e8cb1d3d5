// SPDX-License-Identifier: GPL-3.0-or-later
#include "synthlimiter.h"

#include <dlfcn.h>

#include "moduleloader.h"

namespace {
constexpr const char* Effect = "limiter";
} // namespace

void SynthLimiter::prepare(fluid_settings_t* settings) {
    fluid_settings_setint(settings, "synth.ladspa.active", 1);
}

std::string SynthLimiter::libraryPath() {
    // First beside the code of this file: the synthesizer's module, wherever
    // it was loaded from.
    std::vector<std::string> first;
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&SynthLimiter::libraryPath), &info) && info.dli_fname)
        first.push_back(folderOf(info.dli_fname));
    return findModuleFile(LibraryName, first);
}

bool SynthLimiter::attach(fluid_synth_t* synth) {
    fluid_ladspa_fx_t* fx = fluid_synth_get_ladspa_fx(synth);
    const std::string library = libraryPath();
    if (!fx || library.empty())
        return false;
    if (fluid_ladspa_add_effect(fx, Effect, library.c_str(), "qvb_peak_limiter") != FLUID_OK)
        return false;
    // In place on the main output.
    const bool linked = fluid_ladspa_effect_link(fx, Effect, "In L", "Main:L") == FLUID_OK &&
                        fluid_ladspa_effect_link(fx, Effect, "In R", "Main:R") == FLUID_OK &&
                        fluid_ladspa_effect_link(fx, Effect, "Out L", "Main:L") == FLUID_OK &&
                        fluid_ladspa_effect_link(fx, Effect, "Out R", "Main:R") == FLUID_OK;
    if (!linked || fluid_ladspa_activate(fx) != FLUID_OK) {
        fluid_ladspa_reset(fx);
        return false;
    }
    return true;
}
