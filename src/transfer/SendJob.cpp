#include "transfer/SendJob.h"

#include "core/AppState.h"
#include "core/DisplayText.h"
#include "core/FileTypeCatalogue.h"
#include "platform/NativeFile.h"
#include "platform/SerialPort.h"
#include "transfer/LineFlow.h"
#include "transfer/TransferWait.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringEncoder>

SendJob::SendJob(AppState &state, SerialPort &port, LineFlow &flow, QObject *parent)
    : QObject(parent), m_state(state), m_port(port), m_flow(flow)
{
}

void SendJob::run(const QList<FileRow> &files, const QString &folder)
{
    TransferState &transfer = m_state.Transfer;
    m_machine = m_state.Machine;
    m_folder = folder;
    m_failure.clear();
    // A failure before the first file is taken up names the first file, not an older one.
    if (!files.isEmpty())
        m_state.CurrentFileName = files.first().text;
    m_port.setInputLen(0);
    m_port.setInputLatency(0); // a DC3 must stop the sending at once
    if (!m_port.setPortOpen(true)) {
        fail(m_port.errorString());
        return;
    }
    m_running = true;
    m_flow.reset();
    transfer.EndFlag = false;
    for (const FileRow &file : files) {
        // Tested before each file: an abort during the pause after the previous one stops the batch.
        if (transfer.EndFlag)
            return cancel();
        m_state.CurrentFileName = file.text;
        if (!FileTypeCatalogue::IsTextFile(file.text)) {
            emit logLine(file.text + QStringLiteral("はテキストファイルでないので送信できません。"));
            continue;
        }
        switch (sendFile(file)) {
        case Outcome::Failed:
            fail(m_failure);
            return;
        case Outcome::Cancelled:
            return cancel();
        case Outcome::Sent:
            emit sent(file.diskName);
            emit logLine(QStringLiteral("送信が完了しました。"));
            break;
        }
    }
    end();
}

SendJob::Outcome SendJob::sendFile(const FileRow &file)
{
    QFile &source = m_state.Transfer.TransferFile;
    emit echoCleared();
    if (m_machine.pacesWithDc()) {
        emit prompt(QStringLiteral("   ファイルを送信します。\r\n    機械側で読込み(リード)してください。"));
        emit progress(0, 1, file.text); // nothing sent yet
        if (!waitForDc1())
            return stopOutcome();
    }
    const QString opened =
        NativeFile::open(source, QDir(m_folder).filePath(file.diskName), QIODevice::ReadOnly);
    const QByteArray content = opened.isEmpty() ? source.readAll() : QByteArray();
    if (!opened.isEmpty() || source.error() != QFileDevice::NoError) {
        m_failure = opened.isEmpty() ? source.errorString() : opened;
        return Outcome::Failed;
    }
    emit prompt(file.text + QStringLiteral("を送信中です。"));
    emit progress(0, content.size(), file.text);
    emit logLine(file.text + QStringLiteral("を送信中です..."));
    if (!header(file))
        return stopOutcome();

    qint64 done = 0;
    for (const QByteArray &line : lines(content)) {
        if (!sendLine(line + '\n'))
            return stopOutcome();
        if (m_machine.echoes())
            emit echo(DisplayText::decode(line) + QLatin1Char('\n'));
        done = qMin(done + line.size() + 2, qint64(content.size()));
        emit progress(done, content.size(), file.text);
    }
    if (!waitWhileHeld() || !write("%\r\n"))
        return stopOutcome();
    // The trailer goes out whole before the pause: the port closes after the last file.
    TransferWait([this] { return m_port.outBufferCount() == 0 || stopped(); });
    source.close();
    if (!stopped())
        m_state.WaitSeconds(3);
    return m_failure.isEmpty() ? Outcome::Sent : Outcome::Failed;
}

// OSP: "$", the name as listed in the machine's code page, "%"; with flow 2 the machine asks again.
bool SendJob::header(const FileRow &file)
{
    if (!m_machine.isOsp())
        return write("%\r\n");
    QStringEncoder shiftJis("Shift_JIS");
    const QByteArray name = shiftJis.encode(file.text);
    if (shiftJis.hasError()) {
        m_failure = QStringLiteral("%1の名前にShift_JISで送れない文字があります。").arg(file.text);
        return false;
    }
    return write('$' + name + "%\r\n") && (!m_machine.waitsForDc1AfterName() || waitForDc1());
}

// Hands one line to the port and waits until it has gone out or the machine has said to hold.
bool SendJob::sendLine(const QByteArray &bytes)
{
    if (!waitWhileHeld() || !write(bytes))
        return false;
    const bool paced = m_machine.pacesWithDc();
    TransferWait([&] { return m_port.outBufferCount() == 0 || (paced && m_flow.held()) || stopped(); });
    return !stopped();
}

bool SendJob::waitWhileHeld()
{
    if (m_machine.pacesWithDc()) {
        QCoreApplication::processEvents(); // hear what the machine said about the last line first
        TransferWait([this] { return !m_flow.held() || stopped(); });
    }
    return !stopped();
}

bool SendJob::waitForDc1()
{
    m_flow.forgetDc1();
    TransferWait([this] { return m_flow.dc1Seen() || stopped(); });
    return !stopped();
}

bool SendJob::write(const QByteArray &bytes)
{
    if (m_port.output(bytes))
        return true;
    if (m_failure.isEmpty()) // the first reason is the one worth telling
        m_failure = m_port.errorString();
    return false;
}

bool SendJob::stopped() const
{
    return m_state.Transfer.EndFlag || !m_failure.isEmpty();
}

void SendJob::portFailed(const QString &description)
{
    if (m_running && m_failure.isEmpty())
        m_failure = description;
}

QList<QByteArray> SendJob::lines(const QByteArray &content)
{
    QList<QByteArray> result;
    qsizetype start = 0;
    while (start < content.size()) {
        const qsizetype cr = content.indexOf('\r', start);
        if (cr < 0) {
            result.append(content.mid(start));
            break;
        }
        result.append(content.mid(start, cr - start));
        start = cr + 1;
        if (start < content.size() && content.at(start) == '\n')
            ++start;
    }
    return result;
}

// The description is a copy: end() forgets the failure it may come from.
void SendJob::fail(const QString &description)
{
    const QString reason = description;
    end();
    emit logLine(m_state.CurrentFileName + QStringLiteral("の送信が出来ませんでした。"));
    emit logLine(reason);
}

// The rows not sent keep their marks.
void SendJob::cancel()
{
    emit logLine(QStringLiteral("送信がキャンセルされました。"));
    end();
}

void SendJob::end()
{
    m_state.Transfer.TransferFile.close();
    m_state.Transfer.EndFlag = true;
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    m_failure.clear();
    m_running = false;
}
