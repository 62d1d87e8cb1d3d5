// SPDX-License-Identifier: GPL-3.0-or-later
#include "messagebox.h"

#include <QMessageBox>

namespace {
void show(QMessageBox::Icon icon, QWidget* owner, const QString& text, const QString& caption) {
    QMessageBox box(icon, caption, text, QMessageBox::Ok, owner);
    box.exec();
}
} // namespace

void showMessageBox(QWidget* owner, const QString& text, const QString& caption) {
    show(QMessageBox::NoIcon, owner, text, caption);
}

void showExclamationBox(QWidget* owner, const QString& text, const QString& caption) {
    show(QMessageBox::Warning, owner, text, caption);
}
