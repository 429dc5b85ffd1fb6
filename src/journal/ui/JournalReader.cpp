// SPDX-License-Identifier: GPL-2.0-or-later
#include "journal/ui/JournalReader.h"

#include "journal/JournalDatabase.h"
#include "journal/ui/JournalTableModel.h"
#include "platform/text/SystemReason.h"

#include <QSaveFile>

namespace {

constexpr int ExportRows = 2000;
constexpr int RetryMs = 5000;

// RFC 4180: a field holding a comma, a quote or a line break is quoted, its quotes doubled.
QString csvField(const QString &text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// Local time with its offset: the file is read where it was written, and still means one instant.
QString isoTime(const QDateTime &utc)
{
    if (!utc.isValid())
        return {};
    const QDateTime local = utc.toLocalTime();
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
}

QByteArray csvLine(const QStringList &fields)
{
    QStringList quoted;
    for (const QString &field : fields)
        quoted << csvField(field);
    return quoted.join(u',').toUtf8() + "\r\n";
}

QByteArray csvRow(const TransferRecord &record)
{
    QStringList fields;
    for (int column = 0; column < JournalTableModel::Columns; ++column)
        fields << JournalTableModel::text(record, column);
    fields[JournalTableModel::Started] = isoTime(record.started);
    fields[JournalTableModel::Ended] = isoTime(record.ended);
    return csvLine(fields);
}

} // namespace

JournalReader::JournalReader(const JournalConfig &config) : m_config(config) {}

JournalReader::~JournalReader() = default;

JournalDatabase *JournalReader::database()
{
    if (m_database)
        return m_database.get();
    if (m_failed.isValid() && !m_failed.hasExpired(RetryMs))
        return nullptr;
    static std::atomic<int> made{0};
    auto database = std::make_unique<JournalDatabase>(QStringLiteral("journal-window-%1").arg(++made),
                                                      m_config, !m_config.server.isEmpty());
    const Outcome opened = database->open();
    if (!opened) {
        m_failed.start();
        tell(opened.reason());
        return nullptr;
    }
    m_database = std::move(database);
    tell({});
    return m_database.get();
}

bool JournalReader::answered()
{
    const QString error = m_database->lastError();
    if (error.isEmpty())
        return true;
    m_database.reset(); // made anew later: a server may have come back by then
    m_failed.start();
    tell(error);
    return false;
}

void JournalReader::tell(const QString &reason)
{
    QString line;
    if (!reason.isEmpty())
        line = (m_config.server.isEmpty() ? QStringLiteral("記録のファイルを読めません。")
                                          : QStringLiteral("記録のサーバーに接続できません。")) +
               reason + QStringLiteral(" ［更新］で読み直します。");
    if (line == m_told)
        return;
    m_told = line;
    emit unreachable(line);
}

void JournalReader::page(int query, const JournalFilter &filter, const TransferRecord &after)
{
    JournalDatabase *database = query < m_latest ? nullptr : this->database();
    if (!database)
        return;
    const QList<TransferRecord> rows =
        database->find(filter, JournalTableModel::PageRows, after.id.isEmpty() ? nullptr : &after);
    if (answered())
        emit paged(query, rows, rows.size() < JournalTableModel::PageRows);
}

void JournalReader::count(int query, const JournalFilter &filter)
{
    JournalDatabase *database = query < m_latest ? nullptr : this->database();
    if (!database)
        return;
    const qint64 entries = database->count(filter);
    if (answered())
        emit counted(query, entries);
}

void JournalReader::machines()
{
    if (JournalDatabase *database = this->database()) {
        const QStringList names = database->machines();
        if (answered())
            emit machinesKnown(names);
    }
}

void JournalReader::sends(int query, const QString &path)
{
    JournalDatabase *database = this->database();
    if (!database)
        return;
    JournalFilter filter;
    filter.path = path;
    filter.direction = TransferRecord::Direction::Send;
    filter.outcome = TransferRecord::Outcome::Done;
    const QList<TransferRecord> rows = database->find(filter, 1000);
    if (answered())
        emit sent(query, rows);
}

void JournalReader::exportCsv(const JournalFilter &filter, const QString &path)
{
    JournalDatabase *database = this->database();
    if (!database)
        return emit exported(path, 0, m_told);
    // Written beside the chosen name and renamed over it at the end: a failure leaves any old file whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return emit exported(path, 0, SystemReason::of(file));
    QStringList header;
    for (int column = 0; column < JournalTableModel::Columns; ++column)
        header << JournalTableModel::header(column);
    file.write("\xEF\xBB\xBF" + csvLine(header));
    qint64 entries = 0;
    QList<TransferRecord> rows;
    do {
        rows = database->find(filter, ExportRows, rows.isEmpty() ? nullptr : &rows.constLast());
        if (!answered()) {
            file.cancelWriting();
            return emit exported(path, 0, m_told);
        }
        for (const TransferRecord &record : std::as_const(rows))
            file.write(csvRow(record));
        entries += rows.size();
    } while (rows.size() == ExportRows);
    if (!file.commit())
        return emit exported(path, 0, SystemReason::of(file));
    emit exported(path, entries, {});
}
