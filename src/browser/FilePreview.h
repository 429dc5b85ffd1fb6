// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QObject>
#include <QString>

struct AppState;
class DataPane;
class FileListView;
class MessageBoxes;

// Shows the list's current row in the data pane: text files as text, pictures fitted into the pane.
// Files are read off the window's thread; what comes after another row was chosen is dropped.
class FilePreview final {
public:
    // How much of a text file the pane shows at most.
    static constexpr qint64 PreviewBytes = 256 * 1024;

    FilePreview(AppState &state, FileListView &files, DataPane &data, MessageBoxes &messages)
        : m_state(state), m_files(files), m_data(data), m_messages(messages)
    {
    }

    void PreviewListedFile();
    // The file of the row named text went away on disk: a pane showing it shows the row now current.
    void rowVanished(const QString &text);
    // shownName is the row's text, used in messages; diskName is the file as it is on disk.
    void PreviewTextFile(const QString &shownName, const QString &diskName);
    void PreviewImageFile(const QString &diskName);
    // The file last asked for is still being read.
    bool reading() const { return m_reading; }

    // What the pane shows of a text file read up to limit + 1 bytes: all of it, or its beginning
    // to a whole line or character and the notice of the cut.
    static QString previewText(const QByteArray &bytes, qint64 limit = PreviewBytes);
    static QString cutNotice();

private:
    QString pathOf(const QString &diskName) const;

    QObject m_answers;  // what a read comes back to; gone with the preview
    quint64 m_turn = 0; // a new one with every file shown
    bool m_reading = false;
    AppState &m_state;
    FileListView &m_files;
    DataPane &m_data;
    MessageBoxes &m_messages;
};
