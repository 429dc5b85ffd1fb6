// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/FilePreview.h"

#include "browser/DataPane.h"
#include "browser/FileListView.h"
#include "browser/PictureReader.h"
#include "core/AppState.h"
#include "core/DisplayText.h"
#include "core/FileTypeCatalogue.h"
#include "platform/BusyCursor.h"
#include "platform/MessageBoxes.h"
#include "platform/NativeFile.h"
#include "platform/SystemReason.h"
#include "platform/WorkingDirectory.h"

#include <QDir>
#include <QFile>
#include <QTreeWidgetItem>

namespace {

const QString CutNotice =
    QStringLiteral("（以下省略：ファイルが大きいため先頭の %1 KB だけを表示しています）")
        .arg(FilePreview::PreviewBytes / 1024);

} // namespace

void FilePreview::PreviewListedFile()
{
    // While a transfer's abort dialog is up, the pane belongs to the transfer's echo.
    if (m_state.Transfer.DialogShown)
        return;
    const QTreeWidgetItem *row = m_files.currentItem();
    if (!row)
        return;
    m_state.CurrentFileName = row->text(FileListView::NameColumn);
    if (FileTypeCatalogue::IsTextFile(m_state.CurrentFileName))
        PreviewTextFile(m_state.CurrentFileName, FileListView::diskName(row));
    else if (FileTypeCatalogue::IsImageFile(m_state.CurrentFileName))
        PreviewImageFile(FileListView::diskName(row));
    else
        m_data.clear();
}

void FilePreview::rowVanished(const QString &text)
{
    if (m_state.Transfer.DialogShown || text != m_state.CurrentFileName)
        return;
    if (m_files.currentItem())
        PreviewListedFile();
    else
        m_data.clear();
}

void FilePreview::PreviewTextFile(const QString &shownName, const QString &diskName)
{
    m_data.showTextBox();
    QFile file;
    QByteArray bytes;
    // Opened without waiting: a row may lead, through links, to a pipe that has no writer.
    QString why =
        NativeFile::open(file, NativeFile::join(WorkingDirectory::current(), diskName), QIODevice::ReadOnly);
    // A program of hundreds of megabytes would hold the window for seconds: only its beginning is shown.
    if (why.isEmpty()) {
        bytes = file.read(PreviewBytes + 1);
        if (file.error() != QFileDevice::NoError)
            why = SystemReason::of(file);
    }
    if (!why.isEmpty()) {
        m_messages.show(shownName + QStringLiteral(" ファイルが開けません.\n") + why, QString(),
                        MessageBoxes::Icon::None);
        return;
    }
    m_data.setText(previewText(bytes));
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
    return CutNotice;
}

void FilePreview::PreviewImageFile(const QString &diskName)
{
    const BusyCursor busy;
    m_data.hideText();
    // A picture that cannot be read shows the empty text box, as any file that cannot be previewed;
    // the previous picture must not stay up under another row. Not reported.
    const QImage picture = PictureReader::read(NativeFile::join(WorkingDirectory::current(), diskName));
    if (picture.isNull())
        m_data.clear();
    else
        m_data.showPicture(picture);
}
