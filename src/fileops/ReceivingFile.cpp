#include "fileops/ReceivingFile.h"

#include "core/TransferState.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The canonical folder and the name as given: the file itself may not exist yet.
QString canonical(const QString &path)
{
    const QFileInfo info(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(info.fileName());
}

} // namespace

bool ReceivingFile::is(const TransferState &transfer, const QString &path)
{
    const QString received = transfer.Receiving.get();
    return !received.isEmpty() && received == canonical(path);
}

bool ReceivingFile::isIn(const TransferState &transfer, const QString &folder)
{
    const QString received = transfer.Receiving.get();
    return !received.isEmpty() && QFileInfo(received).path() == QFileInfo(folder).canonicalFilePath();
}
