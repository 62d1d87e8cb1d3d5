// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

#include "historystore.h"

class QSqlDatabase;
class QSqlError;

// The rounds in an SQLite file beside the best list, through Qt's SQL module.
// Opened when first needed, never at start-up. A place that cannot be written
// keeps nothing and says nothing; a damaged file is moved aside under its date
// and a new one begun. Each round is one transaction in WAL mode, so a kill
// loses at most the round being written.
class SqliteHistory final : public HistoryStore {
public:
    static constexpr int SchemaVersion = 4;

    explicit SqliteHistory(QString path);
    ~SqliteHistory() override;
    SqliteHistory(const SqliteHistory&) = delete;
    SqliteHistory& operator=(const SqliteHistory&) = delete;

    bool keepRound(const RoundRecord& round, int64_t playedAtSecs, int32_t localDay) override;
    MistakeStats stats(const std::string& player, int32_t firstDay) override;

    // Where a damaged file went (empty if none was moved in this run).
    QString movedAsideTo() const { return m_movedAside; }

private:
    enum class Opened { Yes, No, Damaged };
    bool ensureOpen();
    Opened tryOpen();
    // A new file (version 0) or an older one brought to SchemaVersion, in one
    // transaction; `failure` says why it could not be.
    bool upgradeSchema(QSqlDatabase& db, int fromVersion, QSqlError& failure);
    bool writeRound(const RoundRecord& round, int64_t playedAtSecs, int32_t localDay,
                    bool& damaged);
    void close();
    void moveAside();
    static bool isDamage(const QSqlError& error);

    QString m_path;
    QString m_connection;
    bool m_open = false;
    bool m_reopenToWrite = false;
    QString m_movedAside;
};
