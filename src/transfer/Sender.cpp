#include "transfer/Sender.h"

#include "browser/DataPane.h"
#include "browser/FileListView.h"
#include "core/AppState.h"
#include "core/DisplayText.h"
#include "core/FileTypeCatalogue.h"
#include "core/Log.h"
#include "platform/SerialPort.h"
#include "transfer/TransferWait.h"
#include "transfer/frmCancelSend.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringEncoder>
#include <QTextCursor>
#include <QTextEdit>

Sender::Sender(const TransferContext &context, QObject *parent) : QObject(parent), m_context(context) {}

void Sender::mnuTransOutput_Click()
{
    const QTreeWidgetItem *current = m_context.files.currentItem();
    if (m_context.files.rowCount() == 0 || !current || !current->isSelected())
        return;
    // A failure before the first file is taken up names the first marked file, not an older one.
    for (int i = 0; i < m_context.files.rowCount(); ++i) {
        if (m_context.files.row(i)->isSelected()) {
            m_context.state.CurrentFileName = m_context.files.row(i)->text(FileListView::NameColumn);
            break;
        }
    }
    m_context.port.setInputLen(0);
    if (!m_context.port.setPortOpen(true)) {
        fail(m_context.state.CurrentFileName, m_context.port.errorString());
        return;
    }
    m_context.state.Transfer.Held = false;
    for (int i = 0; i < m_context.files.rowCount(); ++i) {
        QTreeWidgetItem *row = m_context.files.row(i);
        if (!row->isSelected())
            continue;
        m_context.state.CurrentFileName = row->text(FileListView::NameColumn);
        if (!FileTypeCatalogue::IsTextFile(m_context.state.CurrentFileName)) {
            m_context.log.addLine(m_context.state.CurrentFileName +
                                  QStringLiteral("はテキストファイルでないので送信できません。"));
            continue;
        }
        const Outcome outcome = sendFile(m_context.state.CurrentFileName, FileListView::diskName(row));
        if (outcome == Outcome::Failed) {
            fail(m_context.state.CurrentFileName, m_failure);
            return;
        }
        if (outcome == Outcome::Cancelled) {
            m_context.log.addLine(QStringLiteral("送信がキャンセルされました。"));
            end();
            return;
        }
        if (row->flags() & Qt::ItemIsUserCheckable)
            row->setCheckState(FileListView::NameColumn, Qt::Unchecked);
        row->setSelected(false);
        m_context.log.addLine(QStringLiteral("送信が完了しました。"));
    }
    end();
}

Sender::Outcome Sender::sendFile(const QString &name, const QString &diskName)
{
    TransferState &transfer = m_context.state.Transfer;
    const MachineSettings &machine = m_context.state.Machine;
    m_context.data.text()->clear();
    transfer.EndFlag = false;
    if (machine.Flow >= 1) {
        transfer.Dc1Seen = false;
        m_context.dialog.setText(
            QStringLiteral("   ファイルを送信します。\r\n    機械側で読込み(リード)してください。"));
        m_context.dialog.setProgress(0, 1, name); // nothing sent yet
        m_context.dialog.show();
        if (!waitForDc1())
            return m_failure.isEmpty() ? Outcome::Cancelled : Outcome::Failed;
    }

    transfer.TransferFile.setFileName(QDir::current().filePath(diskName));
    if (!transfer.TransferFile.open(QIODevice::ReadOnly)) {
        m_failure = transfer.TransferFile.errorString();
        return Outcome::Failed;
    }
    const QByteArray content = transfer.TransferFile.readAll();
    if (transfer.TransferFile.error() != QFileDevice::NoError) {
        m_failure = transfer.TransferFile.errorString();
        transfer.TransferFile.close();
        return Outcome::Failed;
    }
    m_context.dialog.setText(name + QStringLiteral("を送信中です。"));
    m_context.dialog.setProgress(0, content.size(), name);
    m_context.dialog.show();
    m_context.log.addLine(name + QStringLiteral("を送信中です..."));

    if (machine.Controller == 0) {
        QStringEncoder ansi("Shift_JIS");
        if (!write('$' + QByteArray(ansi.encode(name)) + "%\r\n"))
            return Outcome::Failed;
        if (machine.Flow == 2) {
            transfer.Dc1Seen = false;
            if (!waitForDc1())
                return m_failure.isEmpty() ? Outcome::Cancelled : Outcome::Failed;
        }
    } else if (!write("%\r\n")) {
        return Outcome::Failed;
    }

    qint64 sent = 0;
    const bool echo = machine.Echo == QLatin1String("ON");
    for (const QByteArray &line : lines(content)) {
        // Held by a DC3 that came between two lines: the machine is not ready for more.
        QCoreApplication::processEvents(); // hear what the line has said before the next line goes
        if (machine.Flow >= 1)
            TransferWait([&] { return !transfer.Held || stopped(); });
        if (!m_failure.isEmpty())
            return Outcome::Failed;
        if (transfer.EndFlag)
            return Outcome::Cancelled;
        if (!write(line + '\n'))
            return Outcome::Failed;
        if (machine.Flow >= 1) {
            transfer.Dc3Seen = false;
            TransferWait(
                [&] { return transfer.Dc3Seen || m_context.port.outBufferCount() == 0 || stopped(); });
            if (transfer.Dc3Seen || transfer.Held) {
                transfer.Dc1Seen = false;
                TransferWait([&] { return transfer.Dc1Seen || !transfer.Held || stopped(); });
            }
        } else {
            TransferWait([&] { return m_context.port.outBufferCount() == 0 || stopped(); });
        }
        if (!m_failure.isEmpty())
            return Outcome::Failed;
        if (echo) {
            QTextEdit *pane = m_context.data.text();
            QTextCursor cursor(pane->document());
            cursor.movePosition(QTextCursor::End);
            cursor.insertText(DisplayText::decode(line) + QLatin1Char('\n'));
            pane->setTextCursor(cursor);
        }
        sent += line.size() + 2;
        m_context.dialog.setProgress(qMin(sent, qint64(content.size())), content.size(), name);
        if (transfer.EndFlag)
            return Outcome::Cancelled;
    }
    if (!write("%\r\n"))
        return Outcome::Failed;
    TransferWait([&] { return m_context.port.outBufferCount() == 0 || stopped(); });
    transfer.TransferFile.close();
    m_context.state.WaitSeconds(3);
    return m_failure.isEmpty() ? Outcome::Sent : Outcome::Failed;
}

bool Sender::waitForDc1()
{
    TransferWait([this] { return m_context.state.Transfer.Dc1Seen || stopped(); });
    return !stopped();
}

bool Sender::stopped() const
{
    return m_context.state.Transfer.EndFlag || !m_failure.isEmpty();
}

void Sender::portFailed(const QString &description)
{
    if (m_context.state.Transfer.Running && m_failure.isEmpty())
        m_failure = description;
}

bool Sender::write(const QByteArray &bytes)
{
    if (m_context.port.output(bytes))
        return true;
    m_failure = m_context.port.errorString();
    return false;
}

QList<QByteArray> Sender::lines(const QByteArray &content)
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
void Sender::fail(const QString &name, QString description)
{
    m_context.state.Transfer.TransferFile.close();
    end();
    m_context.log.addLine(name + QStringLiteral("の送信が出来ませんでした。"));
    m_context.log.addLine(description);
}

void Sender::end()
{
    m_context.state.Transfer.TransferFile.close();
    m_context.state.Transfer.EndFlag = true;
    m_context.dialog.hide();
    if (m_context.port.portOpen())
        m_context.port.setPortOpen(false);
    m_failure.clear();
}
