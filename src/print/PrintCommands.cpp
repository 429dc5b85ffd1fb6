// SPDX-License-Identifier: GPL-2.0-or-later
#include "print/PrintCommands.h"

#include "core/AppState.h"
#include "core/DisplayText.h"
#include "core/FileRows.h"
#include "core/FileTypeCatalogue.h"
#include "core/Log.h"
#include "core/MarkedRows.h"
#include "platform/files/NativeFile.h"
#include "platform/print/PrintSurface.h"
#include "platform/text/SystemReason.h"
#include "platform/ui/MessageBoxes.h"
#include "print/ListingPrinter.h"
#include "print/PrintSetting.h"

#include <QDate>
#include <QFile>

PrintCommands::PrintCommands(AppState &state, FileRows &files, PrintSurface &printer, PrintDialogs &dialogs,
                             MessageBoxes &messages, Log &log, QWidget *window)
    : QObject(window), m_state(state), m_files(files), m_printer(printer), m_dialogs(dialogs),
      m_messages(messages), m_log(log), m_window(window)
{
}

PrintCommands::~PrintCommands()
{
    delete m_dialog;
}

PrintSetting *PrintCommands::dialog() const
{
    return m_dialog;
}

void PrintCommands::mnuFilePrinterSetup_Click()
{
    if (!m_dialog)
        m_dialog = new PrintSetting(m_state.Print, m_dialogs, m_window);
    m_dialog->fill();
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void PrintCommands::mnuFilePrint_Click()
{
    const QList<FileRow> rows = m_files.rows();
    const std::optional<FileRow> current = m_files.currentRow();
    if (rows.isEmpty() || !current || !current->selected)
        return;
    // A transfer paused in its wait keeps its lines in the log and the name it works on.
    const bool transferring = m_state.Transfer.Running;
    const QString transferName = m_state.CurrentFileName;
    if (!transferring)
        m_log.clear();
    ListingPrinter listing(m_state.Print, m_printer);
    const QString refusal = listing.PreparePrinter();
    if (!refusal.isEmpty()) {
        m_log.addLine(refusal);
        return;
    }
    for (const FileRow &row : MarkedRows::of(rows, m_files.checkBoxes(), MarkedRows::Rule::Action))
        printFile(listing, row);
    if (transferring)
        m_state.CurrentFileName = transferName;
}

void PrintCommands::printFile(ListingPrinter &listing, const FileRow &row)
{
    m_state.CurrentFileName = row.text;
    const QString &name = m_state.CurrentFileName;
    const QString path = NativeFile::join(m_state.CurrentFolder, row.diskName);
    const std::optional<NativeFile::Status> status = NativeFile::status(path);
    if (!FileTypeCatalogue::IsTextFile(name)) {
        m_log.addLine(name + QStringLiteral("はテキストでないので印刷が出来ません。"));
        return;
    }
    if (status && status->size > MaximumSize) {
        m_log.addLine(name + QStringLiteral("はサイズが大きすぎるため印刷が出来ません。"));
        return;
    }
    m_log.addLine(name + QStringLiteral("を印刷中です..."));
    // Read whole before the job starts: a file that cannot be read prints nothing, not a lone header.
    const auto failed = [this, &name](const QString &why) {
        m_log.addLine(name + QStringLiteral("を印刷出来ませんでした。"));
        m_log.addLine(why);
    };
    QFile file;
    Outcome read = NativeFile::open(file, path, QIODevice::ReadOnly);
    QByteArray bytes;
    if (read) {
        bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            read = Outcome::failed(SystemReason::of(file));
    }
    if (!read) {
        m_messages.show(name + QStringLiteral(" ファイルが開けません."), QString(), MessageBoxes::Icon::None);
        failed(read.reason());
        return;
    }
    if (!m_printer.beginDocument(name)) {
        failed(m_printer.errorString());
        return;
    }
    listing.startFile(name,
                      ListingPrinter::headerDate(m_state.Print.PrintDate, QDate::currentDate(),
                                                 status ? status->modified.toLocalTime().date() : QDate()));
    listing.PrintListingBody(DisplayText::decode(bytes));
    if (!m_printer.endDocument()) {
        m_log.addLine(name + QStringLiteral("を印刷出来ませんでした。"));
        m_log.addLine(m_printer.errorString());
        return;
    }
    if (!m_printer.pdfFile().isEmpty())
        m_log.addLine(QStringLiteral("プリンターがないため'") + m_printer.pdfFile() +
                      QStringLiteral("'に保存しました。"));
    m_log.addLine(QStringLiteral("印刷が終了しました。"));
}
