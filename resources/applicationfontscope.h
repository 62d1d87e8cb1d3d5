// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QFont>

// While it lives, the application's font is `font`; afterwards the one it was.
// A line edit lays out its empty text once in the application's font, in its
// constructor, before it takes its own from its parent. Made inside one of
// these with the dialog's font, it finds that font ready: the application's
// font is then not loaded at all while a window is built, which is a quarter
// of what the trainer window's controls cost before it can be shown.
class ApplicationFontScope {
public:
    explicit ApplicationFontScope(const QFont& font);
    ~ApplicationFontScope();

    ApplicationFontScope(const ApplicationFontScope&) = delete;
    ApplicationFontScope& operator=(const ApplicationFontScope&) = delete;

private:
    QFont m_previous;
    bool m_changed = false;
};
