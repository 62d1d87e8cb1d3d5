// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewwords.h"

#include <QStringList>

#include "compass.h"
#include "keycue.h"
#include "notenames.h"
#include "traininground.h"

QString ViewWords::points(unsigned points) {
    return points == 1 ? QStringLiteral("1 Punkt") : QStringLiteral("%1 Punkte").arg(points);
}

QString ViewWords::verdict(bool right, unsigned points) {
    return (right ? QStringLiteral("Richtig, ") : QStringLiteral("Falsch, ")) +
           ViewWords::points(points);
}

QString ViewWords::roundStarted() {
    return QStringLiteral("Runde beginnt");
}

QString ViewWords::roundEnded() {
    return QStringLiteral("Runde zu Ende");
}

QString ViewWords::roundCancelled() {
    return QStringLiteral("Runde abgebrochen");
}

QString ViewWords::cue(const KeyCue& cue, const Compass& compass) {
    return QStringLiteral("Zeiger auf ") + noteName(compass.cellToNote(cue.m_cell));
}

QString ViewWords::describe(const QString& news, bool newsIsVerdict, const TrainingRound& round,
                            const KeyCue& cue, const Compass& compass) {
    QStringList parts;
    if (!news.isEmpty())
        parts << news;
    if (!newsIsVerdict) {
        parts << ViewWords::cue(cue, compass);
        parts << points(round.m_points);
    }
    const bool running = round.m_running && !round.m_roundOver;
    parts << (running ? QStringLiteral("Runde läuft") : QStringLiteral("keine Runde"));
    return parts.join(QStringLiteral(". ")) + u'.';
}
