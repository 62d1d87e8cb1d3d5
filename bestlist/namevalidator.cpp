// SPDX-License-Identifier: GPL-3.0-or-later
#include "namevalidator.h"

#include "bestlistformat.h"
#include "windows1252.h"

bool NameValidator::isRefused(QChar c) {
    const char16_t u = c.unicode();
    // Exactly the file reader's separators, and the zero byte that would end a name early.
    if (u == 0 || (u < 0x80 && bestlistformat::isSeparator(static_cast<unsigned char>(u))))
        return true;
    return !fitsWindows1252(c);
}

QChar NameValidator::capital(QChar c) {
    const QChar upper = c.toUpper();
    return upper != c && fitsWindows1252(upper) ? upper : c;
}

QValidator::State NameValidator::validate(QString& input, int& pos) const {
    Q_UNUSED(pos); // capitals never change the length, so the caret stays put
    for (QChar& c : input) {
        if (isRefused(c))
            return Invalid;
        c = capital(c);
    }
    if (input.size() > MaxLength && input.size() > m_currentLength)
        return Invalid;
    return Acceptable;
}
