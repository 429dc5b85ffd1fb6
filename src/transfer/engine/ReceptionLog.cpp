// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/ReceptionLog.h"

#include "platform/files/NativeFile.h"
#include "platform/files/NativeName.h"
#include "transfer/engine/TransferEntry.h"

#include <algorithm>
#include <limits>

namespace {

// The writer's end, which the end of a reception that began a program waits for: nothing is left
// behind then.
constexpr quint64 WriterDone = std::numeric_limits<quint64>::max();

} // namespace

void ReceptionLog::say(const QStringList &lines)
{
    m_said.append({0, {}, Verdict::Whole, lines, {}});
}

void ReceptionLog::await(quint64 ticket, const QString &name, Verdict verdict, const TransferRecord &record)
{
    m_said.append({ticket, name, verdict, {}, record});
}

void ReceptionLog::awaitWriter()
{
    m_said.append({WriterDone, {}, Verdict::Whole, {}, {}});
}

void ReceptionLog::writerDone()
{
    m_said.removeIf([](const Said &said) { return said.ticket == WriterDone; });
}

bool ReceptionLog::answer(const ReceiveWriter::Report &report, const QString &folder,
                          const TransferEntry &entry)
{
    using Kind = ReceiveWriter::Report::Kind;
    const auto waited = std::find_if(m_said.begin(), m_said.end(),
                                     [&report](const Said &said) { return said.ticket == report.ticket; });
    if (waited == m_said.end())
        return false;
    if (report.kind != Kind::Created) {
        end(*waited, report, folder, entry);
        waited->record = {}; // ended once
    }
    const QString old = report.backup.isEmpty()
                            ? QString()
                            : QStringLiteral("元の%1は%2に残しました。")
                                  .arg(NativeName::shown(report.name), NativeName::shown(report.backup));
    if (report.kind == Kind::Created)
        waited->lines = {waited->name + QStringLiteral("を読込中です...")};
    else if (report.kind == Kind::Diverted)
        waited->lines = {waited->name + QStringLiteral("の受信が出来ませんでした。"), report.reason};
    else if (waited->verdict == Verdict::Whole)
        waited->lines = {QStringLiteral("読込が完了しました。") + old};
    else if (waited->verdict == Verdict::CutShort)
        waited->lines = {waited->name + QStringLiteral("は途中までしか受信していません。") + old};
    else
        waited->lines = {waited->name + QStringLiteral("の受信中に回線エラーがありました。") + old};
    waited->ticket = 0;
    return true;
}

void ReceptionLog::end(const Said &said, const ReceiveWriter::Report &report, const QString &folder,
                       const TransferEntry &entry)
{
    using Outcome = TransferRecord::Outcome;
    TransferRecord record = said.record;
    const bool diverted = report.kind == ReceiveWriter::Report::Kind::Diverted;
    record.path = NativeFile::join(folder, diverted ? report.backup : report.name);
    record.size = report.size;
    record.sha256 = report.sha256;
    const Outcome outcome = said.verdict == Verdict::Whole      ? Outcome::Done
                            : said.verdict == Verdict::CutShort ? Outcome::Aborted
                                                                : Outcome::Failed;
    const QString reason =
        diverted                            ? report.reason
        : said.verdict == Verdict::CutShort ? QStringLiteral("途中までしか受信していません。")
        : said.verdict == Verdict::LineError ? QStringLiteral("受信中に回線エラーがありました。")
                                             : QString();
    entry.end(std::move(record), outcome, reason);
}

QStringList ReceptionLog::forgetPrograms(const QString &reason, const TransferEntry &entry)
{
    QStringList names;
    for (const Said &said : std::as_const(m_said)) {
        if (said.ticket == 0 || said.ticket == WriterDone)
            continue;
        entry.end(said.record, TransferRecord::Outcome::Failed, reason);
        if (!names.contains(said.name))
            names << said.name;
    }
    m_said.removeIf([](const Said &said) { return said.ticket != 0 && said.ticket != WriterDone; });
    return names;
}

QStringList ReceptionLog::takeReady()
{
    QStringList lines;
    while (!m_said.isEmpty() && m_said.constFirst().ticket == 0)
        lines += m_said.takeFirst().lines;
    return lines;
}
