// SPDX-License-Identifier: GPL-3.0-or-later
#include "bestlistfile.h"

#include "bestlistformat.h"
#include "safefilewriter.h"
#include "windows1252.h"

#include <QFile>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file that holds the 81 fields is under 2 KB; blanks between fields are
// allowed, but reading stops here so that a huge file cannot stall the start.
constexpr std::size_t ReadLimit = 64 * 1024;

// Reads at most ReadLimit + 1 bytes of a plain file; false for anything else
// (a directory or a pipe in the file's place is never waited on).
bool readBounded(const QString& path, std::string& bytes) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat st;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok) {
        bytes.resize(ReadLimit + 1);
        std::size_t have = 0;
        while (have < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + have, bytes.size() - have);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                ok = false;
            if (n <= 0)
                break;
            have += static_cast<std::size_t>(n);
        }
        bytes.resize(have);
    }
    ::close(fd);
    return ok;
}

} // namespace

bool loadBestList(const QString& path, BestList& list, QString& playerName) {
    std::string bytes;
    std::string name;
    const bool read = readBounded(path, bytes);
    // A save in place that was cut short: the whole list it left is taken back.
    if (read && bytes.size() <= ReadLimit)
        finishInterruptedRewrite(QFile::encodeName(path).toStdString(), bytes);
    if (read && bestlistformat::parseFileStart(bytes, ReadLimit, list, name)) {
        playerName = fromWindows1252(name);
        return true;
    }
    list.setDefaults();
    playerName = QString::fromLatin1(bestlistformat::DefaultPlayerName);
    return false;
}

bool saveBestList(const QString& path, const BestList& list, const QString& playerName) {
    return saveBestList(path, list, playerName, WriteInterruption{});
}

bool saveBestList(const QString& path, const BestList& list, const QString& playerName,
                  const WriteInterruption& cut) {
    const std::string bytes = bestlistformat::format(list, toWindows1252(playerName));
    const WriteOutcome outcome =
        replaceFileContents(QFile::encodeName(path).toStdString(), bytes, cut);
    return outcome == WriteOutcome::Replaced || outcome == WriteOutcome::WrittenInPlace;
}
