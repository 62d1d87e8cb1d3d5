// SPDX-License-Identifier: GPL-3.0-or-later
#include "audioenvironment.h"

#include "jacknostart.h"

#include <cstdlib>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#ifdef QVB_HAVE_JACK
#include <jack/jack.h>
#endif

namespace {
#ifdef QVB_HAVE_JACK
void quietJack(const char*) {}
#endif

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// A server that crashed leaves its socket behind; only a live one accepts.
bool acceptsConnection(const std::string& path) {
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool accepted =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return accepted;
}
} // namespace

void prepareAudioLibraries() {
    // The environment is written once, at the program's start, before it
    // starts any thread.
    forbidJackServerStart();
#ifdef QVB_HAVE_JACK
    jack_set_error_function(quietJack);
    jack_set_info_function(quietJack);
#endif
}

namespace {
std::string jackServerName() {
    const char* named = std::getenv("JACK_DEFAULT_SERVER");
    return named && *named ? named : "default";
}
} // namespace

bool jackServerMayRun() {
    const std::string server = jackServerName();
    const std::string uid = std::to_string(::getuid());
    // A running server has its socket in /dev/shm: "jack_<server>_<uid>_0" for
    // JACK 2, a folder "jack-<uid>/<server>" for JACK 1.
    return acceptsConnection("/dev/shm/jack_" + server + "_" + uid + "_0") ||
           exists("/dev/shm/jack-" + uid + "/" + server);
}

bool alsaSequencerPresent() {
    return ::access("/dev/snd/seq", R_OK | W_OK) == 0;
}
