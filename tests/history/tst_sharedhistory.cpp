// SPDX-License-Identifier: GPL-3.0-or-later
// The history in a class's shared folder, played by two pupils of one class
// (unprivileged ids under setpriv, each with a group of their own and the
// class's): every pupil's rounds are kept, and the files stay the class's.
// A pupil who may not write another's history plays on, the round in memory.
#include <QtTest>

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include "historyfixtures.h"
#include "roundhistory.h"
#include "sqlitehistory.h"

namespace {
constexpr gid_t ClassGroup = 64100;
constexpr uid_t Anna = 64101, Ben = 64102;
constexpr const char* PupilVariable = "QVB_HISTORY_PUPIL";

struct stat statOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

// A pupil's run of the program, as far as the history goes: one round kept.
// With `hold` the history stays open until the test says so (a line on its
// standard input), as while the pupil plays on.
class PupilRun {
public:
    PupilRun(uid_t uid, const QString& name, const QString& path, bool hold) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(PupilVariable),
                   path + QLatin1Char('|') + name + (hold ? QStringLiteral("|hold") : QString()));
        env.insert(QStringLiteral("HOME"), QFileInfo(path).path());
        m_process.setProcessEnvironment(env);
        m_process.start(QStringLiteral("setpriv"),
                        {QStringLiteral("--reuid=%1").arg(uid),
                         QStringLiteral("--regid=%1").arg(uid),
                         QStringLiteral("--groups=%1").arg(ClassGroup), QStringLiteral("--"),
                         QCoreApplication::applicationFilePath()});
    }
    ~PupilRun() { finish(); }
    // The rounds the pupil's mistake map counts now; -1 if it never said.
    int rounds() {
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        const QByteArray line = m_process.readLine().trimmed();
        return line.startsWith("rounds ") ? line.mid(7).toInt() : -1;
    }
    // One more round, while held; the rounds counted then.
    int playAgain() {
        m_process.write("round\n");
        return rounds();
    }
    int finish() {
        if (m_process.state() == QProcess::NotRunning)
            return m_process.exitCode();
        m_process.write("end\n");
        m_process.closeWriteChannel();
        m_process.waitForFinished(10000);
        m_errors = m_process.readAllStandardError();
        return m_process.exitCode();
    }
    QByteArray errors() const { return m_errors; }

private:
    QProcess m_process;
    QByteArray m_errors;
};

// Who played the rounds the file holds, in order. Read from a copy: a look
// as root would leave journals of root's making beside the pupils' file.
QString playersInFile(const QString& path) {
    QTemporaryDir copies;
    const QString copy = copies.filePath(QStringLiteral("look.sqlite"));
    for (const char* suffix : {"", "-wal"})
        QFile::copy(path + QLatin1String(suffix), copy + QLatin1String(suffix));
    const QString name = QStringLiteral("peek");
    QStringList players;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(copy);
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("SELECT player FROM rounds ORDER BY id"));
            while (q.next())
                players << q.value(0).toString();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return players.join(QLatin1Char(' '));
}

int runPupil(const QByteArray& orders) {
    const QList<QByteArray> fields = orders.split('|');
    if (fields.size() < 2)
        return 2;
    ::umask(022); // a pupil's usual umask: new files open to nobody else
    const QString path = QString::fromLocal8Bit(fields[0]);
    const QString name = QString::fromLocal8Bit(fields[1]);
    RoundHistory history([name] { return name; }, [] { return 0; },
                         [path] { return std::make_unique<SqliteHistory>(path); });
    // One round, and one more for each "round" the test says while held.
    char line[16] = "round\n";
    do {
        history.keepRound(makeRound(name.toStdString(), {{65, {67, 65}, 900}}));
        std::printf("rounds %u\n", history.stats(name, HistoryStore::AllDays).rounds);
        std::fflush(stdout);
    } while (fields.size() > 2 && std::fgets(line, sizeof line, stdin) &&
             qstrcmp(line, "round\n") == 0);
    return 0;
}
// The class's shared folder "klasse" in `dir`; openToTheClass makes it, owned
// by root and the class's group, with `mode` (false when it cannot).
QString classFolder(const QTemporaryDir& dir) {
    return dir.filePath(QStringLiteral("klasse"));
}
bool openToTheClass(const QTemporaryDir& dir, mode_t mode) {
    const QByteArray folder = QFile::encodeName(classFolder(dir));
    return QDir().mkdir(classFolder(dir)) &&
           ::chmod(QFile::encodeName(dir.path()).constData(), 0755) == 0 &&
           ::chown(folder.constData(), 0, ClassGroup) == 0 && ::chmod(folder.constData(), mode) == 0;
}

} // namespace

class TestSharedHistory : public QObject {
    Q_OBJECT
private slots:
    void bothPupilsRoundsAreKept_data() {
        QTest::addColumn<bool>("setGroupIdFolder");
        QTest::newRow("plain folder of the class") << false;
        QTest::newRow("set-group-id folder of the class") << true;
    }
    void bothPupilsRoundsAreKept() {
        QFETCH(bool, setGroupIdFolder);
        if (::geteuid() != 0)
            QSKIP("two pupils of one class need root to be played");
        QTemporaryDir dir;
        const QString path = classFolder(dir) + QStringLiteral("/dataGehoer.sqlite");
        QVERIFY(openToTheClass(dir, setGroupIdFolder ? 02775 : 0775));

        // ANNA plays first and is still playing while BEN plays.
        PupilRun anna(Anna, QStringLiteral("ANNA"), path, true);
        QCOMPARE(anna.rounds(), 1);
        for (const char* suffix : {"", "-wal", "-shm"}) {
            const QString file = path + QLatin1String(suffix);
            QVERIFY2(QFile::exists(file), suffix);
            const struct stat st = statOf(file);
            QCOMPARE(st.st_uid, Anna);
            QCOMPARE(st.st_gid, ClassGroup);
            QCOMPARE(st.st_mode & 0070, mode_t(0060));
        }
        {
            PupilRun ben(Ben, QStringLiteral("BEN"), path, false);
            QCOMPARE(ben.rounds(), 1);
            QCOMPARE(ben.finish(), 0);
        }
        QCOMPARE(anna.finish(), 0);
        // The journals went with the last one to close; BEN makes them anew.
        PupilRun benAgain(Ben, QStringLiteral("BEN"), path, true);
        QCOMPARE(benAgain.rounds(), 2);
        for (const char* suffix : {"-wal", "-shm"}) {
            const struct stat st = statOf(path + QLatin1String(suffix));
            QCOMPARE(st.st_gid, ClassGroup);
            QCOMPARE(st.st_mode & 0070, mode_t(0060));
        }
        {
            PupilRun annaAgain(Anna, QStringLiteral("ANNA"), path, false);
            QCOMPARE(annaAgain.rounds(), 2);
        }
        QCOMPARE(benAgain.finish(), 0);
        QCOMPARE(playersInFile(path), QStringLiteral("ANNA BEN BEN ANNA"));
        QCOMPARE(statOf(path).st_uid, Anna);
        QCOMPARE(statOf(path).st_gid, ClassGroup);
    }

    // ANNA's history from before, not open to the class: BEN's round is not
    // in her file, and nothing is said; his mistake map still counts it.
    // Once the file is open to the class, the round reaches it.
    void historyOfAnotherKeepsTheRoundInMemory() {
        if (::geteuid() != 0)
            QSKIP("two pupils of one class need root to be played");
        QTemporaryDir dir;
        const QString path = classFolder(dir) + QStringLiteral("/dataGehoer.sqlite");
        QVERIFY(openToTheClass(dir, 02775));
        {
            SqliteHistory store(path);
            QVERIFY(store.keepRound(makeRound("ANNA", {{60, {60}, 500}}), 1, 2460000));
        }
        QVERIFY(::chown(QFile::encodeName(path).constData(), Anna, Anna) == 0);
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0644) == 0);
        PupilRun ben(Ben, QStringLiteral("BEN"), path, true);
        QCOMPARE(ben.rounds(), 1);
        QCOMPARE(playersInFile(path), QStringLiteral("ANNA"));
        QCOMPARE(statOf(path).st_mode & 07777, mode_t(0644));
        // The teacher opens it to the class: the next round takes the one
        // in memory along, in the order they were played, and counts it once.
        QVERIFY(::chown(QFile::encodeName(path).constData(), Anna, ClassGroup) == 0);
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0664) == 0);
        QCOMPARE(ben.playAgain(), 2);
        QCOMPARE(ben.finish(), 0);
        QCOMPARE(ben.errors(), QByteArray());
        QCOMPARE(playersInFile(path), QStringLiteral("ANNA BEN BEN"));
    }
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QByteArray pupil = qgetenv(PupilVariable);
    if (!pupil.isEmpty())
        return runPupil(pupil);
    TestSharedHistory test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_sharedhistory.moc"
