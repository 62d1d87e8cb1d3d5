// SPDX-License-Identifier: GPL-3.0-or-later
#include "mouth.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include <QProcess>
#include <QStringList>

namespace {
int pactl(const QStringList& args, QString* out = nullptr) {
    QProcess p;
    p.start(QStringLiteral("pactl"), args);
    if (!p.waitForFinished(10000))
        return -1;
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return p.exitCode();
}
} // namespace

Mouth::Mouth(const std::string& dir, std::string source, bool asDefault)
    : m_fifo(dir + "/" + source + ".fifo"), m_source(std::move(source)), m_asDefault(asDefault) {}

Mouth::~Mouth() { unplug(); }

bool Mouth::plug() {
    // A server killed straight after unloading the pipe's module may not
    // have removed the pipe yet (the unload runs after its reply), and a
    // new pipe source refuses to start over a file already there.
    ::unlink(m_fifo.c_str());
    QString id;
    if (pactl({"load-module", "module-pipe-source",
               "source_name=" + QString::fromStdString(m_source),
               "file=" + QString::fromStdString(m_fifo), "format=float32le", "rate=48000",
               "channels=1"},
              &id) != 0)
        return false;
    m_module = id;
    if (m_asDefault && pactl({"set-default-source", QString::fromStdString(m_source)}) != 0)
        return false;
    m_fd = ::open(m_fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (m_fd < 0)
        return false;
    m_run = true;
    m_thread = std::thread([this] { speak(); });
    return true;
}

void Mouth::unplug() {
    m_run = false;
    if (m_thread.joinable())
        m_thread.join();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_module.isEmpty())
        pactl({"unload-module", m_module});
    m_module.clear();
}

void Mouth::say(const std::vector<float>& sound) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_beforeMark = m_queue.size();
    m_marked = true;
    m_queue.insert(m_queue.end(), sound.begin(), sound.end());
}

void Mouth::sayOver(const std::vector<float>& sound, std::vector<float> echo) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_beforeMark = m_queue.size();
    m_marked = true;
    m_queue.insert(m_queue.end(), sound.begin(), sound.end());
    // The echo starts with the sound only when nothing is said before it.
    m_echo = std::move(echo);
    m_echoAt = 0;
}

void Mouth::echo(std::vector<float> sound) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_echo = std::move(sound);
    m_echoAt = 0;
}

bool Mouth::saying() {
    std::lock_guard<std::mutex> lock(m_lock);
    return !m_queue.empty();
}

std::chrono::steady_clock::time_point Mouth::saidFrom() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_marked ? std::chrono::steady_clock::time_point{} : m_saidFrom;
}

void Mouth::speak() {
    auto next = std::chrono::steady_clock::now();
    std::vector<float> block(Block);
    while (m_run) {
        {
            std::lock_guard<std::mutex> lock(m_lock);
            const auto now = std::chrono::steady_clock::now();
            for (std::size_t i = 0; i < block.size(); ++i) {
                float& s = block[i];
                s = 0;
                if (!m_queue.empty()) {
                    if (m_marked && m_beforeMark == 0) {
                        m_marked = false;
                        m_saidFrom = now + std::chrono::microseconds(
                                               static_cast<long>(1e6 * double(i) / Rate));
                    }
                    if (m_beforeMark > 0)
                        --m_beforeMark;
                    s = m_queue.front();
                    m_queue.pop_front();
                }
                if (m_echoAt < m_echo.size())
                    s += m_echo[m_echoAt++];
            }
        }
        if (::write(m_fd, block.data(), block.size() * sizeof(float)) < 0 && errno != EAGAIN)
            return;
        next += std::chrono::milliseconds(10);
        std::this_thread::sleep_until(next);
    }
}
