// SPDX-License-Identifier: GPL-3.0-or-later
// The best-list file: its exact bytes, how the reader takes edited files, and
// that a save never leaves the file half written or writes where it may not.
#include "bestlistfile.h"
#include "bestlistformat.h"
#include "rewritecopy.h"
#include "safefilewriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QByteArray DefaultColumn =
    "Tirn\r\n 10\r\nRuvenau\r\n  9\r\nKelmstedt\r\n  8\r\nHarbolt\r\n  7\r\n"
    "Sondo\r\n  6\r\nPirok\r\n  5\r\nQuendel\r\n  4\r\nBrassel\r\n  3\r\n"
    "Falkendt\r\n  2\r\nMirol\r\n  1\r\n";
const QByteArray FirstStartFile = "Name...\r\n" + DefaultColumn.repeated(4);

// The 81 fields of the default file, to be joined in other ways.
QByteArrayList defaultFields() {
    QByteArrayList fields = FirstStartFile.split('\n');
    fields.removeLast(); // after the last line end
    for (QByteArray& f : fields)
        f.chop(1); // CR
    return fields;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

BestList defaults() {
    BestList list;
    list.setDefaults();
    return list;
}

// A list that differs from the defaults everywhere it can.
BestList variedList() {
    BestList list;
    int n = 0;
    for (int c = 1; c <= BestList::Columns; ++c)
        for (int i = 0; i < BestList::Places; ++i, ++n) {
            list.at(c, i).setName(QByteArray("P" + QByteArray::number(n)).constData());
            list.at(c, i).points = 1000 - 37 * n;
        }
    list.at(1, 0).setName("\xc4\xd6\xdc\xe4\xf6\xfc\xdf\x80"); // ÄÖÜäöüß€ as single bytes
    list.at(2, 3).points = -5;
    list.at(3, 9).points = 123456;
    list.at(4, 9).setName("ABCDEFGHIJKLMNOPQRS"); // 19 bytes, the longest a field holds
    return list;
}

constexpr uid_t Nobody = 65534;

// Permission bits only count for a user without privileges: as root the work
// runs in a child process under the ids of "nobody", otherwise right here.
// Returns the WriteOutcome, or -1 when the work could not be run.
int runUnprivileged(const std::function<int()>& work) {
    if (::geteuid() != 0)
        return work();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(Nobody) != 0 || ::setuid(Nobody) != 0)
            ::_exit(255);
        ::_exit(work());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) == 255)
        return -1;
    return WEXITSTATUS(status);
}

// Hands a path to the user that runUnprivileged runs as.
void giveToWorker(const QString& path) {
    if (::geteuid() == 0)
        QVERIFY(::chown(QFile::encodeName(path).constData(), Nobody, Nobody) == 0);
}

void setMode(const QString& path, mode_t mode) {
    QVERIFY(::chmod(QFile::encodeName(path).constData(), mode) == 0);
}

mode_t modeOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 07777;
}

// Two pupils of one class, each with a group of their own besides the class's.
struct Pupil {
    uid_t uid;
    const char* name;
};
constexpr gid_t ClassGroup = 64100;
constexpr Pupil PupilA{64101, "ANNA"};
constexpr Pupil PupilB{64102, "BEN"};

// What the program does for a pupil, run as that pupil (as root only): reads
// the list, enters the pupil at the top of column 1 and saves. Returns the
// WriteOutcome, or -1 when it could not be run.
int saveAsPupil(const Pupil& pupil, const QString& path) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const gid_t groups[] = {ClassGroup};
        const gid_t own = pupil.uid;
        if (::setgroups(1, groups) != 0 || ::setregid(own, own) != 0 ||
            ::setreuid(pupil.uid, pupil.uid) != 0)
            ::_exit(255);
        BestList list;
        QString name;
        if (!loadBestList(path, list, name))
            ::_exit(254);
        list.insert(1, 5000, pupil.name);
        ::_exit(int(replaceFileContents(QFile::encodeName(path).toStdString(),
                                        bestlistformat::format(list, pupil.name))));
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) >= 254)
        return -1;
    return WEXITSTATUS(status);
}

struct stat statOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

} // namespace

class TestBestListFile : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString& name = QStringLiteral("dataGehoer.qvb")) const {
        return m_dir.filePath(name);
    }

private slots:
    void init() {
        // Each case starts in a fresh, writable directory of its own.
        QDir(m_dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_dir.path()));
        setMode(m_dir.path(), 0755);
    }

    void firstStartGivesDefaultsAndWritesTheirExactBytes() {
        BestList list = variedList();
        QString name = QStringLiteral("old");
        QVERIFY(!loadBestList(path(), list, name));
        QCOMPARE(list, defaults());
        QCOMPARE(name, QStringLiteral("Name..."));
        QVERIFY(saveBestList(path(), list, name));
        QCOMPARE(readAll(path()), FirstStartFile);
    }

    void savedListReadsBackUnchanged() {
        const BestList list = variedList();
        const QString name = QStringLiteral("MÜLLER");
        QVERIFY(saveBestList(path(), list, name));
        const QByteArray bytes = readAll(path());
        // Names go into the file as single Windows-1252 bytes.
        QVERIFY(bytes.startsWith("M\xdcLLER\r\n\xc4\xd6\xdc\xe4\xf6\xfc\xdf\x80\r\n"));
        QVERIFY(bytes.contains("\r\n -5\r\n"));
        QVERIFY(bytes.contains("\r\n123456\r\n"));
        QVERIFY(bytes.endsWith("ABCDEFGHIJKLMNOPQRS\r\n-443\r\n"));
        BestList back;
        QString backName;
        QVERIFY(loadBestList(path(), back, backName));
        QCOMPARE(back, list);
        QCOMPARE(backName, name);
    }

    void editedFilesReadAsTheWrittenOne_data() {
        QTest::addColumn<QByteArray>("file");
        const QByteArrayList fields = defaultFields();
        QTest::newRow("LF only") << fields.join('\n') + '\n';
        QTest::newRow("all on one line") << fields.join(' ');
        QTest::newRow("tabs, blank lines, no last line end") << "\n\n" + fields.join("\t\r\n\v\f ");
        QTest::newRow("lines after the 81st") << FirstStartFile + "Extra\r\n 99\r\nrest of a line";
        QByteArray glued = FirstStartFile;
        glued.replace("Tirn\r\n 10\r\nRuvenau", "Tirn 10Ruvenau"); // points end at a letter
        QTest::newRow("name glued to the points before it") << glued;
    }
    void editedFilesReadAsTheWrittenOne() {
        QFETCH(QByteArray, file);
        writeAll(path(), file);
        BestList list;
        QString name;
        QVERIFY(loadBestList(path(), list, name));
        QCOMPARE(list, defaults());
        QCOMPARE(name, QStringLiteral("Name..."));
    }

    void pointsFields_data() {
        QTest::addColumn<QByteArray>("field");
        QTest::addColumn<int>("points");
        QTest::newRow("leading zeros") << QByteArray("007") << 7;
        QTest::newRow("plus sign") << QByteArray("+7") << 7;
        QTest::newRow("minus sign") << QByteArray("-3") << -3;
        QTest::newRow("many zeros") << QByteArray("00000000000000000042") << 42;
        QTest::newRow("largest") << QByteArray("2147483647") << 2147483647;
        QTest::newRow("smallest") << QByteArray("-2147483648") << int(-2147483647 - 1);
        QTest::newRow("out of order stays") << QByteArray("500") << 500;
    }
    void pointsFields() {
        QFETCH(QByteArray, field);
        QFETCH(int, points);
        QByteArrayList fields = defaultFields();
        fields[2 + 2 * 5] = field; // column 1, place 6
        writeAll(path(), fields.join("\r\n"));
        BestList list;
        QString name;
        QVERIFY(loadBestList(path(), list, name));
        BestList expected = defaults();
        expected.at(1, 5).points = points;
        QCOMPARE(list, expected);
    }

    void badFilesGiveDefaults_data() {
        QTest::addColumn<QByteArray>("file");
        QByteArrayList fields = defaultFields();
        auto with = [&](int index, const QByteArray& value) {
            QByteArrayList f = fields;
            f[index] = value;
            return f.join("\r\n") + "\r\n";
        };
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("only white space") << QByteArray(" \r\n\t\r\n");
        QTest::newRow("missing line") << FirstStartFile.left(FirstStartFile.size() - 5);
        QTest::newRow("20-character entry name") << with(41, "ABCDEFGHIJKLMNOPQRST");
        QTest::newRow("20-character player name") << with(0, "ABCDEFGHIJKLMNOPQRST");
        QTest::newRow("points not a number") << with(4, "viel");
        QTest::newRow("sign without digits") << with(4, "-");
        QTest::newRow("too big for 32 bits") << with(80, "2147483648");
        QTest::newRow("too small for 32 bits") << with(80, "-2147483649");
        QTest::newRow("zero byte in a name") << with(1, QByteArray("Ti\0rn", 5));
    }
    void badFilesGiveDefaults() {
        QFETCH(QByteArray, file);
        writeAll(path(), file);
        BestList list = variedList();
        QString name = QStringLiteral("KEEP");
        QVERIFY(!loadBestList(path(), list, name));
        QCOMPARE(list, defaults());
        QCOMPARE(name, QStringLiteral("Name..."));
    }

    void strangeThingsInPlaceOfTheFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("readable");
        QTest::newRow("directory") << QStringLiteral("dir") << false;
        QTest::newRow("named pipe, nobody writing") << QStringLiteral("fifo") << false;
        QTest::newRow("10 MB of one word") << QStringLiteral("huge") << false;
        QTest::newRow("1 MB of blanks before the fields") << QStringLiteral("blanks") << false;
        QTest::newRow("10 MB of junk after a good list") << QStringLiteral("tail") << true;
    }
    void strangeThingsInPlaceOfTheFile() {
        QFETCH(QString, kind);
        QFETCH(bool, readable);
        const QByteArray p = QFile::encodeName(path());
        if (kind == "dir")
            QVERIFY(QDir().mkdir(path()));
        else if (kind == "fifo")
            QVERIFY(::mkfifo(p.constData(), 0644) == 0);
        else if (kind == "huge")
            writeAll(path(), QByteArray(10 << 20, 'x'));
        else if (kind == "blanks")
            writeAll(path(), QByteArray(1 << 20, ' ') + FirstStartFile);
        else
            writeAll(path(), FirstStartFile + QByteArray(10 << 20, 'x'));
        BestList list;
        QString name;
        QCOMPARE(loadBestList(path(), list, name), readable);
        QCOMPARE(list, defaults());
        // Saving over anything but a plain file leaves it as it is.
        if (kind == "dir" || kind == "fifo") {
            QVERIFY(!saveBestList(path(), variedList(), name));
            struct stat st {};
            QVERIFY(::lstat(p.constData(), &st) == 0);
            QVERIFY(kind == "dir" ? S_ISDIR(st.st_mode) : S_ISFIFO(st.st_mode));
        }
    }

    void linesAfterTheLastFieldAreDroppedAtTheNextSave() {
        writeAll(path(), FirstStartFile + "Nachtrag\r\n  5\r\n");
        BestList list;
        QString name;
        QVERIFY(loadBestList(path(), list, name));
        QVERIFY(saveBestList(path(), list, name));
        QCOMPARE(readAll(path()), FirstStartFile);
    }

    void clearedColumnIsSavedAsNobody() {
        BestList list = defaults();
        list.clearColumn(3);
        QVERIFY(saveBestList(path(), list, QStringLiteral("Name...")));
        const QByteArray nobody = QByteArray("Nobody\r\n  0\r\n").repeated(10);
        QCOMPARE(readAll(path()),
                 "Name...\r\n" + DefaultColumn.repeated(2) + nobody + DefaultColumn);
    }

    void namesTheReaderCouldNotTakeBackAreNotWritten() {
        // One such name would make the whole file unreadable at the next start.
        BestList list = defaults();
        list.at(2, 4).setName("Anna Maria");
        list.at(2, 5).setName("");
        QVERIFY(saveBestList(path(), list, QStringLiteral("mit Blank")));
        BestList back;
        QString name;
        QVERIFY(loadBestList(path(), back, name));
        QCOMPARE(name, QStringLiteral("Name..."));
        QCOMPARE(QByteArray(back.at(2, 4).name), QByteArray("Nobody"));
        QCOMPARE(QByteArray(back.at(2, 5).name), QByteArray("Nobody"));
        QCOMPARE(back.at(2, 4).points, defaults().at(2, 4).points);
    }

    void interruptedSaveLeavesOldOrNewList_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("process killed") << int(WriteInterruption::Crash);
        QTest::newRow("disk full") << int(WriteInterruption::DiskFull);
    }
    void interruptedSaveLeavesOldOrNewList() {
        QFETCH(int, kind);
        writeAll(path(), FirstStartFile);
        setMode(path(), 0640);
        const BestList next = variedList();
        const std::string newBytes = bestlistformat::format(next, "NEU");
        // A crash may also come after the last byte, before the file is put in place.
        const std::size_t cuts = newBytes.size() + (kind == WriteInterruption::Crash ? 1 : 0);
        for (std::size_t cut = 0; cut < cuts; ++cut) {
            QVERIFY(!saveBestList(path(), next, QStringLiteral("NEU"),
                                  {WriteInterruption::Kind(kind), cut}));
            QCOMPARE(readAll(path()), FirstStartFile);
        }
        QCOMPARE(modeOf(path()), mode_t(0640));
        if (kind == WriteInterruption::DiskFull) // a failed save cleans up after itself
            QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
        QVERIFY(saveBestList(path(), next, QStringLiteral("NEU")));
        QCOMPARE(readAll(path()), QByteArray::fromStdString(newBytes));
        QCOMPARE(modeOf(path()), mode_t(0640)); // the old file's permission bits
    }

    // A list with a second name is rewritten where it is. Cut short after
    // any byte, the next reading gets the old list or the new one, and the
    // file then holds exactly that list's bytes, under both names.
    void interruptedRewriteInPlaceReadsOldOrNew_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("newIsLonger");
        for (bool longer : {true, false}) {
            const QByteArray size = longer ? ", new list longer" : ", new list shorter";
            QTest::newRow("process killed" + size) << int(WriteInterruption::Crash) << longer;
            QTest::newRow("disk full" + size) << int(WriteInterruption::DiskFull) << longer;
        }
    }
    void interruptedRewriteInPlaceReadsOldOrNew() {
        QFETCH(int, kind);
        QFETCH(bool, newIsLonger);
        // Old and new lists differ in every column. The old one in forms the
        // program does not write: LF line ends, or lines after the last field.
        const QByteArray varied =
            QByteArray::fromStdString(bestlistformat::format(variedList(), "LANG"));
        const QByteArray oldBytes =
            newIsLonger ? varied.split('\r').join()
                        : FirstStartFile + QByteArray("Nachtrag\r\n  5\r\n").repeated(40);
        const QByteArray newBytes = newIsLonger ? FirstStartFile : varied;
        QCOMPARE(newBytes.size() > oldBytes.size(), newIsLonger);
        BestList oldList, newList;
        QString oldName, newName;
        writeAll(path(), oldBytes);
        QVERIFY(loadBestList(path(), oldList, oldName));
        writeAll(path(), newBytes);
        QVERIFY(loadBestList(path(), newList, newName));
        QVERIFY(!(oldList == newList));

        writeAll(path(), oldBytes);
        QVERIFY(::link(QFile::encodeName(path()).constData(),
                       QFile::encodeName(path("klasse.qvb")).constData()) == 0);
        // Both writes of the rewrite, the copy behind and the start, and a crash after the last
        // byte.
        const std::size_t total = std::size_t(newBytes.size()) * 2 + 64 + 1;
        int old = 0, fresh = 0;
        for (std::size_t cut = 0; cut <= total; ++cut) {
            writeAll(path(), oldBytes); // in place: the second name stays
            const bool saved =
                saveBestList(path(), newList, newName, {WriteInterruption::Kind(kind), cut});
            BestList list;
            QString name;
            QVERIFY2(loadBestList(path(), list, name), qPrintable(QString::number(cut)));
            const QByteArray now = readAll(path());
            QCOMPARE(readAll(path("klasse.qvb")), now);
            if (list == oldList && name == oldName) {
                QVERIFY2(now == oldBytes, qPrintable(QString::number(cut)));
                QVERIFY(!saved);
                ++old;
            } else {
                QVERIFY2(list == newList && name == newName, qPrintable(QString::number(cut)));
                QVERIFY2(now == newBytes, qPrintable(QString::number(cut)));
                ++fresh;
            }
        }
        // Cut short before the copy stood: the old list; after: the new one.
        QVERIFY(old > newBytes.size() && fresh > newBytes.size() / 2);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }

    void rewriteCopyIsFoundOnlyWhole_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("oldSize");
        const QByteArray copy = QByteArray::fromStdString(rewritecopy::make("NEU", 5));
        QTest::newRow("a list without one") << FirstStartFile << int(rewritecopy::Found::None) << 0;
        QTest::newRow("zero byte at the end of a list")
            << FirstStartFile + '\0' << int(rewritecopy::Found::Unfinished)
            << int(FirstStartFile.size());
        QTest::newRow("whole") << "ALTES" + copy << int(rewritecopy::Found::Complete) << 5;
        QTest::newRow("last byte missing")
            << "ALTES" + copy.chopped(1) << int(rewritecopy::Found::Unfinished) << 5;
        QByteArray torn = "ALTES" + copy;
        torn[torn.size() - 10] = 'X'; // a byte of the contents
        QTest::newRow("contents torn") << torn << int(rewritecopy::Found::Unfinished) << 5;
        QTest::newRow("mark cut, after a gap") << "ALTES" + QByteArray(3, '\0') + copy.left(7)
                                               << int(rewritecopy::Found::Unfinished) << 5;
    }
    void rewriteCopyIsFoundOnlyWhole() {
        QFETCH(QByteArray, file);
        QFETCH(int, kind);
        QFETCH(int, oldSize);
        const rewritecopy::Found found =
            rewritecopy::find(std::string_view(file.constData(), file.size()));
        QCOMPARE(int(found.kind), kind);
        if (kind == rewritecopy::Found::Complete)
            QCOMPARE(std::string(found.contents), std::string("NEU"));
        if (kind != rewritecopy::Found::None)
            QCOMPARE(int(found.oldSize), oldSize);
    }

    void newFileFollowsTheUmask_data() {
        QTest::addColumn<int>("mask");
        QTest::newRow("022") << 022;
        QTest::newRow("077") << 077;
    }
    void newFileFollowsTheUmask() {
        QFETCH(int, mask);
        const mode_t before = ::umask(mode_t(mask));
        const bool saved = saveBestList(path(), defaults(), QStringLiteral("Name..."));
        ::umask(before);
        QVERIFY(saved);
        QCOMPARE(modeOf(path()), mode_t(0666 & ~mask));
    }

    void symbolicLinkStaysALink() {
        QVERIFY(QDir().mkdir(path("elsewhere")));
        const QString target = path("elsewhere/list.qvb");
        writeAll(target, FirstStartFile);
        setMode(target, 0600);
        QVERIFY(QFile::link(QStringLiteral("elsewhere/list.qvb"), path()));
        QVERIFY(saveBestList(path(), variedList(), QStringLiteral("NEU")));
        QVERIFY(QFileInfo(path()).isSymLink());
        QCOMPARE(modeOf(target), mode_t(0600));
        BestList back;
        QString name;
        QVERIFY(loadBestList(target, back, name));
        QCOMPARE(back, variedList());
        // The temporary file was made beside the target, not beside the link.
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 1);
    }

    void savingWherePermissionsForbidIt_data() {
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<int>("fileMode");
        QTest::addColumn<int>("dirMode");
        QTest::addColumn<int>("outcome");
        QTest::newRow("directory closed, no file")
            << false << 0 << 0555 << int(WriteOutcome::Failed);
        QTest::newRow("directory closed, file read-only")
            << true << 0444 << 0555 << int(WriteOutcome::LeftAlone);
        QTest::newRow("directory open, file read-only")
            << true << 0444 << 0755 << int(WriteOutcome::LeftAlone);
        QTest::newRow("directory closed, file writable")
            << true << 0644 << 0555 << int(WriteOutcome::WrittenInPlace);
        QTest::newRow("both open") << true << 0644 << 0755 << int(WriteOutcome::Replaced);
    }
    void savingWherePermissionsForbidIt() {
        QFETCH(bool, fileExists);
        QFETCH(int, fileMode);
        QFETCH(int, dirMode);
        QFETCH(int, outcome);
        const QString dir = path("closed");
        const QString file = dir + "/dataGehoer.qvb";
        QVERIFY(QDir().mkdir(dir));
        giveToWorker(dir);
        if (fileExists) {
            writeAll(file, FirstStartFile);
            giveToWorker(file);
            setMode(file, mode_t(fileMode));
        }
        setMode(dir, mode_t(dirMode));
        const std::string bytes = bestlistformat::format(variedList(), "NEU");
        const std::string target = QFile::encodeName(file).toStdString();
        const int result = runUnprivileged([&] { return int(replaceFileContents(target, bytes)); });
        setMode(dir, 0755);
        if (result < 0)
            QSKIP("cannot drop privileges here");
        QCOMPARE(result, outcome);
        const bool written =
            outcome == int(WriteOutcome::Replaced) || outcome == int(WriteOutcome::WrittenInPlace);
        if (fileExists) {
            QCOMPARE(readAll(file), written ? QByteArray::fromStdString(bytes) : FirstStartFile);
            QCOMPARE(modeOf(file), mode_t(fileMode));
        } else {
            QVERIFY(!QFile::exists(file));
        }
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), fileExists ? 1 : 0);
    }

    void secondNameOfTheFileSeesTheNewList() {
        writeAll(path(), FirstStartFile);
        QVERIFY(::link(QFile::encodeName(path()).constData(),
                       QFile::encodeName(path("klasse.qvb")).constData()) == 0);
        QVERIFY(saveBestList(path(), variedList(), QStringLiteral("NEU")));
        QCOMPARE(statOf(path()).st_ino, statOf(path("klasse.qvb")).st_ino);
        QCOMPARE(readAll(path("klasse.qvb")),
                 QByteArray::fromStdString(bestlistformat::format(variedList(), "NEU")));
    }

    void sharedListStaysTheClasss_data() {
        QTest::addColumn<bool>("setGroupIdFolder");
        QTest::addColumn<int>("fileMode"); // the file belongs to ANNA and the class
        QTest::addColumn<bool>("annaFirst");
        QTest::addColumn<int>("firstOutcome");
        QTest::addColumn<int>("secondOutcome");
        const int replaced = int(WriteOutcome::Replaced);
        const int inPlace = int(WriteOutcome::WrittenInPlace);
        const int leftAlone = int(WriteOutcome::LeftAlone);
        for (bool setGid : {false, true}) {
            const QByteArray folder = setGid ? "set-group-id folder" : "plain folder";
            QTest::newRow(folder + ", BEN saves ANNA's file, then ANNA")
                << setGid << 0664 << false << inPlace << replaced;
            QTest::newRow(folder + ", ANNA saves her file, then BEN")
                << setGid << 0664 << true << replaced << inPlace;
            QTest::newRow(folder + ", ANNA's file not open to the class")
                << setGid << 0644 << false << leftAlone << replaced;
        }
    }
    void sharedListStaysTheClasss() {
        QFETCH(bool, setGroupIdFolder);
        QFETCH(int, fileMode);
        QFETCH(bool, annaFirst);
        QFETCH(int, firstOutcome);
        QFETCH(int, secondOutcome);
        if (::geteuid() != 0)
            QSKIP("two pupils of one class need root to be played");
        const QString dir = path("klasse");
        const QString file = dir + "/dataGehoer.qvb";
        QVERIFY(QDir().mkdir(dir));
        QVERIFY(::chown(QFile::encodeName(dir).constData(), 0, ClassGroup) == 0);
        setMode(dir, setGroupIdFolder ? 02775 : 0775);
        writeAll(file, FirstStartFile);
        QVERIFY(::chown(QFile::encodeName(file).constData(), PupilA.uid, ClassGroup) == 0);
        setMode(file, mode_t(fileMode));

        const Pupil first = annaFirst ? PupilA : PupilB;
        const Pupil second = annaFirst ? PupilB : PupilA;
        QStringList entered; // the top of column 1: of equal points, the earlier stands higher
        for (const auto& [pupil, outcome] : {std::pair{first, firstOutcome}, {second, secondOutcome}}) {
            const ino_t inode = statOf(file).st_ino;
            QCOMPARE(saveAsPupil(pupil, file), outcome);
            const struct stat st = statOf(file);
            QCOMPARE(st.st_uid, PupilA.uid);
            QCOMPARE(st.st_gid, ClassGroup);
            QCOMPARE(st.st_mode & 07777, mode_t(fileMode));
            QCOMPARE(st.st_ino == inode, outcome != int(WriteOutcome::Replaced));
            if (outcome != int(WriteOutcome::LeftAlone))
                entered.append(QString::fromLatin1(pupil.name));
            BestList list;
            QString name;
            QVERIFY(loadBestList(file, list, name));
            QStringList top;
            for (int i = 0; i < entered.size(); ++i)
                top << QString::fromLatin1(list.at(1, i).name);
            QCOMPARE(top, entered);
            QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 1);
        }
    }

    void fuzzFindingsAndSeedsReadSafely() {
        // Every input the fuzzer kept, read the way the fuzz target reads it.
        for (const char* folder : {"regressions", "seeds"}) {
            const QDir dir(QStringLiteral(QVB_FUZZ_DIR "/") + folder);
            for (const QFileInfo& info : dir.entryInfoList(QDir::Files)) {
                const QByteArray data = readAll(info.filePath());
                if (data.isEmpty())
                    continue;
                const std::size_t limit = uchar(data[0]) == 0xFF ? data.size() : uchar(data[0]);
                std::string_view bytes(data.constData() + 1, data.size() - 1);
                bytes = bytes.substr(0, limit + 1);
                BestList list;
                std::string name;
                if (!bestlistformat::parseFileStart(bytes, limit, list, name))
                    continue;
                BestList again;
                std::string nameAgain;
                QVERIFY2(
                    bestlistformat::parse(bestlistformat::format(list, name), again, nameAgain),
                    qPrintable(info.fileName()));
                QVERIFY2(again == list && nameAgain == name, qPrintable(info.fileName()));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestBestListFile)
#include "tst_bestlistfile.moc"
