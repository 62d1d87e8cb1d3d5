// SPDX-License-Identifier: GPL-3.0-or-later
#include "bestlistformat.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace bestlistformat {
namespace {

class FieldReader {
public:
    explicit FieldReader(std::string_view bytes) : m_bytes(bytes) {}

    bool readName(char (&field)[sizeof(BestEntry::name)]) {
        skipSeparators();
        const std::size_t start = m_pos;
        while (m_pos < m_bytes.size() && !isSeparator(m_bytes[m_pos]))
            ++m_pos;
        const std::string_view run = m_bytes.substr(start, m_pos - start);
        if (!isStorableName(run))
            return false;
        std::char_traits<char>::copy(field, run.data(), run.size());
        field[run.size()] = '\0';
        return true;
    }

    bool readPoints(int32_t& points) {
        skipSeparators();
        bool negative = false;
        if (m_pos < m_bytes.size() && (m_bytes[m_pos] == '+' || m_bytes[m_pos] == '-'))
            negative = m_bytes[m_pos++] == '-';
        // One beyond INT32_MAX is allowed for the minus sign; anything larger
        // fails the field rather than being cut, like an over-long name.
        const int64_t limit = negative ? int64_t(INT32_MAX) + 1 : INT32_MAX;
        int64_t value = 0;
        std::size_t digits = 0;
        while (m_pos < m_bytes.size() && m_bytes[m_pos] >= '0' && m_bytes[m_pos] <= '9') {
            value = value * 10 + (m_bytes[m_pos++] - '0');
            if (value > limit)
                return false;
            ++digits;
        }
        if (digits == 0)
            return false;
        points = static_cast<int32_t>(negative ? -value : value);
        return true;
    }

    std::size_t position() const { return m_pos; }

private:
    void skipSeparators() {
        while (m_pos < m_bytes.size() && isSeparator(m_bytes[m_pos]))
            ++m_pos;
    }

    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

void appendLine(std::string& out, std::string_view text) {
    out.append(text);
    out.append("\r\n");
}

} // namespace

bool isStorableName(std::string_view name) {
    if (name.empty() || name.size() > MaxNameBytes)
        return false;
    for (char c : name) {
        // A zero byte would end the name early in its field and change it.
        if (c == '\0' || isSeparator(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

bool parse(std::string_view bytes, BestList& list, std::string& playerName, std::size_t* end) {
    FieldReader reader(bytes);
    BestEntry player;
    BestList read;
    if (!reader.readName(player.name))
        return false;
    for (auto& column : read.columns) {
        for (BestEntry& entry : column) {
            if (!reader.readName(entry.name) || !reader.readPoints(entry.points))
                return false;
        }
    }
    list = read;
    playerName = player.name;
    if (end)
        *end = reader.position();
    return true;
}

bool parseFileStart(std::string_view bytes, std::size_t limit, BestList& list,
                    std::string& playerName) {
    BestList read;
    std::string name;
    std::size_t end = 0;
    if (!parse(bytes, read, name, &end))
        return false;
    // Cut off at the limit, the last field might go on beyond what was read.
    if (bytes.size() > limit && end >= bytes.size())
        return false;
    list = read;
    playerName = name;
    return true;
}

std::string format(const BestList& list, std::string_view playerName) {
    std::string out;
    out.reserve(2048);
    appendLine(out, isStorableName(playerName) ? playerName : DefaultPlayerName);
    for (const auto& column : list.columns) {
        for (const BestEntry& entry : column) {
            // Bounded: a field filled to the brim without its zero is not a name.
            const std::string_view name(entry.name, strnlen(entry.name, sizeof entry.name));
            appendLine(out, isStorableName(name) ? name : "Nobody");
            char points[16];
            std::snprintf(points, sizeof points, "%3d", static_cast<int>(entry.points));
            appendLine(out, points);
        }
    }
    return out;
}

} // namespace bestlistformat
