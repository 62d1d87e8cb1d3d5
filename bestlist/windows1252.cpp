#include "windows1252.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {
constexpr const char* CodecName = "windows-1252";
}

QString fromWindows1252(std::string_view bytes) {
    QStringDecoder decode(CodecName);
    return decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string toWindows1252(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (QChar c : text) {
        QStringEncoder encode(CodecName);
        const QByteArray byte = encode(QStringView(&c, 1));
        out.push_back(!encode.hasError() && byte.size() == 1 ? byte.front() : '?');
    }
    return out;
}

bool fitsWindows1252(QChar c) {
    if (c.isSurrogate())
        return false;
    QStringEncoder encode(CodecName);
    const QByteArray byte = encode(QStringView(&c, 1));
    return !encode.hasError() && byte.size() == 1;
}
