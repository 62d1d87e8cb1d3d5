// SPDX-License-Identifier: GPL-3.0-or-later
#include "applicationfontscope.h"

#include <QApplication>

ApplicationFontScope::ApplicationFontScope(const QFont& font) : m_previous(QApplication::font()) {
    if (font != m_previous) {
        QApplication::setFont(font);
        m_changed = true;
    }
}

ApplicationFontScope::~ApplicationFontScope() {
    if (m_changed)
        QApplication::setFont(m_previous);
}
