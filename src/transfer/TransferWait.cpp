#include "transfer/TransferWait.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>

void TransferWait(const std::function<bool()> &condition)
{
    while (!condition())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}
