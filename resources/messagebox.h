// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <functional>

class QWidget;

// Shows a message of the program: owner (nullptr: none), text, caption. The
// program shows showMessageBox; tests put in a recorder.
using MessageBoxFn =
    std::function<void(QWidget* owner, const QString& text, const QString& caption)>;

// The program's message box, the same for every message: modal over `owner`,
// one OK button, no icon.
void showMessageBox(QWidget* owner, const QString& text, const QString& caption);
// The same with the exclamation mark: the name dialog's length message alone.
void showExclamationBox(QWidget* owner, const QString& text, const QString& caption);
