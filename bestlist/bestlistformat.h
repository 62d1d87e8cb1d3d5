// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "bestlist.h"

// The best-list file's text: the player's name, then name and points of the
// ten places of each of the four compasses, 81 fields in all. Plain bytes in
// and out (names are Windows-1252); no files, no Qt.
namespace bestlistformat {

inline constexpr int FieldCount = 1 + BestList::Columns * BestList::Places * 2;
inline constexpr std::size_t MaxNameBytes = sizeof(BestEntry::name) - 1; // 19
inline constexpr const char* DefaultPlayerName = "Name...";

// The bytes that separate fields: blank, tab, LF, VT, FF and CR.
inline bool isSeparator(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// True when the reader would take `name` back as one name field.
bool isStorableName(std::string_view name);

// Reads the 81 fields from the start of `bytes`. Any white space separates
// fields; a name is a run of at most 19 non-blank bytes (a longer run fails,
// it is never split); points are an optional sign and decimal digits that fit
// a signed 32-bit value, ending before the first other byte. On success fills
// `list` and `playerName`, sets `end` just past the 81st field and returns true;
// on failure leaves both untouched.
bool parse(std::string_view bytes, BestList& list, std::string& playerName,
           std::size_t* end = nullptr);

// Reads the start of a file of which at most `limit` bytes are taken in one
// piece: `bytes` holds what was read, at most limit + 1 bytes, the extra byte
// telling that the file goes on. The list stands only when its last field
// ended within what was read.
bool parseFileStart(std::string_view bytes, std::size_t limit, BestList& list,
                    std::string& playerName);

// The whole file: every field on a line of its own, points as "%3d", CR LF
// after every line. A name the reader could not take back (empty, with white
// space, too long) is written as the player default "Name..." or as "Nobody",
// so one bad name never costs the whole list at the next start.
std::string format(const BestList& list, std::string_view playerName);

} // namespace bestlistformat
