#include "fileops/ReceivingFile.h"

#include "core/TransferState.h"

#include <QDir>
#include <QFileInfo>

namespace {

// A sent file is read whole when its sending starts; only a reception holds its file for writing.
QString receivedPath(const TransferState &transfer)
{
    const QFile &file = transfer.TransferFile;
    if (!file.isOpen() || !(file.openMode() & QIODevice::WriteOnly))
        return {};
    return QFileInfo(file.fileName()).canonicalFilePath();
}

} // namespace

bool ReceivingFile::is(const TransferState &transfer, const QString &path)
{
    const QString received = receivedPath(transfer);
    return !received.isEmpty() && received == QFileInfo(path).canonicalFilePath();
}

bool ReceivingFile::isIn(const TransferState &transfer, const QString &folder)
{
    const QString received = receivedPath(transfer);
    return !received.isEmpty() && QFileInfo(received).path() == QFileInfo(folder).canonicalFilePath();
}
