// SPDX-License-Identifier: GPL-3.0-or-later
#include "caboutdlg.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>

#include "template100.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(template100::Caption));
    buildControls(this, template100::Controls);
    setTemplateSize(this, template100::Width, template100::Height);

    // The logo is drawn at its own size where the picture exists.
    const QString logo = QStringLiteral(":/pictures/pic143.png");
    if (auto* picture = controlAs<QLabel>(this, template100::IdLogo); picture && QFile::exists(logo)) {
        const QPixmap pixmap(logo);
        picture->setPixmap(pixmap);
        picture->resize(pixmap.size());
    }
    if (auto* ok = controlAs<QPushButton>(this, 1)) {
        ok->setDefault(true);
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    }
}
