// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

struct AppState;
struct FileRow;
class FileRows;
class ListingPrinter;
class Log;
class MessageBoxes;
class PrintDialogs;
class PrintSetting;
class PrintSurface;
class QWidget;

// The print commands: listings of the marked text files, one print job each, and the print settings.
// Printing never waits on the event loop, so a transfer waiting meanwhile resumes untouched.
class PrintCommands final : public QObject {
    Q_OBJECT
public:
    PrintCommands(AppState &state, FileRows &files, PrintSurface &printer, PrintDialogs &dialogs,
                  MessageBoxes &messages, Log &log, QWidget *window);
    ~PrintCommands() override;

    void mnuFilePrint_Click();
    void mnuFilePrinterSetup_Click();

    PrintSetting *dialog() const;

    static constexpr qint64 MaximumSize = 65000;

private:
    void printFile(ListingPrinter &listing, const FileRow &row);

    AppState &m_state;
    FileRows &m_files;
    PrintSurface &m_printer;
    PrintDialogs &m_dialogs;
    MessageBoxes &m_messages;
    Log &m_log;
    QWidget *m_window;
    QPointer<PrintSetting> m_dialog; // the one instance, made at its first opening
};
