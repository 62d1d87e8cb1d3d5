// SPDX-License-Identifier: GPL-3.0-or-later
#include "quietlogs.h"

#include <cstdarg>
#include <cstdio>
#include <fluidsynth.h>
#include <atomic>
#include <mutex>

#ifdef QVB_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

namespace {
// How many threads are trying quietly now. Not per thread: SDL's audio
// starts threads of its own that report ALSA's complaints while it is tried.
std::atomic<int> quietDepth{0};

void fluidLog(int level, const char* message, void*) {
    if (quietDepth.load() == 0)
        fluid_default_log_function(level, message, nullptr);
}

#ifdef QVB_HAVE_ALSA
// As ALSA's own handler prints.
void alsaLog(const char* file, int line, const char* function, int err, const char* fmt, ...) {
    if (quietDepth.load() > 0)
        return;
    std::fprintf(stderr, "ALSA lib %s:%i:(%s) ", file, line, function);
    va_list args;
    va_start(args, fmt);
    std::vfprintf(stderr, fmt, args);
    va_end(args);
    if (err)
        std::fprintf(stderr, ": %s", snd_strerror(err));
    std::fputc('\n', stderr);
}
#endif

void installHooks() {
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO})
        fluid_set_log_function(level, fluidLog, nullptr);
#ifdef QVB_HAVE_ALSA
    snd_lib_error_set_handler(alsaLog);
#endif
}
} // namespace

void installQuietableLogs() {
    static std::once_flag installed;
    std::call_once(installed, installHooks);
}

QuietWhileTrying::QuietWhileTrying() {
    installQuietableLogs();
    // The program has one copy of this code, in the synthesizer's module. A
    // test that also links the synthesizer itself has two, each with hooks
    // of its own: then the copy trying quietly takes the hooks back. Setting
    // the hook it already has changes nothing.
    if (fluid_set_log_function(FLUID_ERR, fluidLog, nullptr) != fluidLog)
        installHooks();
    ++quietDepth;
}

QuietWhileTrying::~QuietWhileTrying() {
    --quietDepth;
}
