// SPDX-License-Identifier: GPL-3.0-or-later
#include "quietlogs.h"

#include <cstdarg>
#include <cstdio>
#include <fluidsynth.h>
#include <mutex>

#ifdef QVB_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

namespace {
// Per thread: one trying quietly silences only itself.
thread_local int quietDepth = 0;

void fluidLog(int level, const char* message, void*) {
    if (quietDepth == 0)
        fluid_default_log_function(level, message, nullptr);
}

#ifdef QVB_HAVE_ALSA
// As ALSA's own handler prints.
void alsaLog(const char* file, int line, const char* function, int err, const char* fmt, ...) {
    if (quietDepth > 0)
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
} // namespace

void installQuietableLogs() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO})
            fluid_set_log_function(level, fluidLog, nullptr);
#ifdef QVB_HAVE_ALSA
        snd_lib_error_set_handler(alsaLog);
#endif
    });
}

QuietOnThisThread::QuietOnThisThread() {
    installQuietableLogs();
    ++quietDepth;
}

QuietOnThisThread::~QuietOnThisThread() {
    --quietDepth;
}
