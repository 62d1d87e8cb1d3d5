// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QString>

class QLineEdit;
class NameValidator;

// The player-name dialog: one field that opens with the current name selected.
// "OK" takes the field's text as the new name; Escape and the close box keep
// the old one.
class CPlayerName : public QDialog {
    Q_OBJECT
public:
    explicit CPlayerName(QWidget* parent = nullptr);

    QString m_playerName; // the program's player name, empty until the list is read

    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;

public slots:
    void accept() override;

private:
    void buildControlsOnce();
    void showLogo();

    QLineEdit* m_nameEdit = nullptr;
    NameValidator* m_validator = nullptr;
    bool m_built = false;
};
