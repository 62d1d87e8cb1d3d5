// SPDX-License-Identifier: GPL-3.0-or-later
#include "sqlitehistory.h"

#include "sharedfolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <iterator>
#include <map>
#include <utility>

namespace {
// SQLite's own result codes for a file that is not, or no longer, a database.
constexpr int SqliteCorrupt = 11;
constexpr int SqliteNotADb = 26;

// Version 1: the rounds, their notes and answers, and the day sums.
const char* const Version1[] = {
    "CREATE TABLE rounds (id INTEGER PRIMARY KEY, played_at INTEGER NOT NULL,"
    " day INTEGER NOT NULL, player TEXT NOT NULL, start_note INTEGER NOT NULL,"
    " octaves INTEGER NOT NULL, accidentals INTEGER NOT NULL, instrument INTEGER NOT NULL,"
    " practice INTEGER NOT NULL, cancelled INTEGER NOT NULL)",
    "CREATE INDEX rounds_by_player ON rounds (player, practice, day)",
    // Each note asked; ms_to_right is NULL when it was never answered right.
    "CREATE TABLE asked (round INTEGER NOT NULL REFERENCES rounds (id), seq INTEGER NOT NULL,"
    " note INTEGER NOT NULL, first_right INTEGER NOT NULL, ms_to_right INTEGER,"
    " PRIMARY KEY (round, seq)) WITHOUT ROWID",
    "CREATE TABLE answers (round INTEGER NOT NULL, seq INTEGER NOT NULL, nr INTEGER NOT NULL,"
    " note INTEGER NOT NULL, by_midi INTEGER NOT NULL, PRIMARY KEY (round, seq, nr)) WITHOUT ROWID",
    // Day sums of the two tables above, kept with each round, so that the
    // mistake map reads a few hundred rows however many rounds were played.
    "CREATE TABLE note_days (player TEXT NOT NULL, practice INTEGER NOT NULL,"
    " day INTEGER NOT NULL, note INTEGER NOT NULL, asked INTEGER NOT NULL,"
    " first_right INTEGER NOT NULL, right_count INTEGER NOT NULL, ms_sum INTEGER NOT NULL,"
    " PRIMARY KEY (player, practice, day, note)) WITHOUT ROWID",
    "CREATE TABLE confusion_days (player TEXT NOT NULL, practice INTEGER NOT NULL,"
    " day INTEGER NOT NULL, asked INTEGER NOT NULL, answered INTEGER NOT NULL,"
    " times INTEGER NOT NULL, PRIMARY KEY (player, practice, day, asked, answered)) WITHOUT ROWID",
};
// Version 2: the day sums also in the order the mistake map adds them up, so
// that "Alles" over years of rounds is summed as it is read, without sorting
// tens of thousands of rows first.
const char* const Version2[] = {
    "CREATE INDEX IF NOT EXISTS note_days_by_note ON note_days"
    " (player, practice, note, day, asked, first_right, right_count, ms_sum)",
    "CREATE INDEX IF NOT EXISTS confusion_days_by_pair ON confusion_days"
    " (player, practice, asked, answered, day, times)",
};
// Version 3: answers given from the computer keyboard, beside clicks and MIDI.
const char* const Version3[] = {
    "ALTER TABLE answers ADD COLUMN by_keyboard INTEGER NOT NULL DEFAULT 0",
};
// Version 4: answers sung or played into the microphone, with how far off the
// note they were heard (cents; NULL for keys and clicks), for intonation.
const char* const Version4[] = {
    "ALTER TABLE answers ADD COLUMN by_microphone INTEGER NOT NULL DEFAULT 0",
    "ALTER TABLE answers ADD COLUMN cents_off INTEGER",
};
struct SchemaStep {
    const char* const* begin;
    const char* const* end;
};
// Steps[n] brings a file of version n to version n + 1.
const SchemaStep Steps[] = {{std::begin(Version1), std::end(Version1)},
                            {std::begin(Version2), std::end(Version2)},
                            {std::begin(Version3), std::end(Version3)},
                            {std::begin(Version4), std::end(Version4)}};
static_assert(std::size(Steps) == SqliteHistory::SchemaVersion);

bool run(QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    return q.exec(sql);
}

// The same, telling why it failed: the statement's own error, which the
// connection does not hold.
bool run(QSqlDatabase& db, const QString& sql, QSqlError& failure) {
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    failure = q.lastError();
    return false;
}
} // namespace

SqliteHistory::SqliteHistory(QString path)
    : m_path(std::move(path)),
      m_connection(QStringLiteral("qvb-history-%1").arg(quintptr(this), 0, 16)) {}

SqliteHistory::~SqliteHistory() {
    close();
}

bool SqliteHistory::isDamage(const QSqlError& error) {
    const int code = error.nativeErrorCode().toInt();
    return (code & 0xff) == SqliteCorrupt || (code & 0xff) == SqliteNotADb;
}

void SqliteHistory::close() {
    if (QSqlDatabase::contains(m_connection)) {
        {
            QSqlDatabase db = QSqlDatabase::database(m_connection, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }
    m_open = false;
}

bool SqliteHistory::ensureOpen() {
    if (m_open)
        return true;
    Opened opened = tryOpen();
    if (opened == Opened::Damaged) {
        moveAside();
        opened = tryOpen();
    }
    m_open = opened == Opened::Yes;
    if (!m_open)
        close();
    return m_open;
}

SqliteHistory::Opened SqliteHistory::tryOpen() {
    close();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!db.isValid())
        return Opened::No; // no SQLite driver: the game goes on without history
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    const SharedFolder folder(QFile::encodeName(m_path).toStdString());
    folder.makeFileForTheClass();
    if (!db.open())
        return isDamage(db.lastError()) ? Opened::Damaged : Opened::No;

    QSqlQuery q(db);
    // The first read of the file: a file that is no database fails here.
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return isDamage(q.lastError()) ? Opened::Damaged : Opened::No;
    const int version = q.value(0).toInt();
    q.finish();
    if (version > SchemaVersion)
        return Opened::No; // written by a later version: left alone
    if (version == 0) {
        // Before anything is written: some other database under our name is
        // moved aside as it was.
        if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !q.next())
            return isDamage(q.lastError()) ? Opened::Damaged : Opened::No;
        const int objects = q.value(0).toInt();
        q.finish();
        if (objects != 0)
            return Opened::Damaged;
    }
    if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !q.next())
        return isDamage(q.lastError()) ? Opened::Damaged : Opened::No;
    if (q.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        return Opened::No; // WAL cannot be had here (no shared memory): keep nothing
    q.finish();
    // A kill of the program loses nothing committed; only a power cut may
    // lose the last rounds, and never damages the file.
    run(db, QStringLiteral("PRAGMA synchronous=NORMAL"));
    QSqlError failure;
    // Bringing a file up reads every row of the tables it indexes: damage in
    // them shows here first, and goes aside as at opening.
    if (version < SchemaVersion && !upgradeSchema(db, version, failure))
        return isDamage(failure) ? Opened::Damaged : Opened::No;
    folder.handOwnFilesToTheClass();
    return Opened::Yes;
}

bool SqliteHistory::upgradeSchema(QSqlDatabase& db, int fromVersion, QSqlError& failure) {
    if (!db.transaction()) {
        failure = db.lastError();
        return false;
    }
    for (int step = fromVersion; step < SchemaVersion; ++step) {
        for (const char* const* statement = Steps[step].begin; statement != Steps[step].end; ++statement) {
            if (!run(db, QString::fromLatin1(*statement), failure)) {
                db.rollback();
                return false;
            }
        }
    }
    if (!run(db, QStringLiteral("PRAGMA user_version=%1").arg(SchemaVersion), failure)) {
        db.rollback();
        return false;
    }
    if (db.commit())
        return true;
    failure = db.lastError();
    return false;
}

void SqliteHistory::moveAside() {
    close();
    const QFileInfo info(m_path);
    const QString date = info.lastModified().toString(QStringLiteral("yyyy-MM-dd"));
    const QString stem = info.dir().filePath(info.completeBaseName() + QStringLiteral("-defekt-") + date);
    const QString suffix = QStringLiteral(".") + info.suffix();
    QString target = stem + suffix;
    for (int n = 2; QFile::exists(target); ++n)
        target = stem + QStringLiteral("-%1").arg(n) + suffix;
    if (!QFile::rename(m_path, target))
        return;
    m_movedAside = target;
    // The journal files belong to the damaged file and go with it: left
    // behind, the new file would take their pages for its own.
    for (const char* journal : {"-wal", "-shm"}) {
        const QString from = m_path + QLatin1String(journal);
        if (QFile::exists(from) && !QFile::rename(from, target + QLatin1String(journal)))
            QFile::remove(from);
    }
}

bool SqliteHistory::keepRound(const RoundRecord& round, int64_t playedAtSecs, int32_t localDay) {
    // After a refused write the file is opened anew: it may be open to us by
    // now (a connection that was opened read-only stays so), or a lock gone.
    if (m_reopenToWrite) {
        m_reopenToWrite = false;
        close();
    }
    if (!ensureOpen())
        return false;
    bool damaged = false;
    if (writeRound(round, playedAtSecs, localDay, damaged))
        return true;
    if (!damaged) {
        m_reopenToWrite = true;
        return false;
    }
    // Damaged while in use: this round goes into a new file.
    moveAside();
    return ensureOpen() && writeRound(round, playedAtSecs, localDay, damaged);
}

bool SqliteHistory::writeRound(const RoundRecord& round, int64_t playedAtSecs, int32_t localDay,
                               bool& damaged) {
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    auto fail = [&](const QSqlError& error) {
        damaged = isDamage(error);
        db.rollback();
        return false;
    };
    if (!db.transaction())
        return fail(db.lastError());

    const QString player = QString::fromStdString(round.player);
    const bool cancelled = round.ending == RoundRecord::Ending::Cancelled;
    QSqlQuery q(db);
    q.prepare(QStringLiteral(
        "INSERT INTO rounds (played_at, day, player, start_note, octaves, accidentals, instrument,"
        " practice, cancelled) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const QVariant& v :
         {QVariant(qint64(playedAtSecs)), QVariant(localDay), QVariant(player),
          QVariant(int(round.startNote)), QVariant(int(round.octaves)),
          QVariant(int(round.accidentals)), QVariant(round.instrument), QVariant(round.practice),
          QVariant(cancelled)})
        q.addBindValue(v);
    if (!q.exec())
        return fail(q.lastError());
    const qint64 id = q.lastInsertId().toLongLong();

    QSqlQuery asked(db), answer(db);
    asked.prepare(QStringLiteral("INSERT INTO asked (round, seq, note, first_right, ms_to_right)"
                                 " VALUES (?, ?, ?, ?, ?)"));
    answer.prepare(QStringLiteral("INSERT INTO answers (round, seq, nr, note, by_midi, "
                                  "by_keyboard, by_microphone, cents_off) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
    std::map<int, NoteTally> tallies;
    std::map<std::pair<int, int>, int> confusions;
    for (size_t seq = 0; seq < round.notes.size(); ++seq) {
        const AskedNote& n = round.notes[seq];
        const bool right = n.msToRight != AskedNote::NeverRight;
        asked.bindValue(0, id);
        asked.bindValue(1, int(seq));
        asked.bindValue(2, int(n.note));
        asked.bindValue(3, n.firstRight);
        asked.bindValue(4, right ? QVariant(n.msToRight) : QVariant());
        if (!asked.exec())
            return fail(asked.lastError());
        NoteTally& t = tallies[n.note];
        t.asked += 1;
        t.firstRight += n.firstRight ? 1 : 0;
        t.right += right ? 1 : 0;
        t.msSum += right ? uint64_t(n.msToRight) : 0;
        int nr = 0;
        for (const RecordedAnswer& a : round.answersOf(n)) {
            answer.bindValue(0, id);
            answer.bindValue(1, int(seq));
            answer.bindValue(2, nr++);
            answer.bindValue(3, int(a.note));
            answer.bindValue(4, a.way == AnswerWay::Midi);
            answer.bindValue(5, a.way == AnswerWay::Keyboard);
            const bool heard = a.way == AnswerWay::Microphone;
            answer.bindValue(6, heard);
            answer.bindValue(7, heard ? QVariant(int(a.cents)) : QVariant());
            if (!answer.exec())
                return fail(answer.lastError());
            if (a.note != n.note)
                confusions[{n.note, a.note}] += 1;
        }
    }

    QSqlQuery day(db);
    day.prepare(QStringLiteral(
        "INSERT INTO note_days (player, practice, day, note, asked, first_right, right_count, ms_sum)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (player, practice, day, note) DO UPDATE SET"
        " asked = asked + excluded.asked, first_right = first_right + excluded.first_right,"
        " right_count = right_count + excluded.right_count, ms_sum = ms_sum + excluded.ms_sum"));
    for (const auto& [note, t] : tallies) {
        day.bindValue(0, player);
        day.bindValue(1, round.practice);
        day.bindValue(2, localDay);
        day.bindValue(3, note);
        day.bindValue(4, t.asked);
        day.bindValue(5, t.firstRight);
        day.bindValue(6, t.right);
        day.bindValue(7, qint64(t.msSum));
        if (!day.exec())
            return fail(day.lastError());
    }
    QSqlQuery mixUp(db);
    mixUp.prepare(QStringLiteral(
        "INSERT INTO confusion_days (player, practice, day, asked, answered, times)"
        " VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (player, practice, day, asked, answered)"
        " DO UPDATE SET times = times + excluded.times"));
    for (const auto& [pair, times] : confusions) {
        mixUp.bindValue(0, player);
        mixUp.bindValue(1, round.practice);
        mixUp.bindValue(2, localDay);
        mixUp.bindValue(3, pair.first);
        mixUp.bindValue(4, pair.second);
        mixUp.bindValue(5, times);
        if (!mixUp.exec())
            return fail(mixUp.lastError());
    }
    if (!db.commit())
        return fail(db.lastError());
    return true;
}

MistakeStats SqliteHistory::stats(const std::string& player, int32_t firstDay) {
    MistakeStats stats;
    if (!ensureOpen())
        return stats;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    const QString name = QString::fromStdString(player);
    // One read transaction: the three answers belong to the same moment.
    db.transaction();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT count(*) FROM rounds WHERE player = ? AND practice = 0 AND day >= ?"));
    q.addBindValue(name);
    q.addBindValue(firstDay);
    if (q.exec() && q.next())
        stats.rounds = q.value(0).toUInt();
    q.prepare(QStringLiteral(
        "SELECT note, sum(asked), sum(first_right), sum(right_count), sum(ms_sum) FROM note_days"
        " WHERE player = ? AND practice = 0 AND day >= ? GROUP BY note"));
    q.addBindValue(name);
    q.addBindValue(firstDay);
    if (q.exec()) {
        while (q.next()) {
            const int note = q.value(0).toInt();
            if (note < 0 || note >= int(stats.notes.size()))
                continue;
            NoteTally& t = stats.notes[size_t(note)];
            t.asked = q.value(1).toUInt();
            t.firstRight = q.value(2).toUInt();
            t.right = q.value(3).toUInt();
            t.msSum = q.value(4).toULongLong();
        }
    }
    q.prepare(QStringLiteral(
        "SELECT asked, answered, sum(times) AS t FROM confusion_days"
        " WHERE player = ? AND practice = 0 AND day >= ? GROUP BY asked, answered"
        " ORDER BY t DESC, asked, answered"));
    q.addBindValue(name);
    q.addBindValue(firstDay);
    if (q.exec()) {
        while (q.next()) {
            const int asked = q.value(0).toInt(), answered = q.value(1).toInt();
            if (asked < 0 || asked > 127 || answered < 0 || answered > 127)
                continue;
            stats.confusions.push_back(
                {uint8_t(asked), uint8_t(answered), q.value(2).toUInt()});
        }
    }
    q.finish();
    db.commit();
    return stats;
}
