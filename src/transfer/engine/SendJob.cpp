// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/SendJob.h"

#include "core/DisplayText.h"
#include "core/FileTypeCatalogue.h"
#include "platform/serial/SerialPort.h"
#include "platform/serial/SerialSettings.h"
#include "platform/text/ShiftJis.h"
#include "transfer/engine/HighByteScan.h"
#include "transfer/engine/LineFlow.h"
#include "transfer/engine/LineStopCheck.h"
#include "transfer/engine/ReadAhead.h"

#include <QDir>

#include <cmath>

namespace {

const QByteArray TrailerLineEnd = QByteArrayLiteral("\r\n");

// The longest the clock leaves a reader at work unlooked at.
constexpr qint64 ReaderLookUs = 100'000;
// The file is looked at once more this much line time before its body ends: a share that answers
// at all answers by then, and a change it finds stops the program short of its "%".
constexpr double EndLeadSeconds = 1.0;

} // namespace

SendJob::SendJob(SerialPort &port, LineFlow &flow, LineClock &clock, QObject *parent)
    : QObject(parent), m_port(port), m_flow(flow), m_clock(clock),
      m_alarm(clock.alarm(this,
                          [this] {
                              if (m_step == Step::Pausing)
                                  fileSent();
                              else if (m_step == Step::AwaitingStart || m_step == Step::Opening)
                                  watchReader();
                              else
                                  pump();
                          })),
      m_reader(new ReadAhead(this))
{
    connect(m_reader, &ReadAhead::arrived, this, &SendJob::readerArrived);
}

void SendJob::start(const QList<FileRow> &files, const QString &folder, const MachineSettings &machine)
{
    m_answering = false;
    m_readByUs = -1;
    m_entry.setJournal(m_journal);
    m_entry.setLine(machine.MchFileName, m_port);
    m_files = files;
    m_index = -1;
    m_folder = folder;
    m_machine = machine;
    m_highBytesRefused = m_port.line().dataBits() < 8;
    m_port.setInputLen(0);
    m_port.setInputLatency(0); // a DC3 must stop the sending at once
    if (!m_port.setPortOpen(true))
        return fail(m_port.errorString());
    m_flow.reset();
    if (!m_port.connecting())
        return begin();
    // A device server on the network: "中止" stays at hand while it answers.
    m_step = Step::Connecting;
    emit prompt(QStringLiteral("ポート COM%1 (%2) に接続しています。")
                    .arg(m_port.commPort())
                    .arg(m_port.deviceName(m_port.commPort())));
}

void SendJob::answer(const FileRow &file, const QString &folder, const MachineSettings &machine,
                     qint64 waitUs, bool journaled)
{
    m_answering = true;
    m_entry.setJournal(journaled ? m_journal : nullptr);
    m_entry.setLine(machine.MchFileName, m_port);
    m_files = {file};
    m_index = -1;
    m_folder = folder;
    m_machine = machine;
    m_highBytesRefused = m_port.line().dataBits() < 8;
    m_port.setInputLatency(0);
    m_readByUs = m_clock.nowUs() + waitUs;
    begin();
}

void SendJob::portConnected()
{
    if (m_step == Step::Connecting)
        begin();
}

// The wire is timed from when the line can take the first character.
void SendJob::begin()
{
    m_pacer.start(m_port.line().charactersPerSecond(), m_clock.nowUs());
    m_reader->setEndLead(qint64(std::ceil(m_port.line().charactersPerSecond() * EndLeadSeconds)));
    if (m_machine.pacesWithDc()) {
        m_portShouldPace = LineStopCheck::portShouldStop(m_port.hardware(), m_pacer);
        const QString warning = LineStopCheck::warning(m_port, m_pacer);
        if (!warning.isEmpty())
            emit logLine(warning);
    }
    nextFile();
}

// The file is opened as its turn comes, and scanned and read ahead while the operator walks to the
// control; a program the line cannot carry is refused at once.
void SendJob::nextFile()
{
    m_reader->close();
    while (++m_index < m_files.size()) {
        const FileRow &row = file();
        emit current(row.text);
        m_entry.begin(TransferRecord::Direction::Send, row.text, QDir(m_folder).filePath(row.diskName));
        if (!FileTypeCatalogue::IsTextFile(row.text)) {
            const QString refused = row.text + QStringLiteral("はテキストファイルでないので送信できません。");
            emit logLine(refused);
            m_entry.end(TransferRecord::Outcome::Refused, refused);
            continue;
        }
        if (m_highBytesRefused && m_machine.isOsp()) {
            const std::optional<QByteArray> name = ShiftJis::encodeExact(row.text);
            if (name && HighByteScan::find(*name) >= 0)
                return fail(QStringLiteral("%1の名前に%2ビットの回線では送れない文字があります。")
                                .arg(row.text)
                                .arg(m_port.line().dataBits()));
        }
        emit echoCleared();
        m_echoLine.end();
        m_reader->open(QDir(m_folder).filePath(row.diskName), m_highBytesRefused);
        if (!m_machine.pacesWithDc() && !m_answering)
            return openFile();
        emit prompt(QStringLiteral("   ファイルを送信します。\r\n    機械側で読込み(リード)してください。"));
        emit progress(0, 1, row.text); // nothing sent yet
        portPaces(false);              // the DC1 that starts the file is for the sender to see
        if (!m_answering)              // an answer's DC1 may have come as it was looked up
            m_flow.forgetDc1();
        m_step = Step::AwaitingStart;
        return watchReader();
    }
    stop();
    emit ended();
}

// The machine reads now: the file as it is now goes, once scanned and its first bytes read.
void SendJob::openFile()
{
    m_readByUs = -1;
    m_reader->confirm();
    m_step = Step::Opening;
    m_readerSinceUs = -1;
    watchReader();
}

void SendJob::watchReader()
{
    if (readerFailed())
        return;
    if (m_step == Step::AwaitingStart && m_readByUs >= 0) {
        if (m_flow.dc1Seen()) // heard before the reader was asked
            return openFile();
        if (m_clock.nowUs() >= m_readByUs)
            return fail(QStringLiteral("機械が読込み(リード)を始めませんでした。"));
    }
    if (m_step == Step::Opening ? !m_reader->ready() : m_reader->reading())
        return awaitReader();
    m_readerSinceUs = -1;
    m_alarm->stop();
    if (m_step == Step::Opening)
        beginFile();
    else if (m_readByUs >= 0)
        m_alarm->start(m_readByUs - m_clock.nowUs());
}

// The reader's word wakes the job; the clock looks as well, after as long as the job has waited so
// far: the job stays on the clock that drives it, and a reader held up long is looked at seldom.
// While the machine waits, the first look is at once; before it has asked there is no hurry.
void SendJob::awaitReader()
{
    const qint64 now = m_clock.nowUs();
    if (m_readerSinceUs < 0)
        m_readerSinceUs = now;
    const qint64 least = m_step == Step::AwaitingStart ? OutputPacer::LookUs : 0;
    m_alarm->start(qBound(least, now - m_readerSinceUs, ReaderLookUs));
}

bool SendJob::readerFailed()
{
    if (const qint64 line = m_reader->highByteLine(); line > 0) {
        fail(QStringLiteral("%1の%2行目に%3ビットの回線では送れない文字があります。")
                 .arg(file().text)
                 .arg(line)
                 .arg(m_port.line().dataBits()));
        return true;
    }
    const QString failure = m_reader->failure();
    if (!failure.isEmpty())
        fail(failure);
    return !failure.isEmpty();
}

void SendJob::readerArrived()
{
    switch (m_step) {
    case Step::AwaitingStart:
    case Step::Opening:
        return watchReader();
    case Step::Header:
    case Step::Body:
    case Step::Trailer:
        m_starved = false;
        if (!readerFailed())
            pump();
        return;
    default:
        return;
    }
}

void SendJob::beginFile()
{
    const FileRow &row = file();
    m_entry.record().size = m_reader->size();
    m_entry.tell();
    emit prompt(row.text + QStringLiteral("を送信中です。"));
    emit progress(0, m_reader->size(), row.text);
    emit logLine(row.text + QStringLiteral("を送信中です..."));
    m_shownPermille = -1;
    // With the DC1 after the name still to come, the sender paces the header itself.
    if (m_machine.pacesWithDc() && !m_machine.waitsForDc1AfterName())
        portPaces(true);
    if (m_machine.isOsp()) {
        // The name as listed, in the machine's code page.
        const std::optional<QByteArray> name = ShiftJis::encodeExact(row.text);
        if (!name)
            return fail(QStringLiteral("%1の名前にShift_JISで送れない文字があります。").arg(row.text));
        m_pending = '$' + *name + "%\r\n";
    } else {
        m_pending = "%\r\n";
    }
    m_step = Step::Header;
    pump();
}

void SendJob::heard()
{
    switch (m_step) {
    case Step::AwaitingStart:
        if (m_flow.dc1Seen())
            openFile();
        break;
    case Step::AwaitingName:
        if (m_flow.dc1Seen()) {
            m_step = Step::Body;
            portPaces(true);
            pump();
        }
        break;
    case Step::Header:
    case Step::Body:
    case Step::Trailer:
        if (!m_alarm->isActive()) // held until now
            pump();
        break;
    default:
        break;
    }
}

// Keeps the line busy with at most the pacer's maxInFlight() characters on their way, and looks again
// when they will have fallen to the low-water mark. Held by a DC3, it waits for the DC1.
void SendJob::pump()
{
    if (m_step == Step::Header || m_step == Step::Body || m_step == Step::Trailer) {
        if (m_machine.pacesWithDc() && m_flow.held()) {
            // Seen by the sender, so the port did not stop for it: the DC1 must be seen as well.
            const bool wanted = m_portPacingWanted;
            portPaces(false);
            m_portPacingWanted = wanted;
            return m_alarm->stop();
        }
        if (m_portPacingWanted && !m_portPaces)
            portPaces(true);
        const qint64 inFlight = m_pacer.inFlight(m_port.outBufferCount(), m_clock.nowUs());
        if (!handOver(m_pacer.room(inFlight)))
            return; // ended meanwhile
    }
    const qint64 inFlight = m_pacer.inFlight(m_port.outBufferCount(), m_clock.nowUs());
    switch (m_step) {
    case Step::Body:
        if (m_starved)
            return awaitReader();
        m_readerSinceUs = -1;
        [[fallthrough]];
    case Step::Header:
    case Step::Trailer:
        return m_alarm->start(m_pacer.usUntil(inFlight, m_pacer.lowWater()));
    case Step::Ending:
        // The line end goes only once the "%" has gone from every buffer the port can see: a machine
        // that ends its reading with a DC3 at the "%" may hold the line end back for good, which must
        // not keep the send from ending nor hide a program still held in the port.
        if (inFlight > 0 || m_port.transmitterEmpty() == false)
            return m_alarm->start(m_pacer.usUntil(inFlight, 0));
        if (!m_port.output(TrailerLineEnd))
            return fail(m_port.errorString());
        m_pacer.handed(TrailerLineEnd.size(), m_clock.nowUs());
        m_step = Step::Draining;
        return pump();
    case Step::Draining:
        // "送信が完了しました。" once the line end would have left the wire; a line end held back
        // goes when the port lets go of the line after the pause.
        if (const qint64 onTheWire = m_pacer.inFlight(0, m_clock.nowUs()); onTheWire > 0)
            return m_alarm->start(m_pacer.usUntil(onTheWire, 0));
        m_entry.record().sha256 = m_reader->sha256();
        m_reader->close();
        if (m_answering) // listening again at once: the machine may punch next
            return fileSent();
        m_step = Step::Pausing;
        return m_alarm->start(PauseUs);
    default: // awaiting the DC1 after the name, or ended meanwhile
        return;
    }
}

// False when the job ended on the way: a failure, or an abort given from a handler of the port.
bool SendJob::handOver(qint64 room)
{
    while (room > 0) {
        QByteArray piece;
        if (m_step == Step::Body) {
            piece = m_reader->next(room);
            m_starved = piece.isEmpty();
            if (m_starved) {
                if (readerFailed())
                    return false;
                m_starved = !m_reader->atEnd();
                if (m_starved)
                    return true; // until the reader says more has come
                m_pending = "%";
                m_step = Step::Trailer;
                continue;
            }
        } else if (m_step == Step::Header || m_step == Step::Trailer) {
            piece = m_pending.left(room);
            m_pending.remove(0, piece.size());
        } else {
            return true;
        }
        const Step step = m_step;
        if (!m_port.output(piece)) {
            fail(m_port.errorString());
            return false;
        }
        if (m_step != step)
            return false;
        m_pacer.handed(piece.size(), m_clock.nowUs());
        room -= piece.size();
        if (m_step == Step::Body) {
            echoSent(piece);
            const int permille =
                m_reader->size() > 0 ? int(m_reader->consumed() * 1000 / m_reader->size()) : 1000;
            if (permille != m_shownPermille) {
                m_shownPermille = permille;
                emit progress(m_reader->consumed(), m_reader->size(), file().text);
            }
        } else if (m_pending.isEmpty() && m_step == Step::Header) {
            if (m_machine.waitsForDc1AfterName()) {
                m_flow.forgetDc1();
                m_step = Step::AwaitingName;
                return true;
            }
            m_step = Step::Body;
        } else if (m_pending.isEmpty() && m_step == Step::Trailer) {
            m_step = Step::Ending;
            return true;
        }
    }
    return true;
}

// One piece of echo a piece handed over, each finished line with its end.
void SendJob::echoSent(const QByteArray &bytes)
{
    if (!m_machine.echoes())
        return;
    QString text;
    for (const char byte : bytes) {
        if (byte != '\n') {
            m_echoLine.add(byte);
            continue;
        }
        text += m_echoLine.cut() ? DisplayText::decodeBeginning(m_echoLine.bytes())
                                 : DisplayText::decode(m_echoLine.bytes());
        text += QLatin1Char('\n');
        m_echoLine.end();
    }
    if (!text.isEmpty())
        emit echo(text);
}

// The file has gone whole once the pause runs: an abort then ends the batch after it.
void SendJob::fileSent(bool aborted)
{
    m_entry.end(TransferRecord::Outcome::Done);
    emit sent(file().diskName);
    emit logLine(QStringLiteral("送信が完了しました。"));
    aborted ? cancel() : nextFile();
}

void SendJob::abort()
{
    switch (m_step) {
    case Step::Idle:
        return;
    case Step::Pausing:
        m_alarm->stop();
        return fileSent(true);
    default:
        m_port.discardOutput();
        return cancel();
    }
}

void SendJob::portFailed(const QString &description)
{
    if (running())
        fail(description);
}

// The job names the file it was sending; before the first, the first of the batch.
void SendJob::fail(const QString &description)
{
    const FileRow row = m_files.value(qMax<qsizetype>(0, m_index));
    const QString &name = row.text;
    if (!m_entry.running()) // the line failed before the first file was taken up
        m_entry.begin(TransferRecord::Direction::Send, name, QDir(m_folder).filePath(row.diskName));
    m_entry.end(TransferRecord::Outcome::Failed, description);
    if (m_port.portOpen())
        m_port.discardOutput();
    stop();
    emit logLine(name + QStringLiteral("の送信が出来ませんでした。"));
    emit logLine(description);
    emit ended();
}

// The rows not sent keep their marks.
void SendJob::cancel()
{
    m_entry.end(TransferRecord::Outcome::Aborted, QStringLiteral("送信がキャンセルされました。"));
    emit logLine(QStringLiteral("送信がキャンセルされました。"));
    stop();
    emit ended();
}

// Whether the port stops the line at DC3 itself: asked only where the hardware has it stop sooner
// than the sender, and once a transfer where the port cannot.
void SendJob::portPaces(bool on)
{
    m_portPacingWanted = on;
    if (on == m_portPaces || (on && !m_portShouldPace))
        return;
    m_portPaces = m_port.setOutputFlowControl(on) && on;
    m_portShouldPace = m_portShouldPace && (m_portPaces || !on);
}

// The port lets go of the line before it closes: nothing is left to restart once the queue is
// thrown away, and closing never waits for a line that the machine holds.
void SendJob::stop()
{
    m_alarm->stop();
    m_reader->close(); // a reader stuck on a share is left behind
    m_readerSinceUs = -1;
    m_starved = false;
    m_pending.clear();
    if (m_port.portOpen()) {
        portPaces(false);
        if (!m_answering)
            m_port.setPortOpen(false);
    }
    m_readByUs = -1;
    m_portPaces = m_portPacingWanted = m_portShouldPace = false;
    m_step = Step::Idle;
}
