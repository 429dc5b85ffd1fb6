// SPDX-License-Identifier: GPL-2.0-or-later
// Any byte stream from the machine, for an OSP or a FANUC control: the reception ends (by itself, on a
// failure or on the abort the operator gives once the line is quiet, as soon as its disk allows), and
// what it stores stays in the receiving folder, as plain files, with nothing appearing anywhere else.
//
// The first byte chooses: bit 0 FANUC, bit 1 continuous, bit 2 echo, bits 3-4 how the line cuts the
// stream into reads (whole, one byte each, or reads of the second byte's size), bit 5 the device
// vanishing after the stream. For FANUC, the bytes up to the first NUL are the name the operator typed.
#include "FuzzCheck.h"

#include "core/MachineSettings.h"
#include "core/ReceivingPath.h"
#include "support/ScriptedSerialPort.h"
#include "transfer/engine/ReceiveJob.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QTemporaryDir *root = nullptr;
QString folder;  // where programs are received
QString outside; // a file beside it that nothing may touch

QStringList everything(const QString &path)
{
    QStringList found;
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(it.next());
    found.sort();
    return found;
}

QStringList expected; // the tree as set up

void setUp()
{
    QDir(root->path()).mkpath(QStringLiteral("in/SUB.NC"));
    QDir(root->path()).mkpath(QStringLiteral("cwd"));
    QFile locked(root->filePath(QStringLiteral("in/LOCKED.NC")));
    locked.open(QIODevice::WriteOnly);
    locked.write("G0\r\n");
    locked.close();
    locked.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    QFile beside(outside);
    beside.open(QIODevice::WriteOnly);
    beside.write("kept");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    root = new QTemporaryDir;
    folder = root->filePath(QStringLiteral("in"));
    outside = root->filePath(QStringLiteral("beside.txt"));
    setUp();
    expected = everything(root->path());
    // A name resolved against the working directory would land here, and be found.
    QDir::setCurrent(root->filePath(QStringLiteral("cwd")));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const auto flags = quint8(input[0]);
    const bool fanuc = flags & 1, continuous = flags & 2, echoes = flags & 4, vanishes = flags & 32;
    const int cut = (flags >> 3) & 3;
    qsizetype at = 1;
    qsizetype readSize = 0;
    if (cut == 1)
        readSize = 1;
    if (cut >= 2 && at < input.size())
        readSize = qMax(1, int(quint8(input[at++])));
    QString typed;
    if (fanuc) {
        const qsizetype end = input.indexOf('\0', at);
        const qsizetype stop = end < 0 ? input.size() : end;
        typed = QString::fromUtf8(input.mid(at, stop - at)) + QStringLiteral(".NC");
        at = end < 0 ? input.size() : end + 1;
    }
    const QByteArray stream = input.mid(at);

    MachineSettings machine;
    machine.Controller =
        fanuc ? MachineSettings::ControllerFamily::Fanuc : MachineSettings::ControllerFamily::Osp;
    machine.Flow = MachineSettings::FlowMode::DcPacing;
    machine.Echo = echoes ? QStringLiteral("ON") : QStringLiteral("OFF");
    ScriptedSerialPort port;
    ReceivingPath receiving;
    ReceiveJob job(port, receiving);
    bool ended = false;
    QObject::connect(&port, &SerialPort::OnComm, &job, [&](int) {
        const QByteArray text = port.input();
        if (job.listening())
            job.take(text);
    });
    QObject::connect(&port, &SerialPort::failed, &job, &ReceiveJob::portFailed);
    QObject::connect(&job, &ReceiveJob::ended, &job, [&] { ended = true; });

    job.start(continuous, folder, machine, typed);
    // The stream arrives once the reception listens; then the operator aborts, if it is still going.
    if (readSize == 0) {
        port.feed(stream);
    } else {
        for (qsizetype i = 0; i < stream.size(); i += readSize)
            port.feed(stream.mid(i, readSize));
    }
    if (vanishes)
        port.vanish(QStringLiteral("gone"));
    // Each turn hands over what was fed before it; a read leaves nothing behind.
    for (int turn = 0; turn < 3 && !ended; ++turn)
        QCoreApplication::processEvents();
    job.abort();
    // The end comes once the disk's thread has done what it was given.
    for (const QDeadlineTimer deadline(5'000); !ended && !deadline.hasExpired();)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    require(ended, "the reception ends");
    require(!port.portOpen(), "the port is closed when the reception ends");
    require(receiving.isEmpty(), "no file is left open when the reception ends");

    // Only plain files were added, only to the folder; the rest is as it was.
    QStringList now = everything(root->path());
    QStringList added;
    for (const QString &path : now) {
        if (!expected.contains(path))
            added.append(path);
    }
    for (const QString &path : added) {
        const QFileInfo info(path);
        require(info.absolutePath() == folder, "a received file is in the folder");
        require(info.isFile() && !info.isSymLink(), "a received file is a plain file");
        // A program may be named ".N"; the reception's own temporary files never stay.
        require(!info.fileName().startsWith(QLatin1String(".talvern-receive")),
                "no temporary file is left behind");
        QFile::remove(path);
    }
    require(QDir(root->filePath(QStringLiteral("in/SUB.NC"))).isEmpty(),
            "the folder of the name is untouched");
    QFile locked(root->filePath(QStringLiteral("in/LOCKED.NC")));
    require(locked.open(QIODevice::ReadOnly) && locked.readAll() == "G0\r\n",
            "a protected file is untouched");
    QFile beside(outside);
    require(beside.open(QIODevice::ReadOnly) && beside.readAll() == "kept",
            "a file beside the folder is untouched");
    require(everything(root->path()) == expected, "the tree is as it was");
    return 0;
}
