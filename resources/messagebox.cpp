// SPDX-License-Identifier: GPL-3.0-or-later
#include "messagebox.h"

#include <QMessageBox>

void showMessageBox(QWidget* owner, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
    box.exec();
}
