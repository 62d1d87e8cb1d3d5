// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <QString>

class QAccessibleInterface;

// One message the trainer view tells a screen reader at once: an answer's
// verdict, a round's start and end, where the keyboard's cue went. On the
// accessibility bus it is a notification inside the view that shows itself
// when it is said, which Orca speaks wherever the focus is. (Qt 6.4 has no
// announcement of its own, and its description change carries no text that
// Orca could speak.) The window takes its messengers in turn, so a screen
// reader still reading one finds its text unchanged. Nothing of it is drawn.
class ViewHerald : public QObject {
    Q_OBJECT
public:
    explicit ViewHerald(QObject* view);

    void say(const QString& text);
    const QString& text() const { return m_text; }
    QObject* view() const { return parent(); }

    // For QAccessible::installFactory.
    static QAccessibleInterface* factory(const QString& className, QObject* object);

private:
    QString m_text;
};
