// SPDX-License-Identifier: GPL-3.0-or-later
#include "cplayername.h"

#include "messagebox.h"
#include "namevalidator.h"
#include "template104.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QShowEvent>

CPlayerName::CPlayerName(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromUtf8(template104::Caption));
}

void CPlayerName::setVisible(bool visible) {
    // The field and the logo are made at the first opening, not while the program starts.
    if (visible)
        buildControlsOnce();
    QDialog::setVisible(visible);
}

void CPlayerName::buildControlsOnce() {
    if (m_built)
        return;
    m_built = true;
    buildControls(this, template104::Controls);
    setTemplateSize(this, template104::Width, template104::Height);

    m_nameEdit = controlAs<QLineEdit>(this, template104::IdName);
    m_validator = new NameValidator(m_nameEdit);
    m_nameEdit->setValidator(m_validator);
    m_nameEdit->setMaxLength(NameValidator::MaxLength);
    connect(m_nameEdit, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_validator->setCurrentLength(text.size());
        // A long name from the file may shrink; once it does, the limit closes in.
        if (m_nameEdit->maxLength() > NameValidator::MaxLength)
            m_nameEdit->setMaxLength(qMax<int>(NameValidator::MaxLength, text.size()));
    });
    connect(controlAs<QPushButton>(this, template104::IdOk), &QPushButton::clicked, this,
            &CPlayerName::accept);
    showLogo();
}

void CPlayerName::showLogo() {
    // The picture control is the template's only picture: a label without an id.
    const QString resource = QString::fromLatin1(template104::LogoResource);
    for (QLabel* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (!label->objectName().isEmpty() || !label->text().isEmpty())
            continue;
        label->setObjectName(QStringLiteral("logo"));
        if (QFile::exists(resource)) {
            const QPixmap logo(resource);
            label->setPixmap(logo);
            label->resize(logo.size()); // a picture control takes its bitmap's size
        }
        break;
    }
}

void CPlayerName::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return; // restored from the task bar: not a new opening
    // Room for a longer name read from a file; typing can only shorten it.
    m_nameEdit->setMaxLength(qMax<int>(NameValidator::MaxLength, m_playerName.size()));
    m_validator->setCurrentLength(m_playerName.size());
    m_nameEdit->setText(m_playerName);
    m_nameEdit->selectAll(); // typing replaces the old name
    m_nameEdit->setFocus(Qt::OtherFocusReason);
}

void CPlayerName::accept() {
    buildControlsOnce();
    const QString text = m_nameEdit->text();
    if (text.isEmpty()) {
        // An empty name cannot be stored in the best-list file: ask again.
        m_nameEdit->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (text.size() > NameValidator::MaxLength) {
        showExclamationBox(
            this, QStringLiteral("Geben Sie höchstens %1 Zeichen ein.").arg(NameValidator::MaxLength),
            windowTitle());
        m_nameEdit->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_playerName = text;
    QDialog::accept();
}
