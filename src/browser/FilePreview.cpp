#include "browser/FilePreview.h"

#include "browser/DataPane.h"
#include "browser/FileListView.h"
#include "browser/PictureReader.h"
#include "core/AppState.h"
#include "core/DisplayText.h"
#include "core/FileTypeCatalogue.h"
#include "platform/BusyCursor.h"
#include "platform/MessageBoxes.h"

#include <QDir>
#include <QFile>
#include <QTreeWidgetItem>

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
    QFile file(QDir::current().filePath(diskName));
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        m_messages.show(shownName + QStringLiteral(" ファイルが開けません."), QString(),
                        MessageBoxes::Icon::None);
        return;
    }
    m_data.setText(DisplayText::decode(bytes));
}

void FilePreview::PreviewImageFile(const QString &diskName)
{
    const BusyCursor busy;
    m_data.hideText();
    // A picture that cannot be read changes nothing more, silently.
    const QImage picture = PictureReader::read(QDir::current().filePath(diskName));
    if (!picture.isNull())
        m_data.showPicture(picture);
}
