// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

// The help page, which is also the About box. Each showing makes a fresh one.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
