// SPDX-License-Identifier: GPL-3.0-or-later
// Shows a message box the way the trainer shows its messages (no icon, OK
// only), so that a test can set the two side by side on the same X server:
// the same text renders to the same pixels, and any other text does not.
//
//   msgref CAPTION TEXT      (TEXT may hold "\n" for line breaks)
#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    QString text = QString::fromUtf8(argv[2]);
    text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(argv[1]), text, QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? 0 : 1;
}
