// SPDX-License-Identifier: GPL-3.0-or-later
#include "sharedfolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

SharedFolder::SharedFolder(std::string dataFile) : m_file(std::move(dataFile)) {}

bool SharedFolder::sharedGroup(gid_t& group) const {
    const auto slash = m_file.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? "/"
                                                          : m_file.substr(0, slash);
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        (st.st_mode & (S_IWGRP | S_IWOTH)) == 0)
        return false;
    group = st.st_gid;
    return true;
}

void SharedFolder::handToGroup(int fd, gid_t group) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid())
        return;
    // A pupil keeps a group only if they belong to it; a set-group-id folder
    // has given it already.
    if (st.st_gid != group && ::fchown(fd, static_cast<uid_t>(-1), group) != 0)
        return;
    const mode_t wanted = (st.st_mode & 07777) | S_IRGRP | S_IWGRP;
    if ((st.st_mode & 07777) != wanted)
        ::fchmod(fd, wanted);
}

void SharedFolder::makeFileForTheClass() const {
    gid_t group;
    if (!sharedGroup(group))
        return;
    const int fd =
        ::open(m_file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0)
        return; // there already, or the folder takes no file: SQLite says which
    handToGroup(fd, group);
    ::close(fd);
}

void SharedFolder::handOwnFilesToTheClass() const {
    gid_t group;
    if (!sharedGroup(group))
        return;
    // SQLite makes the journals with the database's permission bits, but
    // with the group of whoever opened it first.
    for (const char* suffix : {"", "-wal", "-shm"}) {
        const std::string name = m_file + suffix;
        const int fd =
            ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (fd < 0)
            continue;
        handToGroup(fd, group);
        ::close(fd);
    }
}
