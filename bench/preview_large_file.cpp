// SPDX-License-Identifier: GPL-2.0-or-later
// Measures how long the data pane takes to show a 100 MB program, from the click to the painted pane;
// the goal is under 0.1 s, as only its beginning is read.
//   QT_QPA_PLATFORM=offscreen build/bin/bench_preview_large_file
#include "browser/DataPane.h"
#include "browser/FileListView.h"
#include "browser/FilePreview.h"
#include "core/AppState.h"
#include "support/ScriptedMessageBoxes.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextEdit>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir temporary;
    QDir::setCurrent(temporary.path());
    constexpr qint64 Size = qint64(100) << 20;
    QFile file(QStringLiteral("HUGE.MIN"));
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    QByteArray block;
    for (int i = 1; block.size() < (1 << 20); ++i)
        block += "N" + QByteArray::number(i) + " G01 X" + QByteArray::number(i % 97) + ".125 Y-12.5 F200\r\n";
    block.truncate(1 << 20);
    for (qint64 written = 0; written < Size; written += block.size()) {
        if (file.write(block) != block.size())
            return 1;
    }
    file.close();

    QWidget window;
    auto *text = new QTextEdit(&window);
    auto *image = new QLabel(&window);
    text->setGeometry(0, 0, 640, 480);
    window.resize(640, 480);
    window.show();
    AppState state;
    FileListView files(state);
    DataPane pane(text, image);
    ScriptedMessageBoxes messages;
    FilePreview preview(state, files, pane, messages);

    // The first preview also loads the fonts; the user meets the second as often.
    double seconds[2] = {};
    for (double &taken : seconds) {
        text->clear();
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        preview.PreviewTextFile(QStringLiteral("HUGE.MIN"), file.fileName());
        text->viewport()->repaint();
        QCoreApplication::processEvents();
        taken = clock.nsecsElapsed() / 1e9;
    }
    const bool shown =
        text->toPlainText().startsWith(QStringLiteral("N1 G01 X1.125")) && messages.shown.isEmpty();
    std::printf("HUGE.MIN: %lld bytes shown in %.3f s, again in %.3f s (goal 0.100 s)%s\n", Size, seconds[0],
                seconds[1], shown ? "" : " FAILED");
    return shown ? 0 : 1;
}
