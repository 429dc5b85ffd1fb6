// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FilePreview.h"

#include "browser/DataPane.h"
#include "browser/FileListView.h"
#include "browser/PictureReader.h"
#include "core/AppState.h"
#include "core/DisplayText.h"
#include "core/FileTypeCatalogue.h"
#include "platform/files/MountQuestion.h"
#include "platform/files/NativeFile.h"
#include "platform/text/SystemReason.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/MessageBoxes.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <memory>

void FilePreview::PreviewListedFile()
{
    // While a transfer's abort dialog is up, the pane belongs to the transfer's echo.
    if (m_state.Transfer.DialogShown)
        return;
    const std::optional<FileRow> row = m_files.currentRow();
    if (!row)
        return;
    m_state.CurrentFileName = row->text;
    if (FileTypeCatalogue::IsTextFile(m_state.CurrentFileName))
        PreviewTextFile(m_state.CurrentFileName, row->diskName);
    else if (FileTypeCatalogue::IsImageFile(m_state.CurrentFileName))
        PreviewImageFile(row->diskName);
    else
        m_data.clear();
}

void FilePreview::rowVanished(const QString &text)
{
    if (m_state.Transfer.DialogShown || text != m_state.CurrentFileName)
        return;
    if (m_files.currentRow())
        PreviewListedFile();
    else
        m_data.clear();
}

QString FilePreview::pathOf(const QString &diskName) const
{
    return NativeFile::join(QDir::fromNativeSeparators(m_state.CurrentFolder), diskName);
}

void FilePreview::PreviewTextFile(const QString &shownName, const QString &diskName)
{
    m_data.showTextBox();
    struct Read {
        QByteArray bytes;
        QString why;
    };
    const quint64 turn = ++m_turn;
    m_reading = true;
    const QString path = pathOf(diskName);
    MountQuestion::ask(
        &m_answers, path,
        [path] {
            QFile file;
            Read read;
            // Opened without waiting: a row may lead, through links, to a pipe that has no writer.
            const Outcome opened = NativeFile::open(file, path, QIODevice::ReadOnly);
            read.why = opened.reason();
            // A program of hundreds of megabytes would take long: only its beginning is shown.
            if (opened) {
                read.bytes = file.read(PreviewBytes + 1);
                if (file.error() != QFileDevice::NoError)
                    read.why = SystemReason::of(file);
            }
            return read;
        },
        [this, turn, shownName](const std::optional<Read> &read) {
            if (turn != m_turn)
                return; // another row was chosen meanwhile
            m_reading = false;
            const QString why = read ? read->why : SystemReason::of(ETIMEDOUT);
            if (!why.isEmpty()) {
                m_messages.show(shownName + QStringLiteral(" ファイルが開けません.\n") + why, QString(),
                                MessageBoxes::Icon::None);
                return;
            }
            m_data.setText(previewText(read->bytes));
        });
}

QString FilePreview::previewText(const QByteArray &bytes, qint64 limit)
{
    if (bytes.size() <= limit)
        return DisplayText::decode(bytes);
    QString text = DisplayText::decodeBeginning(bytes.first(limit));
    if (!text.endsWith(QLatin1Char('\n')) && !text.endsWith(QLatin1Char('\r')))
        text += QLatin1Char('\n');
    return text + cutNotice();
}

QString FilePreview::cutNotice()
{
    return QStringLiteral("（以下省略：ファイルが大きいため先頭の %1 KB だけを表示しています）")
        .arg(PreviewBytes / 1024);
}

void FilePreview::PreviewImageFile(const QString &diskName)
{
    auto busy = std::make_shared<BusyCursor>();
    m_data.clear(); // the previous picture must not stay up under another row
    m_data.hideText();
    const quint64 turn = ++m_turn;
    m_reading = true;
    const QString path = pathOf(diskName);
    // A picture that cannot be read, or is not read in time, shows the empty text box, as any file that
    // cannot be previewed. Not reported.
    MountQuestion::ask(
        &m_answers, path, [path] { return PictureReader::read(path); },
        [this, turn, busy](const std::optional<QImage> &picture) {
            if (turn != m_turn)
                return;
            m_reading = false;
            if (!picture || picture->isNull())
                m_data.clear();
            else
                m_data.showPicture(*picture);
        },
        PictureReader::LongestMs);
}
