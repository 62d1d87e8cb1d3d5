// SPDX-License-Identifier: GPL-3.0-or-later
// The rounds' store on real SQLite files: what goes in comes out, per player
// and period; a kill while writing loses at most that round; a place that
// cannot be written and a damaged file leave the game going.
#include <QtTest>

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>

#include "historyfixtures.h"
#include "sqlitehistory.h"

namespace {
constexpr int Day = 2460000; // a Julian day number

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A look into the file past the store, on a connection of its own.
struct Peek {
    QString name;
    explicit Peek(const QString& path) : name(QStringLiteral("peek-%1").arg(quintptr(this))) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.open();
    }
    ~Peek() {
        { QSqlDatabase::database(name).close(); }
        QSqlDatabase::removeDatabase(name);
    }
    QVariant value(const QString& sql) {
        QSqlQuery q(QSqlDatabase::database(name));
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }
};

// A round that takes a while to write: 200 notes with ten answers each.
RoundRecord bigRound(int n) {
    RoundRecord r = makeRound("Kill", {});
    for (int i = 0; i < 200; ++i) {
        AskedNote a;
        a.note = uint8_t(36 + (i + n) % 49);
        a.firstAnswer = uint32_t(r.answers.size());
        for (int k = 0; k < 10; ++k)
            r.answers.push_back({uint8_t(36 + (i + k) % 49), AnswerWay::Click});
        a.answerCount = 10;
        a.msToRight = 1000;
        r.notes.push_back(a);
    }
    return r;
}

bool lockFolder(const QString& dir, bool lock) {
    return QProcess::execute(QStringLiteral("chattr"),
                             {lock ? QStringLiteral("+i") : QStringLiteral("-i"), dir}) == 0;
}
} // namespace

class TestHistoryStore : public QObject {
    Q_OBJECT
private slots:
    void roundTripPerPlayerAndPeriod();
    void answersAreKeptInDetail();
    void killWhileWritingKeepsThePreviousRounds();
    void unwritableFolderKeepsNothingQuietly_data();
    void unwritableFolderKeepsNothingQuietly();
    void damagedFileIsMovedAsideAndANewOneBegun_data();
    void damagedFileIsMovedAsideAndANewOneBegun();
    void laterSchemaIsLeftAlone();
    void firstVersionIsBroughtUpKeepingItsRounds();
    void secondVersionIsBroughtUpAndKeepsKeyboardAnswersApart();
    void damageFoundWhileBringingUpMovesTheFileAside_data();
    void damageFoundWhileBringingUpMovesTheFileAside();
};

void TestHistoryStore::roundTripPerPlayerAndPeriod() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dataGehoer.sqlite"));
    const QByteArray bestList("Anna\r\nTirn\r\n 10\r\n");
    {
        QFile f(dir.filePath(QStringLiteral("dataGehoer.qvb")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bestList);
    }
    {
        SqliteHistory store(path);
        // Anna, a week ago: F right, G taken for F twice (then right).
        QVERIFY(store.keepRound(makeRound("Anna", {{65, {65}, 800}, {65, {67, 67, 65}, 3000}}),
                                1000, Day - 7));
        // Anna, today: F never answered, E taken for F, then right.
        QVERIFY(store.keepRound(makeRound("Anna", {{65, {}}, {65, {64, -65}, 2000},
                                                   {60, {-60}, 500}}),
                                2000, Day));
        // Practice and another pupil stay out of Anna's map.
        QVERIFY(store.keepRound(makeRound("Anna", {{65, {64}}}, true), 3000, Day));
        QVERIFY(store.keepRound(makeRound("Ben", {{65, {67}}}), 3000, Day));
    }
    SqliteHistory again(path); // a new run of the program
    struct Case { int32_t firstDay; uint32_t rounds, asked, firstRight, right, msSum; };
    for (const Case c : {Case{HistoryStore::AllDays, 2, 4, 1, 3, 5800}, Case{Day, 1, 2, 0, 1, 2000},
                         Case{Day - 6, 1, 2, 0, 1, 2000}, Case{Day + 1, 0, 0, 0, 0, 0}}) {
        const MistakeStats s = again.stats("Anna", c.firstDay);
        QCOMPARE(s.rounds, c.rounds);
        QCOMPARE(s.notes[65].asked, c.asked);
        QCOMPARE(s.notes[65].firstRight, c.firstRight);
        QCOMPARE(s.notes[65].right, c.right);
        QCOMPARE(s.notes[65].msSum, uint64_t(c.msSum));
    }
    const MistakeStats all = again.stats("Anna", HistoryStore::AllDays);
    QCOMPARE(all.notes[60].asked, 1u);
    QCOMPARE(all.notes[60].firstRight, 1u);
    QCOMPARE(all.confusions.size(), size_t(2));
    QCOMPARE(int(all.confusions[0].asked), 65); // G for F, twice, comes first
    QCOMPARE(int(all.confusions[0].answered), 67);
    QCOMPARE(all.confusions[0].times, 2u);
    QCOMPARE(int(all.confusions[1].answered), 64);
    QCOMPARE(all.confusions[1].times, 1u);
    const MistakeStats ben = again.stats("Ben", HistoryStore::AllDays);
    QCOMPARE(ben.rounds, 1u);
    QCOMPARE(ben.notes[65].asked, 1u);
    QCOMPARE(ben.notes[65].firstRight, 0u);
    QCOMPARE(readAll(dir.filePath(QStringLiteral("dataGehoer.qvb"))), bestList);
}

void TestHistoryStore::answersAreKeptInDetail() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dataGehoer.sqlite"));
    {
        SqliteHistory store(path);
        RoundRecord r = makeRound("Jördis", {{62, {64, -62}, 1500}, {70, {}}});
        r.instrument = 40;
        r.ending = RoundRecord::Ending::Cancelled;
        QVERIFY(store.keepRound(r, 1234567, Day));
    }
    Peek peek(path);
    QCOMPARE(peek.value(QStringLiteral("PRAGMA user_version")).toInt(), SqliteHistory::SchemaVersion);
    QCOMPARE(peek.value(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
    QCOMPARE(peek.value(QStringLiteral(
                 "SELECT player || ',' || played_at || ',' || start_note || ',' || octaves || ','"
                 " || accidentals || ',' || instrument || ',' || practice || ',' || cancelled"
                 " FROM rounds")).toString(),
             QStringLiteral("Jördis,1234567,36,4,1,40,0,1"));
    QCOMPARE(peek.value(QStringLiteral("SELECT group_concat(note || ':' || first_right || ':' ||"
                                       " ifnull(ms_to_right, 'nie'), ' ') FROM (SELECT * FROM asked"
                                       " ORDER BY seq)")).toString(),
             QStringLiteral("62:0:1500 70:0:nie"));
    QCOMPARE(peek.value(QStringLiteral("SELECT group_concat(seq || '.' || nr || ':' || note || ':' ||"
                                       " by_midi, ' ') FROM (SELECT * FROM answers ORDER BY seq, nr)"))
                 .toString(),
             QStringLiteral("0.0:64:0 0.1:62:1"));
}

void TestHistoryStore::killWhileWritingKeepsThePreviousRounds() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dataGehoer.sqlite"));
    int kept = 0; // rounds in the file before this attempt
    for (int attempt = 0; attempt < 3; ++attempt) {
        QProcess writer;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QVB_HISTORY_WRITER"), path);
        writer.setProcessEnvironment(env);
        writer.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(writer.waitForStarted());
        // Each line is a round committed; kill in the middle of later ones.
        int committed = 0;
        while (committed < 3 && writer.waitForReadyRead(10000))
            committed += writer.readAllStandardOutput().count('\n');
        QVERIFY(committed >= 3);
        QTest::qWait(5 + 7 * attempt);
        ::kill(pid_t(writer.processId()), SIGKILL);
        QVERIFY(writer.waitForFinished(10000));
        committed += writer.readAllStandardOutput().count('\n');

        Peek peek(path);
        QCOMPARE(peek.value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        const int before = peek.value(QStringLiteral("SELECT count(*) FROM rounds")).toInt();
        // Every round it reported is there; one more may have committed unreported.
        QVERIFY2(before >= kept + committed && before <= kept + committed + 1,
                 qPrintable(QStringLiteral("%1 rounds, %2 before, %3 reported")
                                .arg(before).arg(kept).arg(committed)));
        QCOMPARE(peek.value(QStringLiteral("SELECT count(*) FROM asked")).toInt(), 200 * before);
        SqliteHistory store(path);
        QCOMPARE(int(store.stats("Kill", HistoryStore::AllDays).rounds), before);
        QVERIFY(store.keepRound(bigRound(0), 1, Day)); // and it goes on
        kept = before + 1;
    }
}

void TestHistoryStore::unwritableFolderKeepsNothingQuietly_data() {
    QTest::addColumn<bool>("fileBefore");
    QTest::newRow("no file yet") << false;
    QTest::newRow("file from an earlier run") << true;
}

void TestHistoryStore::unwritableFolderKeepsNothingQuietly() {
    QFETCH(bool, fileBefore);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dataGehoer.sqlite"));
    if (fileBefore) {
        SqliteHistory store(path);
        QVERIFY(store.keepRound(makeRound("Anna", {{65, {65}, 900}}), 1, Day));
    }
    const QStringList before = QDir(dir.path()).entryList(QDir::Files);
    const QByteArray bytes = readAll(path);
    if (!lockFolder(dir.path(), true))
        QSKIP("this file system cannot make a folder immutable (chattr +i)");
    auto unlock = qScopeGuard([&] { lockFolder(dir.path(), false); });
    if (QFile f(dir.filePath(QStringLiteral("probe"))); f.open(QIODevice::WriteOnly))
        QFAIL("the locked folder can still be written");
    {
        SqliteHistory store(path);
        QVERIFY(!store.keepRound(makeRound("Anna", {{60, {60}, 700}}), 2, Day));
        QVERIFY(store.stats("Anna", HistoryStore::AllDays).notes[60].asked == 0);
        QVERIFY(store.movedAsideTo().isEmpty());
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), before);
    QCOMPARE(readAll(path), bytes);
}

void TestHistoryStore::damagedFileIsMovedAsideAndANewOneBegun_data() {
    QTest::addColumn<QString>("damage");
    QTest::newRow("not a database") << "garbage";
    QTest::newRow("another program's database") << "foreign";
    QTest::newRow("cut short") << "truncated";
}

void TestHistoryStore::damagedFileIsMovedAsideAndANewOneBegun() {
    QFETCH(QString, damage);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dataGehoer.sqlite"));
    if (damage == QLatin1String("garbage")) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, '\x5a'));
    } else if (damage == QLatin1String("foreign")) {
        Peek peek(path);
        peek.value(QStringLiteral("CREATE TABLE recipes (name TEXT)"));
    } else {
        {
            SqliteHistory store(path);
            for (int i = 0; i < 20; ++i)
                QVERIFY(store.keepRound(bigRound(i), i, Day));
        }
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.size() > 40000);
        f.resize(f.size() / 2);
    }
    const QByteArray damaged = readAll(path);
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime(QDate(2026, 3, 9), QTime(12, 0)),
                              QFileDevice::FileModificationTime));
    }

    SqliteHistory store(path);
    QVERIFY(store.keepRound(makeRound("Anna", {{65, {67, 65}, 900}}), 5, Day));
    QCOMPARE(store.movedAsideTo(), dir.filePath(QStringLiteral("dataGehoer-defekt-2026-03-09.sqlite")));
    QCOMPARE(readAll(store.movedAsideTo()), damaged);
    const MistakeStats s = store.stats("Anna", HistoryStore::AllDays);
    QCOMPARE(s.rounds, 1u);
    QCOMPARE(s.notes[65].asked, 1u);
    QVERIFY(store.stats("Kill", HistoryStore::AllDays).empty());
}

void TestHistoryStore::laterSchemaIsLeftAlone() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dataGehoer.sqlite"));
    {
        Peek peek(path);
        peek.value(QStringLiteral("PRAGMA user_version=%1").arg(SqliteHistory::SchemaVersion + 1));
    }
    const QByteArray bytes = readAll(path);
    SqliteHistory store(path);
    QVERIFY(!store.keepRound(makeRound("Anna", {{65, {65}, 900}}), 5, Day));
    QVERIFY(store.movedAsideTo().isEmpty());
    QCOMPARE(readAll(path), bytes);
}

// A file of the first version (the day sums without their second order) is
// brought up to date when opened; its rounds stay and new ones join them.
void TestHistoryStore::firstVersionIsBroughtUpKeepingItsRounds() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dataGehoer.sqlite"));
    const QString indexes = QStringLiteral(
        "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name IN"
        " ('note_days_by_note', 'confusion_days_by_pair')");
    {
        SqliteHistory store(path);
        QVERIFY(store.keepRound(makeRound("Anna", {{65, {67, 65}, 900}}), 5, Day));
    }
    {
        Peek peek(path);
        peek.value(QStringLiteral("DROP INDEX note_days_by_note"));
        peek.value(QStringLiteral("DROP INDEX confusion_days_by_pair"));
        for (const char* later : {"by_keyboard", "by_microphone", "cents_off"})
            peek.value(QStringLiteral("ALTER TABLE answers DROP COLUMN %1").arg(QLatin1String(later)));
        peek.value(QStringLiteral("PRAGMA user_version=1"));
        QCOMPARE(peek.value(indexes).toInt(), 0);
    }
    SqliteHistory store(path);
    QVERIFY(store.keepRound(makeRound("Anna", {{65, {67, 65}, 700}, {60, {60}, 500}}), 6, Day + 1));
    const MistakeStats s = store.stats("Anna", HistoryStore::AllDays);
    QCOMPARE(s.rounds, 2u);
    QCOMPARE(s.notes[65].asked, 2u);
    QCOMPARE(s.notes[65].msSum, 1600u);
    QCOMPARE(s.notes[60].firstRight, 1u);
    QCOMPARE(s.confusions.size(), 1u);
    QCOMPARE(s.confusions[0].times, 2u);
    Peek peek(path);
    QCOMPARE(peek.value(QStringLiteral("PRAGMA user_version")).toInt(), SqliteHistory::SchemaVersion);
    QCOMPARE(peek.value(indexes).toInt(), 2);
}

// A file of the second version knows clicks and MIDI only: opened, it learns
// the keyboard's answers; its own answers stay what they were.
void TestHistoryStore::secondVersionIsBroughtUpAndKeepsKeyboardAnswersApart() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dataGehoer.sqlite"));
    {
        SqliteHistory store(path);
        QVERIFY(store.keepRound(makeRound("Anna", {{65, {67, -65}, 900}}), 5, Day));
    }
    {
        Peek peek(path);
        for (const char* later : {"by_keyboard", "by_microphone", "cents_off"})
            peek.value(QStringLiteral("ALTER TABLE answers DROP COLUMN %1").arg(QLatin1String(later)));
        peek.value(QStringLiteral("PRAGMA user_version=2"));
    }
    SqliteHistory store(path);
    RoundRecord keyed = makeRound("Anna", {{60, {62, 60}, 800}});
    for (RecordedAnswer& a : keyed.answers)
        a.way = AnswerWay::Keyboard;
    keyed.answers.front().way = AnswerWay::Click;
    QVERIFY(store.keepRound(keyed, 6, Day));
    RoundRecord sung = makeRound("Anna", {{64, {64}, 700}});
    sung.answers.front().way = AnswerWay::Microphone;
    sung.answers.front().cents = -23;
    QVERIFY(store.keepRound(sung, 7, Day));
    QCOMPARE(store.stats("Anna", HistoryStore::AllDays).rounds, 3u);
    Peek peek(path);
    QCOMPARE(peek.value(QStringLiteral("PRAGMA user_version")).toInt(), SqliteHistory::SchemaVersion);
    QCOMPARE(
        peek.value(QStringLiteral("SELECT group_concat(round || ':' || note || ':' || by_midi ||"
                                  " by_keyboard || by_microphone || ':' || ifnull(cents_off, '-'),"
                                  " ' ') FROM (SELECT * FROM answers ORDER BY round, seq, nr)"))
            .toString(),
        QStringLiteral("1:67:000:- 1:65:100:- 2:62:000:- 2:60:010:- 3:64:001:-23"));
}

void TestHistoryStore::damageFoundWhileBringingUpMovesTheFileAside_data() {
    QTest::addColumn<QString>("table");
    QTest::newRow("note sums damaged") << QStringLiteral("note_days");
    QTest::newRow("mix-up sums damaged") << QStringLiteral("confusion_days");
}

// A first-version file whose day sums are damaged opens and reads its first
// page well; the damage shows only when the new order of the sums is built.
void TestHistoryStore::damageFoundWhileBringingUpMovesTheFileAside() {
    QFETCH(QString, table);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dataGehoer.sqlite"));
    {
        SqliteHistory store(path);
        QVERIFY(store.keepRound(makeRound("Anna", {{65, {67, 65}, 900}}), 5, Day));
    }
    int rootPage = 0, pageSize = 0;
    {
        Peek peek(path);
        peek.value(QStringLiteral("DROP INDEX note_days_by_note"));
        peek.value(QStringLiteral("DROP INDEX confusion_days_by_pair"));
        for (const char* later : {"by_keyboard", "by_microphone", "cents_off"})
            peek.value(QStringLiteral("ALTER TABLE answers DROP COLUMN %1").arg(QLatin1String(later)));
        peek.value(QStringLiteral("PRAGMA user_version=1"));
        peek.value(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        rootPage = peek.value(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = '%1'")
                                  .arg(table))
                       .toInt();
        pageSize = peek.value(QStringLiteral("PRAGMA page_size")).toInt();
    }
    QVERIFY(rootPage > 1 && pageSize > 0);
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.seek(qint64(rootPage - 1) * pageSize));
        QCOMPARE(f.write(QByteArray(pageSize, '\xee')), qint64(pageSize));
        f.close();
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime(QDate(2026, 3, 9), QTime(12, 0)),
                              QFileDevice::FileModificationTime));
    }
    const QByteArray damaged = readAll(path);

    SqliteHistory store(path);
    QVERIFY(store.keepRound(makeRound("Ben", {{60, {60}, 500}}), 6, Day));
    QCOMPARE(store.movedAsideTo(),
             dir.filePath(QStringLiteral("dataGehoer-defekt-2026-03-09.sqlite")));
    QCOMPARE(readAll(store.movedAsideTo()), damaged);
    QCOMPARE(store.stats("Ben", HistoryStore::AllDays).rounds, 1u);
    Peek peek(path);
    QCOMPARE(peek.value(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    QCOMPARE(peek.value(QStringLiteral("PRAGMA user_version")).toInt(),
             SqliteHistory::SchemaVersion);
}

// Run with QVB_HISTORY_WRITER=file, the test program writes big rounds into
// that file until it is killed, one line on standard output per round kept.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QByteArray writerPath = qgetenv("QVB_HISTORY_WRITER");
    if (!writerPath.isEmpty()) {
        SqliteHistory store(QString::fromLocal8Bit(writerPath));
        for (int n = 0;; ++n) {
            if (!store.keepRound(bigRound(n), n, Day))
                return 1;
            std::printf("%d\n", n);
            std::fflush(stdout);
        }
    }
    TestHistoryStore test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_historystore.moc"
