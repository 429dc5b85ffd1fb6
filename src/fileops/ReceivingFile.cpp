#include "fileops/ReceivingFile.h"

#include "core/TransferState.h"

#include <QFileInfo>

bool ReceivingFile::is(const TransferState &transfer, const QString &path)
{
    const QString received = transfer.Receiving.get();
    return !received.isEmpty() && received == ReceivingPath::canonical(path);
}

bool ReceivingFile::isIn(const TransferState &transfer, const QString &folder)
{
    const QString received = transfer.Receiving.get();
    return !received.isEmpty() && QFileInfo(received).path() == QFileInfo(folder).canonicalFilePath();
}
