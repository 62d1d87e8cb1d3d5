// SPDX-License-Identifier: GPL-3.0-or-later
#include "synthlimiter.h"

#include <dlfcn.h>
#include <unistd.h>

#include "soundfontsearch.h"

namespace {
std::string folderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string programPath() {
    char path[4096];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, std::size_t(n)) : std::string();
}

constexpr const char* Effect = "limiter";
} // namespace

void SynthLimiter::prepare(fluid_settings_t* settings) {
    fluid_settings_setint(settings, "synth.ladspa.active", 1);
}

std::string SynthLimiter::libraryPath() {
    std::vector<std::string> folders;
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&SynthLimiter::libraryPath), &info) && info.dli_fname)
        folders.push_back(folderOf(info.dli_fname));
    const std::string program = folderOf(programPath());
    folders.push_back(program);
    folders.push_back(program + "/../lib/qvb-zaradariveda");
#ifdef QVB_BUILD_FOLDER
    folders.push_back(QVB_BUILD_FOLDER);
#endif
    for (const std::string& folder : folders) {
        const std::string candidate = folder + "/" + LibraryName;
        if (isRegularFile(candidate))
            return candidate;
    }
    return {};
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
