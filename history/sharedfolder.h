// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <sys/types.h>

// The history's files in a folder that others may write (a class's shared
// folder, made so by the teacher): each belongs to the folder's group and is
// writable by it, as the best list there stays the class's, so that every
// pupil's rounds are kept. In a folder of one's own nothing changes: the
// files follow the pupil's umask.
class SharedFolder {
public:
    // `dataFile`: the database file; its journals are beside it.
    explicit SharedFolder(std::string dataFile);

    // Before the database is opened: a file not there yet is made now,
    // empty, already the group's (an empty file is an empty database).
    void makeFileForTheClass() const;
    // Once the database is open: the files of ours among the database and
    // its journals (-wal, -shm) get the folder's group and the group's read
    // and write bits. Another pupil's files are theirs to give.
    void handOwnFilesToTheClass() const;

private:
    // The folder's group when others may write the folder, else false.
    bool sharedGroup(gid_t& group) const;
    static void handToGroup(int fd, gid_t group);

    std::string m_file;
};
