// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/AppState.h"
#include "core/FolderPane.h"
#include "core/Log.h"
#include "fileops/FileCommands.h"
#include "fileops/FolderCommands.h"
#include "fileops/FolderNameDialog.h"
#include "fileops/PasteProgress.h"
#include "platform/files/FileProtection.h"
#include "platform/files/NativeFile.h"
#include "platform/files/NativeName.h"
#include "support/FolderRows.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TestDir.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <functional>
#include <limits>

inline const QDateTime Made(QDate(2001, 2, 3), QTime(4, 5, 6));

// Runs act on the modal dialog that the next exec() shows, then closes it if still open.
inline void whenShown(const std::function<void(FolderNameDialog &)> &act)
{
    QTimer::singleShot(0, [act] {
        auto *dialog = qobject_cast<FolderNameDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        act(*dialog);
        dialog->reject(); // also when act failed half-way: the test goes on
    });
}

// Stands for the paste's progress dialog: キャンセル is pressed once cancelAt files are done, at the
// look after `pieces` pieces of the next file have been written.
struct ScriptedPasteProgress final : PasteProgress {
    void start(qsizetype files) override { total = files; }
    void show(qsizetype files) override
    {
        done = files;
        looks = 0;
    }
    bool cancelled() override { return done >= cancelAt && looks++ >= pieces; }
    void finish() override {}

    qsizetype cancelAt = std::numeric_limits<qsizetype>::max();
    int pieces = 0;
    qsizetype total = -1;
    qsizetype done = 0;
    int looks = 0;
};

// The file and folder commands without a window, in a temporary folder: the list is the current
// folder's files with marks set by name, the folder pane the current folder itself.
struct FileOpsRig final : FolderPane, Log {
    FileOpsRig() { showFolder(folder.path()); }

    void mark(const QStringList &selected, const QStringList &checked = {})
    {
        list.RefreshFileList();
        for (FileRow &row : list.list) {
            row.selected = selected.contains(row.text);
            row.checked = checked.contains(row.text);
        }
    }

    // Copies the files of sub marked by name; shows the folder into afterwards, if one is given.
    void copy(const QString &sub, const QStringList &names, const QString &into = {})
    {
        showFolder(folder.filePath(sub));
        mark(names);
        files().mnuEditCopy_Click();
        if (!into.isEmpty())
            showFolder(folder.filePath(into));
    }

    void Dir1_Click() override { ++folderClicks; }
    void showFolder(const QString &path) override
    {
        state.CurrentFolder = list.folder = path;
        list.RefreshFileList();
    }
    void rereadFolders() override { ++folderRereads; }

    void addLine(const QString &line) override { log << line; }
    void clear() override { log.clear(); }

    FileCommands files() { return FileCommands(state, list, buffer, *this, boxes, *this, &progress); }
    FolderCommands folders() { return FolderCommands(state, list, *this, boxes, *this, nullptr); }

    // "name=content", "!name=content" (protected) or "name/" (a folder), made in 2001, into sub. A byte
    // of a name that is not UTF-8 is written "\xE9".
    void put(const QString &sub, const QStringList &files)
    {
        folder.addFolder(sub);
        for (const QString &entry : files) {
            const QString name = sub + '/' + entry.section('=', 0, 0).remove('!');
            if (name.endsWith('/')) {
                folder.addFolder(name);
                continue;
            }
            const QString path = folder.addRawFile(bytesOf(name), entry.section('=', 1).toUtf8());
            QFile file;
            if (!NativeFile::open(file, path, QIODevice::Append).ok() ||
                !file.setFileTime(Made, QFileDevice::FileModificationTime))
                qFatal("cannot date %s", qPrintable(name));
            if (entry.startsWith('!') && !FileProtection::protect(path))
                qFatal("cannot protect %s", qPrintable(name));
        }
    }
    static QByteArray bytesOf(const QString &notation)
    {
        QByteArray bytes;
        for (qsizetype i = 0; i < notation.size(); ++i) {
            if (notation.mid(i, 2) == QLatin1String("\\x")) {
                bytes += QByteArray::fromHex(notation.mid(i + 2, 2).toLatin1());
                i += 3;
            } else {
                bytes += QString(notation[i]).toUtf8();
            }
        }
        return bytes;
    }
    static QString readable(const QString &name)
    {
        QString text;
        for (const QChar c : name) {
            text += NativeName::isEscaped(QString(c))
                        ? QStringLiteral("\\x%1").arg(NativeName::toBytes(QString(c)).toHex().toUpper())
                        : QString(c);
        }
        return text;
    }
    QString at(const QString &name) const { return NativeFile::join(state.CurrentFolder, name); }
    // The current folder's files, hidden ones too, in the same notation, by name.
    QStringList contents() const
    {
        QStringList names = NativeFile::entries(state.CurrentFolder);
        std::sort(names.begin(), names.end());
        QStringList all;
        for (const QString &name : std::as_const(names)) {
            const QString path = NativeFile::join(state.CurrentFolder, name);
            const std::optional<NativeFile::Status> status = NativeFile::status(path);
            if (!status || !status->isFile)
                continue;
            QFile file;
            const bool read = NativeFile::open(file, path, QIODevice::ReadOnly).ok();
            all << (FileProtection::isProtected(status->permissions) ? "!" : "") + readable(name) + '=' +
                       (read ? file.readAll() : "?");
        }
        return all;
    }
    QStringList shown() const // the texts of the message boxes, in order
    {
        QStringList texts;
        for (const ScriptedMessageBoxes::Shown &box : boxes.shown)
            texts << box.text;
        return texts;
    }

    TestDir folder;
    AppState state;
    CopyBuffer buffer;
    ScriptedMessageBoxes boxes;
    ScriptedPasteProgress progress;
    FolderRows list;
    QStringList log;
    int folderClicks = 0;
    int folderRereads = 0;
};
