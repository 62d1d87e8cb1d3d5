// SPDX-License-Identifier: GPL-3.0-or-later
#include "pulseserver.h"

#include "childserver.h"

#include "socketholder.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
pid_t spawn(std::vector<std::string> args, const std::string& dir, const std::string& output) {
    return startChildServer(
        std::move(args), SIGKILL,
        [&dir] {
            ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
            ::setenv("HOME", dir.c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
            ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + dir + "/bus").c_str(), 1);
        },
        output);
}

bool ended(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

bool appears(const std::string& path, pid_t from) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0)
            return true;
        if (ended(from))
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// PipeWire's null sink, as the tests' PulseAudio has one: "out", at 48 kHz,
// driving the graph itself (there is no sound card to do it).
constexpr const char* NullSink = R"(context.objects = [
  { factory = adapter
    args = { factory.name = support.null-audio-sink node.name = "out" media.class = "Audio/Sink"
             audio.position = [ FL FR ] audio.rate = 48000 node.driver = true priority.driver = 1000 } }
]
)";
} // namespace

PulseServer::PulseServer(Start how, Kind kind) : m_how(how), m_kind(kind) {
    char dir[] = "/tmp/qvb-pulse-XXXXXX";
    if (!::mkdtemp(dir))
        return;
    m_dir = dir;
    m_socket = m_dir + (kind == Kind::PipeWire ? "/pulse/native" : "/native");
    ::setenv("PULSE_SERVER", ("unix:" + m_socket).c_str(), 1);
    if (kind == Kind::PipeWire && !startPipeWire())
        return;
    start();
}

bool PulseServer::startPipeWire() {
    // As Debian's GNOME runs it: PipeWire, WirePlumber on the session's bus
    // linking the streams, and pipewire-pulse for PulseAudio's clients.
    ::mkdir((m_dir + "/pulse").c_str(), 0700);
    ::mkdir((m_dir + "/pipewire").c_str(), 0700);
    ::mkdir((m_dir + "/pipewire/pipewire.conf.d").c_str(), 0700);
    std::ofstream(m_dir + "/pipewire/pipewire.conf.d/null-sink.conf") << NullSink;
    const pid_t bus = spawn({"dbus-daemon", "--session", "--nofork", "--nopidfile",
                             "--address=unix:path=" + m_dir + "/bus"},
                            m_dir, {});
    m_helpers.push_back(bus);
    if (!appears(m_dir + "/bus", bus))
        return false;
    const pid_t pipewire = spawn({"pipewire"}, m_dir, {});
    m_helpers.push_back(pipewire);
    if (!appears(m_dir + "/pipewire-0", pipewire))
        return false;
    m_helpers.push_back(spawn({"wireplumber"}, m_dir, {}));
    // On a desktop the session has long since picked its default sink when a
    // program starts; a client that comes before WirePlumber has done so
    // finds no sink to play to.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        const pid_t ask = spawn({"wpctl", "inspect", "@DEFAULT_AUDIO_SINK@"}, m_dir, {});
        int status = 0;
        if (ask > 0 && ::waitpid(ask, &status, 0) == ask && WIFEXITED(status) &&
            WEXITSTATUS(status) == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

PulseServer::~PulseServer() {
    kill();
    m_holder.reset();
    for (auto helper = m_helpers.rbegin(); helper != m_helpers.rend(); ++helper) {
        ::kill(*helper, SIGTERM);
        ::waitpid(*helper, nullptr, 0);
    }
    if (!m_dir.empty())
        (void)!std::system(("rm -rf '" + m_dir + "'").c_str());
}

bool PulseServer::running() const {
    return m_holder ? m_holder->holding() : m_pid > 0;
}

int PulseServer::knockStarts() const {
    return m_holder ? m_holder->starts() : 0;
}

std::chrono::steady_clock::time_point PulseServer::lastKnockStart() const {
    return m_holder ? m_holder->lastStart() : std::chrono::steady_clock::time_point();
}

bool PulseServer::start() {
    if (m_kind == Kind::PipeWire && m_helpers.size() < 3)
        return false; // PipeWire itself did not start
    const std::vector<std::string> command =
        m_kind == Kind::PipeWire
            ? std::vector<std::string>{"pipewire-pulse"}
            : std::vector<std::string>{
                  "pulseaudio", "--daemonize=no", "-n", "--exit-idle-time=-1", "--disallow-exit",
                  "--use-pid-file=no", "--system=no",
                  "--load=module-null-sink sink_name=out rate=48000",
                  // With a socket handed over on the same path, the module takes it.
                  "--load=module-native-protocol-unix auth-anonymous=1 socket=" + m_socket};
    if (m_how == Start::OnKnock) {
        if (!m_dir.empty() && !m_holder)
            m_holder = std::make_unique<SocketHolder>(
                m_socket, command,
                std::vector<std::string>{"XDG_RUNTIME_DIR=" + m_dir, "HOME=" + m_dir,
                                         "XDG_CONFIG_HOME=" + m_dir,
                                         "DBUS_SESSION_BUS_ADDRESS=unix:path=" + m_dir + "/bus"});
        return running();
    }
    if (m_dir.empty() || m_pid > 0)
        return m_pid > 0;
    m_pid = spawn(command, m_dir, {});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (ended(m_pid)) {
            m_pid = -1;
            return false;
        }
        if (answers())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill();
    return false;
}

void PulseServer::kill() {
    if (m_holder)
        m_holder->killServer();
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1; // its socket stays behind, as after a crash
}

bool PulseServer::answers() const {
    sockaddr_un address{};
    if (m_socket.size() >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    m_socket.copy(address.sun_path, m_socket.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool accepted =
        fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return accepted;
}

std::vector<float> PulseServer::record(const std::function<void()>& play, int ms) const {
    if (!running())
        return {};
    const std::string file = m_dir + "/rec.raw";
    const pid_t recorder =
        spawn({"parec", "-s", "unix:" + m_socket, "-d", "out.monitor", "--rate=48000",
               "--channels=1", "--format=s16le", "--latency-msec=10"},
              m_dir, file);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        struct stat info {};
        if (::stat(file.c_str(), &info) == 0 && info.st_size > 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const auto start = std::chrono::steady_clock::now();
    if (play)
        play();
    std::this_thread::sleep_for(std::chrono::milliseconds(ms) -
                                (std::chrono::steady_clock::now() - start));
    ::kill(recorder, SIGINT);
    ::waitpid(recorder, nullptr, 0);
    std::ifstream data(file, std::ios::binary);
    std::vector<float> samples;
    char pair[2];
    while (data.read(pair, 2))
        samples.push_back(int16_t(uint16_t(uint8_t(pair[0])) | uint16_t(uint8_t(pair[1])) << 8) /
                          32768.0f);
    ::unlink(file.c_str());
    // What came before `play` belongs to nothing asked for.
    return samples;
}
