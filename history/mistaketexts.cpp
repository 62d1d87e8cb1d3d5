// SPDX-License-Identifier: GPL-3.0-or-later
#include "mistaketexts.h"

#include <QStringList>
#include <algorithm>

#include "notenames.h"

namespace MistakeTexts {

QString confusions(const MistakeStats& stats) {
    if (stats.empty())
        return QStringLiteral("In dieser Zeit hast Du noch keine Runde gespielt.");
    if (stats.confusions.empty())
        return QStringLiteral("In dieser Zeit hast Du keinen Ton verwechselt. Prima!");
    QStringList lines{QStringLiteral("Diese Töne hast Du am häufigsten verwechselt:")};
    const size_t shown = std::min<size_t>(stats.confusions.size(), ShownConfusions);
    for (size_t i = 0; i < shown; ++i) {
        const Confusion& c = stats.confusions[i];
        lines << QStringLiteral("%1 statt %2: %3-mal")
                     .arg(noteName(c.answered), noteName(c.asked))
                     .arg(c.times);
    }
    return lines.join(QLatin1Char('\n'));
}

QString note(int midiNote, const NoteTally& tally) {
    const QString name = noteName(midiNote);
    if (tally.asked == 0)
        return QStringLiteral("%1: war bei Dir in dieser Zeit noch nicht dran.").arg(name);
    QString text = QStringLiteral("%1: %2-mal gefragt, %3-mal hast Du ihn gleich beim ersten Versuch erkannt")
                       .arg(name)
                       .arg(tally.asked)
                       .arg(tally.firstRight);
    if (tally.right == 0)
        return text + QStringLiteral("; richtig beantwortet hast Du ihn noch nie.");
    const QString seconds = QString::number(tally.meanMs() / 1000.0, 'f', 1).replace(
        QLatin1Char('.'), QLatin1Char(','));
    return text + QStringLiteral("; bis zur richtigen Antwort hast Du im Mittel %1 s gebraucht.")
                      .arg(seconds);
}

QString pointHint() {
    return QStringLiteral("Zeig mit der Maus auf eine Note, dann siehst Du, wie es Dir mit ihr ging.");
}

} // namespace MistakeTexts
