// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QValidator>

// What the player-name field takes: only characters the best-list file can
// carry as one name (no white space the file reader separates at, nothing
// Windows-1252 cannot hold), letters turned into capitals as they are typed,
// and no growth beyond ten characters.
class NameValidator : public QValidator {
    Q_OBJECT
public:
    static constexpr int MaxLength = 10;

    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override;

    // The length the field holds now; a name read from a file may be longer
    // than ten, and may then shrink but never grow.
    void setCurrentLength(int length) { m_currentLength = length; }

    static bool isRefused(QChar c);
    // The capital where Windows-1252 holds it as one character (so ß and µ stay).
    static QChar capital(QChar c);

private:
    int m_currentLength = 0;
};
