// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows1252.h"

#include <algorithm>
#include <array>

namespace {
// What the bytes 0x80 to 0x9F stand for. The five the code page leaves free
// stand for the control characters of the same number, so that every byte
// a file may hold comes back as it was.
constexpr std::array<char16_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t charOf(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? HighControls[byte - 0x80] : char16_t(byte);
}

// The byte that holds `c`, or -1.
int byteOf(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    const auto* found = std::find(HighControls.begin(), HighControls.end(), c);
    return found == HighControls.end() ? -1 : 0x80 + int(found - HighControls.begin());
}
} // namespace

QString fromWindows1252(std::string_view bytes) {
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (char byte : bytes)
        text.append(QChar(charOf(static_cast<unsigned char>(byte))));
    return text;
}

std::string toWindows1252(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (QChar c : text) {
        const int byte = byteOf(c.unicode());
        out.push_back(byte < 0 ? '?' : static_cast<char>(byte));
    }
    return out;
}

bool fitsWindows1252(QChar c) {
    return byteOf(c.unicode()) >= 0;
}
