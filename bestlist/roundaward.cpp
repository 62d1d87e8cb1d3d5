// SPDX-License-Identifier: GPL-3.0-or-later
#include "roundaward.h"

#include "award.h"
#include "chiscore.h"
#include "windows1252.h"

namespace awardtext {

QString practiceText(int octaves, int place) {
    return QString::asprintf(
        "Bravo, Du hättest im Bereich %d Oktave(n) den %d.Platz in der Bestenliste gewonnen!\n"
        "ein Eintrag in der Bestenliste ist jedoch im Übemodus nicht möglich.\n"
        "Um den  Übemodus zu verlassen, entferne das Häkchen bei <Nur üben>!",
        octaves, place);
}
QString practiceCaption() {
    return QStringLiteral("Der QVB-Zazezovidavi meldet:");
}

QString enteredText() {
    return QStringLiteral("Bravo, Du hast einen Eintrag in die Bestenliste gewonnen!");
}
QString enteredCaption() {
    return QStringLiteral("Gratulation !");
}

QString noPlaceText(int points) {
    return QString::asprintf("Bravo, Du hast %d Punkte errungen!\n"
                             "Leider reicht es diesmal nicht für einen Eintrag in der "
                             "Bestenliste.\nWeiterüben!!!",
                             points);
}
QString noPlaceCaption() {
    return QStringLiteral("Der QVB-Zaradariveda meldet:");
}

} // namespace awardtext

void awardRoundResult(QWidget* owner, CHiscore& bestListDlg, uint16_t octaves, uint16_t points,
                      bool practice, const QString& playerName, const MessageBoxFn& showMessage) {
    HiscoreState copy = bestListDlg.state();
    copy.showColumn = octaves;
    const std::string name = toWindows1252(playerName);
    const AwardOutcome outcome =
        decideAward(copy.bestList, octaves, points, practice, name.c_str());

    switch (outcome.kind) {
    case AwardOutcome::PracticeWouldEnter:
        showMessage(owner, awardtext::practiceText(octaves, outcome.index + 1),
                    awardtext::practiceCaption());
        return; // the copy is thrown away: the list stays as it was
    case AwardOutcome::NoPlace:
        showMessage(owner, awardtext::noPlaceText(points), awardtext::noPlaceCaption());
        return;
    case AwardOutcome::PracticeNoPlace:
    case AwardOutcome::NoColumn:
        return;
    case AwardOutcome::Entered:
        break;
    }

    copy.highlightRank = outcome.index;
    showMessage(owner, awardtext::enteredText(), awardtext::enteredCaption());
    CHiscore dialog(owner);
    dialog.setState(copy);
    // A column cleared in it counts at once, with the new entry.
    QObject::connect(&dialog, &CHiscore::listChanged, &bestListDlg,
                     [&] { bestListDlg.takeBack(dialog.state()); });
    dialog.exec();
    // Taken back however the dialog closed, with any column cleared in it.
    bestListDlg.takeBack(dialog.state());
}
