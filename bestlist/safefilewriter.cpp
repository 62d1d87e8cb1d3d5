// SPDX-License-Identifier: GPL-3.0-or-later
#include "safefilewriter.h"

#include "rewritecopy.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int MaxLinkHops = 40; // as the kernel's own limit for symbolic links

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links to the file that is really meant; a dangling link
// names the file to be made. Empty when the chain cannot be followed.
std::string resolveLinks(std::string path) {
    for (int hop = 0; hop < MaxLinkHops; ++hop) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0)
            return errno == ENOENT ? path : std::string();
        if (!S_ISLNK(st.st_mode))
            return path;
        std::string target(4096, '\0');
        const ssize_t n = readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size())
            return {};
        target.resize(static_cast<std::size_t>(n));
        path = target.front() == '/' ? target : directoryOf(path) + "/" + target;
    }
    return {};
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    void reset(int fd) {
        close();
        m_fd = fd;
    }
    bool close() {
        if (m_fd < 0)
            return true;
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

// Writes `bytes`, honouring an acted-out interruption. False on any failure;
// `crashed` says the process would be gone now and must leave everything as it is.
bool writeAll(int fd, std::string_view bytes, WriteInterruption cut, bool& crashed) {
    crashed = false;
    std::size_t limit = bytes.size();
    if (cut.kind != WriteInterruption::None && cut.afterBytes < limit)
        limit = cut.afterBytes;
    std::size_t done = 0;
    while (done < limit) {
        const ssize_t n = ::write(fd, bytes.data() + done, limit - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    if (cut.kind == WriteInterruption::Crash) {
        crashed = true;
        return false;
    }
    if (cut.kind == WriteInterruption::DiskFull && limit < bytes.size())
        return false;
    return true;
}

// A new, empty file beside `target`, made with 0666 so that the user's umask
// applies exactly as it would to the file itself.
int makeTemporaryBeside(const std::string& target, std::string& tempPath) {
    std::random_device entropy;
    std::mt19937 random(entropy());
    const std::string stem = directoryOf(target) + "/." + baseNameOf(target) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = stem + std::to_string(random() % 1000000000u);
        const int fd =
            ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

void syncDirectory(const std::string& path) {
    FileDescriptor dir(::open(directoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::fsync(dir.get());
}

// Over the old contents from the start, then cut to the new length. First
// the new contents go whole behind the old ones (rewritecopy.h), synced
// before the start is touched: cut short anywhere, the file reads as the old
// list or the new one. A list of about the old size is never empty on the
// disk, not even for a moment.
WriteOutcome writeInPlace(int fd, std::string_view bytes, WriteInterruption cut) {
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return WriteOutcome::Failed;
    const auto oldSize = static_cast<std::size_t>(st.st_size);
    const std::string copy = rewritecopy::make(bytes, oldSize);
    const auto at = static_cast<off_t>(rewritecopy::placeFor(oldSize, bytes.size()));
    // An acted-out interruption counts the bytes of both writes together.
    WriteInterruption copyCut, startCut = cut;
    if (cut.kind != WriteInterruption::None && cut.afterBytes < copy.size())
        copyCut = cut;
    startCut.afterBytes = cut.afterBytes > copy.size() ? cut.afterBytes - copy.size() : 0;
    if (copyCut.kind != WriteInterruption::None)
        startCut = {};

    bool crashed = false;
    if (::lseek(fd, at, SEEK_SET) != at || !writeAll(fd, copy, copyCut, crashed) ||
        ::fsync(fd) != 0) {
        if (!crashed && ::ftruncate(fd, static_cast<off_t>(oldSize)) == 0)
            ::fsync(fd); // the old contents, exactly as they were
        return WriteOutcome::Failed;
    }
    // From here on the copy stands: cut short, the file reads as the new list.
    if (::lseek(fd, 0, SEEK_SET) != 0 || !writeAll(fd, bytes, startCut, crashed) ||
        ::fsync(fd) != 0 || ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 ||
        ::fsync(fd) != 0)
        return WriteOutcome::Failed;
    return WriteOutcome::WrittenInPlace;
}

// Gives the new file the old one's owner, group and permission bits, as far
// as we may; true when all three are the old file's now. An ordinary user
// keeps another owner never, and a group only if they belong to it (or the
// folder hands its group down).
bool takeOverOwnership(int fd, const struct stat& old) {
    struct stat now;
    if (::fstat(fd, &now) != 0)
        return false;
    if (now.st_uid != old.st_uid || now.st_gid != old.st_gid) {
        if (::fchown(fd, old.st_uid, old.st_gid) != 0 &&
            ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0)
            return false;
    }
    // After the owner: a change of owner clears the set-id bits.
    ::fchmod(fd, old.st_mode & 07777);
    return ::fstat(fd, &now) == 0 && now.st_uid == old.st_uid && now.st_gid == old.st_gid &&
           (now.st_mode & 07777) == (old.st_mode & 07777);
}

} // namespace

WriteOutcome replaceFileContents(const std::string& path, std::string_view bytes,
                                 WriteInterruption cut) {
    const std::string target = resolveLinks(path);
    if (target.empty())
        return WriteOutcome::Failed;

    struct stat old;
    const bool exists = ::stat(target.c_str(), &old) == 0;
    FileDescriptor oldFile;
    if (exists) {
        if (!S_ISREG(old.st_mode))
            return WriteOutcome::LeftAlone;
        // Opening without truncating asks exactly whether we may write it,
        // and changes nothing.
        oldFile.reset(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK));
        if (!oldFile.valid())
            return WriteOutcome::LeftAlone;
    }

    std::string tempPath;
    FileDescriptor temp(makeTemporaryBeside(target, tempPath));
    if (!temp.valid())
        return exists ? writeInPlace(oldFile.get(), bytes, cut) : WriteOutcome::Failed;

    // A file shared by a class (another pupil's, or the group's) must stay
    // theirs: a new file would be ours and our group's, and the next pupil
    // could no longer write it. Then, and for a file with a second name, the
    // old file is written where it is, as an editor of a shared file does.
    if (exists && (old.st_nlink > 1 || !takeOverOwnership(temp.get(), old))) {
        temp.close();
        ::unlink(tempPath.c_str());
        return writeInPlace(oldFile.get(), bytes, cut);
    }

    bool crashed = false;
    const bool written = writeAll(temp.get(), bytes, cut, crashed);
    if (crashed)
        return WriteOutcome::Failed; // a dead process cleans up nothing
    if (!written || ::fsync(temp.get()) != 0 || !temp.close() ||
        ::rename(tempPath.c_str(), target.c_str()) != 0) {
        ::unlink(tempPath.c_str());
        return WriteOutcome::Failed;
    }
    syncDirectory(target);
    return WriteOutcome::Replaced;
}

void finishInterruptedRewrite(const std::string& path, std::string& bytes) {
    const rewritecopy::Found found = rewritecopy::find(bytes);
    if (found.kind == rewritecopy::Found::None)
        return;
    std::string whole = found.kind == rewritecopy::Found::Complete ? std::string(found.contents)
                                                                   : bytes.substr(0, found.oldSize);
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat st;
    if (file.valid() && ::fstat(file.get(), &st) == 0 && S_ISREG(st.st_mode)) {
        // The start from the copy, which stays behind it until the file is
        // cut: killed again here, the next reading finds it again.
        bool crashed = false;
        const bool startStands =
            found.kind == rewritecopy::Found::Unfinished ||
            (::lseek(file.get(), 0, SEEK_SET) == 0 && writeAll(file.get(), whole, {}, crashed) &&
             ::fsync(file.get()) == 0);
        if (startStands && ::ftruncate(file.get(), static_cast<off_t>(whole.size())) == 0)
            ::fsync(file.get());
    }
    bytes = std::move(whole);
}
