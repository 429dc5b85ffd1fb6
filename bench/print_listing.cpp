// SPDX-License-Identifier: GPL-2.0-or-later
// Measures how long a listing of the largest printable file (65000 bytes) takes to become a PDF,
// once as a program of short lines and once as one line without a break, in two columns.
//   QT_QPA_PLATFORM=offscreen build/bin/bench_print_listing [folder to keep the PDFs in]
#include "core/AppState.h"
#include "platform/print/QtPrintSurface.h"
#include "platform/ui/FontSubstitutes.h"
#include "print/PrintCommands.h"
#include "support/ListedRows.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/ScriptedPrintDialogs.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QByteArray program()
{
    QByteArray text = "O1000 (荒加工 φ10 エンドミル)\r\n";
    for (int i = 1; text.size() < 64980; ++i)
        text += "N" + QByteArray::number(i) + " G01 X" + QByteArray::number(i % 97) + ".125 Y-12.5 F200\r\n";
    return text.leftJustified(65000 - 5, ' ') + "\r\nM30";
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    FontSubstitutes::install();
    QTemporaryDir temporary;
    const QString keep = argc > 1 ? QDir(QString::fromLocal8Bit(argv[1])).absolutePath() : temporary.path();
    QDir::setCurrent(temporary.path());
    const std::pair<const char *, QByteArray> files[] = {{"PROGRAM.MIN", program()},
                                                         {"ONELINE.MIN", QByteArray(65000, 'X')}};
    int failures = 0;
    for (const auto &[name, content] : files) {
        QFile file(QString::fromLatin1(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return 1;
        file.close();
        AppState state;
        state.Print.PrintLineNo = PrintOptions::Columns::Two;
        ListedRows rows;
        rows.list = {{file.fileName(), file.fileName(), true, false}};
        QtPrintSurface printer(QtPrintSurface::Target::Pdf, keep);
        ScriptedPrintDialogs dialogs;
        ScriptedMessageBoxes messages;
        LinesLog log;
        PrintCommands commands(state, rows, printer, dialogs, messages, log, nullptr);
        QElapsedTimer clock;
        clock.start();
        commands.mnuFilePrint_Click();
        const double seconds = clock.nsecsElapsed() / 1e9;
        const bool printed = log.lines.endsWith(QStringLiteral("印刷が終了しました。"));
        failures += printed ? 0 : 1;
        std::printf("%s: %lld bytes to %s in %.3f s%s\n", name, qlonglong(content.size()),
                    qPrintable(printer.pdfFile()), seconds, printed ? "" : " FAILED");
    }
    return failures;
}
