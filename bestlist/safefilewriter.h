// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Acts out a save that is cut short, for tests: a crash (the process dies,
// nothing is cleaned up) or a full disk (the next write fails) once
// `afterBytes` bytes of the new contents have been written.
struct WriteInterruption {
    enum Kind { None, Crash, DiskFull };
    Kind kind = None;
    std::size_t afterBytes = 0;
};

enum class WriteOutcome {
    Replaced,       // the new contents stand, written beside and renamed over
    WrittenInPlace, // rewritten where it is: the directory takes no new file, or a new
                    // one could not keep the old one's owner, group and mode, or it has links
    LeftAlone,      // the file exists but may not be written (or is no plain file): untouched
    Failed,         // nothing could be written; an old file keeps its contents (a
                    // rewrite in place cut short once its copy stood reads as the new)
};

// Replaces the contents of the file at `path` so that at every moment the
// file holds either its old or its new contents in full: the bytes go into a
// temporary file beside it (beside a symbolic link's target, so the link stays
// a link) with the old file's owner, group and permission bits, are synced,
// and the temporary file is renamed over the old one. A file we may not write
// is left alone, as a refused open would leave it. Where the directory takes
// no new file, or the new file cannot keep the old one's owner, group and
// mode (a class's shared list), or the file has a second name, the file is
// rewritten in place, with a copy of the new contents behind the old ones
// until the rewrite is complete.
WriteOutcome replaceFileContents(const std::string& path, std::string_view bytes,
                                 WriteInterruption cut = {});

// A file read whole into `bytes` that a rewrite in place left cut short:
// `bytes` become the list it was rewritten to when its copy is complete, else
// the old list, untouched at its start; and the file is made to hold exactly
// that, if we may write it. Anything else is left as read.
void finishInterruptedRewrite(const std::string& path, std::string& bytes);
