// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/ReceiveJob.h"

#include "core/ReceivingPath.h"
#include "platform/files/NativeFile.h"
#include "platform/serial/SerialPort.h"
#include "platform/text/ShiftJis.h"
#include "transfer/engine/LineFlow.h"
#include "transfer/engine/ReceivedName.h"

namespace {

constexpr char Cr = 0x0D, Lf = 0x0A;
// A read from a fast network port may hold more than the writer's buffer: it goes to the writer in
// pieces of this size, which the writer's thread takes while the rest is handled.
constexpr qsizetype PassBytes = 64 * 1024;

} // namespace

ReceiveJob::ReceiveJob(SerialPort &port, ReceivingPath &receiving, QObject *parent)
    : QObject(parent), m_port(port), m_receiving(receiving), m_slowDisk(this) // goes to the line's thread too
{
    m_slowDisk.setSingleShot(true);
    m_slowDisk.setInterval(SlowDiskMs);
    connect(&m_slowDisk, &QTimer::timeout, this, &ReceiveJob::slowDisk);
}

ReceiveJob::~ReceiveJob()
{
    const std::lock_guard hold(m_writerLock);
    m_writer.reset(); // it still does what it was asked, and tells no one
}

void ReceiveJob::start(bool continuous, const QString &folder, const MachineSettings &machine,
                       const QString &typedName)
{
    m_listen = false;
    begin(continuous, folder, machine);
    m_receiveName = typedName;
    if (!m_port.setPortOpen(true))
        return fail(m_port.errorString());
    m_listening = true;
    emit waiting(
        continuous
            ? QStringLiteral("連続でファイルを受信します。\r\n機械側から続けて送信(パンチ)してください。\r\n"
                             "終了時は[中止]を押してください。")
            : QStringLiteral("1つのファイルを受信します。\r\n機械側から送信(パンチ)してください。"));
}

void ReceiveJob::listen(const QString &folder, const MachineSettings &machine, const ListenSettings &settings)
{
    m_listen = true;
    m_settings = settings;
    begin(true, folder, machine);
    m_listening = true;
}

void ReceiveJob::begin(bool continuous, const QString &folder, const MachineSettings &machine)
{
    m_machine = machine;
    m_continuous = continuous;
    m_folder = folder;
    m_entry.setLine(machine.MchFileName, m_port);
    m_receiveName.clear();
    m_state = WaitingForProgram;
    m_name.clear();
    m_nameText.resetState();
    m_received = 0;
    m_ending = false;
    m_echo.clear();
    m_chunk.clear();
    m_log.clear();
    m_end = End::None;
    m_slowShown = false;
    m_lineErrors.clear();
    m_batchErrors.clear();
    m_programOpen = false;
    m_hit = false;
    m_active = true;
    m_awaitWriter = false;
    m_deciding = m_skipping = m_answering = false;
    m_held.clear();
    m_request.reset();
    newWriter();
    openWriter();          // a folder that cannot be opened fails a reception at once
    m_port.setInputLen(0); // all that waits: a fast line outruns one event per byte
    // Nothing answers a received byte, so bytes may gather briefly: one wake-up a batch, not a byte.
    m_port.setInputLatency(ReceiveLatencyMs);
}

// The writer before is told no more: an earlier reception's programs were told of, and a writer that
// failed while listening stays until its thread has let go of what it published.
void ReceiveJob::newWriter()
{
    const std::lock_guard hold(m_writerLock);
    m_writer = std::make_shared<ReceiveWriter>(
        m_receiving, this, [this, generation = ++m_generation](const ReceiveWriter::Report &report) {
            if (generation == m_generation)
                onWriter(report);
            else if (report.kind == ReceiveWriter::Report::Kind::Finished)
                std::erase_if(m_failedWriters,
                              [generation](const auto &failed) { return failed.first == generation; });
        });
    m_writerOpen = false;
}

void ReceiveJob::openWriter()
{
    if (!std::exchange(m_writerOpen, true))
        m_writer->open(m_folder);
}

// The bytes after the end of a program are dropped, as they would be left unread on the line.
void ReceiveJob::take(QByteArrayView text)
{
    const qint64 before = m_received;
    // Where in the read the error lies is not told: every program the read carries is suspect.
    m_batchErrors += std::exchange(m_lineErrors, {});
    m_errorRead = !m_batchErrors.isEmpty();
    if (m_errorRead && (m_programOpen || m_deciding))
        m_hit = true;
    for (const char byte : text) {
        if (!m_listening || m_ending)
            break;
        if (!LineFlow::isControl(byte))
            step(byte);
        if (m_chunk.size() >= PassBytes)
            pass();
    }
    if (m_listening) {
        pass();
        // Once a read, not once a byte: the pane takes the text of a whole read in one go, of which
        // only what it keeps in view travels.
        if (const QString shown = m_echo.take(); !shown.isEmpty())
            emit echo(shown);
    }
    m_errorRead = false;
    sayLineErrors();
    if (m_received != before)
        emit received(m_received);
    if (m_listening && m_ending)
        finish();
}

void ReceiveJob::lineError(const QString &message)
{
    m_lineErrors << message;
    if (!m_errorsQueued) { // after the port has told all it has to tell
        m_errorsQueued = true;
        QMetaObject::invokeMethod(this, &ReceiveJob::takeWaiting, Qt::QueuedConnection);
    }
}

// A port that holds received bytes back for a while hands them over at once when told to gather
// them no longer, through TransferLine and take(); a port that keeps them hands them to input().
void ReceiveJob::takeWaiting()
{
    m_errorsQueued = false;
    if (m_lineErrors.isEmpty())
        return; // a read took them along
    if (m_listening && !m_answering && m_port.portOpen()) {
        m_port.setInputLatency(0);
        if (!m_lineErrors.isEmpty() && m_listening && m_port.portOpen())
            take(m_port.input());
        if (m_port.portOpen())
            m_port.setInputLatency(ReceiveLatencyMs);
    }
    if (m_lineErrors.isEmpty())
        return;
    if (m_listening) {
        take({});
    } else {
        for (const QString &line : std::exchange(m_lineErrors, {}))
            say(line);
    }
}

void ReceiveJob::step(char byte)
{
    const bool osp = m_machine.isOsp();
    switch (m_state) {
    case WaitingForProgram:
        if (byte == (osp ? '$' : '%'))
            m_state = Header;
        break;
    case Header:
        if (osp && byte != '%') {
            m_name += byte;
            m_receiveName += m_nameText.decode(QByteArrayView(&byte, 1)); // for a failure meanwhile
            // A header whose "%" was lost is refused as soon as it cannot be a name.
            if (m_name.size() > ReceivedName::MaxNameBytes) {
                refuse(ReceivedName::tooLong());
                forgetProgram(); // listening: the next "$" may begin a sound one
            }
        } else if ((m_listen ? (hold(), true) : openProgram()) && !osp) {
            afterHeader(byte); // a FANUC program may begin right after its "%"
        }
        break;
    case EndOfHeaderLine:
        afterHeader(byte);
        break;
    case Body:
        if (byte == '%')
            closeProgram();
        else
            store(byte);
        break;
    }
}

// CR of the header line is skipped, its LF ends it; any other character is the program's first.
void ReceiveJob::afterHeader(char byte)
{
    if (byte == Cr)
        return;
    m_state = Body;
    if (byte != Lf)
        store(byte);
}

// Listening: the program's first bytes wait in m_held until they tell what it is.
void ReceiveJob::hold()
{
    m_deciding = true;
    m_held.clear();
    m_hit = m_errorRead;
    m_state = EndOfHeaderLine;
}

void ReceiveJob::decide(bool complete)
{
    const RequestProgram::Verdict verdict = RequestProgram::decide(m_held, complete, m_settings);
    if (verdict.kind == RequestProgram::Kind::Undecided)
        return;
    m_deciding = false;
    if (verdict.kind != RequestProgram::Kind::Program) {
        m_request = verdict;
        m_skipping = true;
        return;
    }
    if (!m_machine.isOsp()) {
        const QString number = RequestProgram::programNumber(m_held);
        m_receiveName = (number.isEmpty() ? QStringLiteral("NONUMBER") : number) + QStringLiteral(".NC");
    }
    m_skipping = !openProgram();
    if (!m_skipping) {
        m_chunk += m_held;
        m_received += m_held.size();
    }
    m_held.clear();
}

// A program that cannot be stored ends a reception; listening, only that program is lost.
void ReceiveJob::refuse(const QString &why)
{
    m_entry.begin(TransferRecord::Direction::Receive, m_receiveName, {});
    m_entry.end(TransferRecord::Outcome::Refused, why);
    if (!m_listen)
        return fail(why);
    say(m_receiveName + QStringLiteral("の受信が出来ませんでした。"));
    say(why);
}

void ReceiveJob::forgetProgram()
{
    m_receiveName.clear();
    m_state = WaitingForProgram;
    m_name.clear();
    m_nameText.resetState();
    m_skipping = m_deciding = false;
    m_hit = false;
}

bool ReceiveJob::openProgram()
{
    if (m_machine.isOsp()) {
        // Names come in the code page the sender writes them in, never as Latin-1.
        bool valid = false;
        m_receiveName = ShiftJis::decodeWhole(m_name, &valid);
        if (!valid) {
            refuse(QStringLiteral("プログラム名がShift_JISの文字ではありません。"));
            return false;
        }
    }
    m_receiveName = m_receiveName.toUpper();
    if (const QString why = ReceivedName::refusal(m_receiveName); !why.isEmpty()) {
        refuse(why);
        return false;
    }
    m_entry.begin(TransferRecord::Direction::Receive, m_receiveName,
                  NativeFile::join(m_folder, m_receiveName));
    openWriter(); // afresh, after a disk that failed
    // Published before the file exists: no file command may take it from under the reception.
    const QString temporary = ReceivingPath::hiddenName();
    m_receiving.set({FileIdentity(), m_folder, m_receiveName, temporary});
    // Said once the disk has the file, or never when it refuses the name.
    m_log.await(m_writer->begin(m_receiveName, temporary), m_receiveName);
    m_programOpen = true;
    m_awaitWriter = true;
    m_hit = m_hit || m_errorRead;
    if (m_state == Header)
        m_state = EndOfHeaderLine;
    return true;
}

void ReceiveJob::closeProgram()
{
    if (m_deciding)
        decide(true);
    pass();
    if (!m_listening)
        return;
    sayLineErrors(); // before what is said of the program they hit
    if (m_programOpen)
        keepProgram(m_hit ? Verdict::LineError : Verdict::Whole);
    if (const std::optional<RequestProgram::Verdict> asked = std::exchange(m_request, {})) {
        say(asked->kind == RequestProgram::Kind::List ? QStringLiteral("機械から一覧の要求を受けました。")
            : asked->name.isEmpty() ? QStringLiteral("機械から送信要求を受けました。")
                                    : QStringLiteral("機械から%1の送信要求を受けました。").arg(asked->name));
        emit request(*asked, m_hit);
    }
    forgetProgram();
    m_echo.programEnded();
    if (!m_listen && (!m_machine.isOsp() || !m_continuous))
        m_ending = true;
}

void ReceiveJob::keepProgram(Verdict verdict)
{
    const int rotate = m_listen ? m_settings.Backups : 0;
    m_log.await(m_writer->keep(verdict != Verdict::Whole, rotate), m_receiveName, verdict, m_entry.take());
    m_programOpen = false;
    m_hit = false;
}

// Gathered, then shown: whatever runs while the echo is shown finds the byte on its way to disk.
void ReceiveJob::store(char byte)
{
    if (m_machine.echoes())
        m_echo.add(byte);
    if (m_deciding) {
        m_held += byte;
        return decide(false);
    }
    if (m_skipping)
        return;
    m_chunk += byte;
    ++m_received;
}

// The read's bytes to the writer, at one go.
void ReceiveJob::pass()
{
    if (m_chunk.isEmpty())
        return;
    const bool taken = m_writer->append(m_chunk);
    m_chunk.clear();
    if (!taken)
        overflow();
}

void ReceiveJob::abort()
{
    if (m_listening)
        finish();
    else if (m_end != End::None && m_slowShown)
        giveUp(m_writer->abandon());
}

// The port closes at once; a program cut short keeps its place in the writer's queue.
void ReceiveJob::finish()
{
    cutShort();
    if (m_listening)
        end(End::Ended);
}

// What came of a program stays as far as it came; a request cut short is never answered.
void ReceiveJob::cutShort()
{
    if (m_deciding)
        decide(true);
    m_request.reset();
    pass();
    if (!m_listening)
        return; // the disk's buffer was full: the reception has failed
    if (m_programOpen)
        keepProgram(Verdict::CutShort);
}

void ReceiveJob::portFailed(const QString &description)
{
    if (m_listening && !m_listen)
        fail(description);
}

void ReceiveJob::lineLost()
{
    if (!m_listening)
        return;
    sayLineErrors();
    cutShort();
    forgetProgram();
}

// What waits before it is still said; the program being received is never kept.
void ReceiveJob::fail(const QString &description)
{
    sayLineErrors();
    m_chunk.clear();
    m_programOpen = false;
    m_entry.end(TransferRecord::Outcome::Failed, description);
    // Before a program names itself, what could not be received is what the port carries.
    const QString what =
        m_receiveName.isEmpty() ? QStringLiteral("COM %1から").arg(m_port.commPort()) : m_receiveName;
    m_log.say({what + QStringLiteral("の受信が出来ませんでした。"), description});
    end(End::Failed);
}

// The disk has taken nothing for minutes: no more of the line waits in memory, and nothing that
// waited replaces anything.
void ReceiveJob::overflow()
{
    say(QStringLiteral("保存先が応答しないため、受信を中止しました。"));
    giveUp(m_writer->abandon());
    end(End::Failed);
}

// Listening, a disk that failed loses the programs it held, never the listening: the next program
// that arrives goes to a new writer, which opens the folder afresh. Nothing is tried before that, so
// a folder that stays away costs nothing on a quiet line.
void ReceiveJob::diskFailed(QStringList lost, const QString &reason)
{
    if (m_programOpen) { // the rest of it goes nowhere
        m_entry.end(TransferRecord::Outcome::Failed, reason);
        if (!lost.contains(m_receiveName))
            lost << m_receiveName;
        m_programOpen = false;
        m_skipping = true;
    }
    m_writer->close();
    m_failedWriters.emplace_back(m_generation, m_writer);
    newWriter();
    m_awaitWriter = false;
    sayLineErrors();
    if (lost.isEmpty()) // the folder, as listening began
        say(QStringLiteral("フォルダー%1に保存できません。").arg(m_folder));
    for (const QString &name : std::as_const(lost))
        say(name + QStringLiteral("の受信が出来ませんでした。"));
    say(reason);
    say(QStringLiteral("待ち受けを続けます。次のプログラムはフォルダーを開き直して保存します。"));
}

// What waited for the disk's answer will hear none.
void ReceiveJob::giveUp(const QStringList &lost)
{
    m_log.forgetPrograms(lost.value(0), m_entry);
    m_log.writerDone();
    m_awaitWriter = false;
    for (const QString &line : lost)
        say(line);
    flush();
}

void ReceiveJob::end(End how)
{
    m_listening = false;
    m_programOpen = false;
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    m_writer->close();
    if (std::exchange(m_awaitWriter, false))
        m_log.awaitWriter();
    if (how == End::Failed || m_end == End::None)
        m_end = how;
    flush();
    if (m_end != End::None && !m_slowDisk.isActive() && !m_slowShown)
        m_slowDisk.start();
}

void ReceiveJob::sayLineErrors()
{
    for (const QString &line : std::exchange(m_batchErrors, {}))
        say(line);
}

void ReceiveJob::say(const QString &line)
{
    m_log.say({line});
    flush();
}

// Lines go out in order, each once what it waits for has been done; the end, once all have.
void ReceiveJob::flush()
{
    for (const QString &line : m_log.takeReady())
        emit logLine(line);
    if (!m_log.isEmpty() || m_end == End::None)
        return;
    const End how = std::exchange(m_end, End::None);
    m_active = false;
    m_slowDisk.stop();
    if (how == End::Ended)
        emit logLine(m_listen ? QStringLiteral("待ち受けを終了しました。")
                              : QStringLiteral("受信を終了しました。"));
    emit ended(how == End::Failed);
}

void ReceiveJob::onWriter(const ReceiveWriter::Report &report)
{
    using Kind = ReceiveWriter::Report::Kind;
    if (!m_active)
        return;
    if (report.kind == Kind::Failed) {
        // What waited will not come; the reception ends as a failure to write always did, unless
        // the line had failed first. Its end still waits for the writer, which lets go of the
        // program's hidden name only as it finishes.
        const QStringList lost = m_log.forgetPrograms(report.reason, m_entry);
        if (m_end == End::Failed)
            return flush();
        if (m_listen && m_listening)
            return diskFailed(lost, report.reason);
        m_receiveName = report.name;
        return fail(report.reason);
    }
    if (report.kind == Kind::Finished) { // lost: given up by settle()
        giveUp(report.lost);
        if (m_listening)
            end(End::Ended);
        return;
    }
    if (m_log.answer(report, m_folder, m_entry))
        flush();
}

// The line is done with, the disk is not: the dialog comes back to say so, and offers to give up.
void ReceiveJob::slowDisk()
{
    if (m_end == End::None)
        return;
    m_slowShown = true;
    emit waiting(QStringLiteral("受信したプログラムを保存しています。\r\n保存先が応答しません。\r\n"
                                "[中止]を押すと保存をあきらめます。元のプログラムはそのままです。"));
    emit received(m_received);
}

QString ReceiveJob::settle(int timeoutMs)
{
    std::shared_ptr<ReceiveWriter> writer;
    {
        const std::lock_guard hold(m_writerLock);
        writer = m_writer;
    }
    return writer ? writer->settle(timeoutMs) : QString();
}
