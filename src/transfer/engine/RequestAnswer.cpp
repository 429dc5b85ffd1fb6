// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/engine/RequestAnswer.h"

#include "core/FileTypeCatalogue.h"
#include "core/FolderListing.h"
#include "core/FolderNames.h"
#include "platform/files/FolderHandle.h"
#include "platform/files/NativeFile.h"
#include "platform/files/NativeName.h"
#include "platform/text/ShiftJis.h"
#include "platform/text/SystemReason.h"
#include "transfer/engine/HighByteScan.h"

#include <QDir>
#include <QSaveFile>

#if defined(Q_OS_UNIX)
#include <cstdlib>
#else
#include <QFileInfo>
#endif

namespace {

QString extension(bool osp)
{
    return osp ? QStringLiteral(".MIN") : QStringLiteral(".NC");
}

// What a comment may carry of text: printable ASCII, and never its own end.
QString commentText(const QString &text)
{
    QString kept;
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 && c.unicode() < 0x7F && c != QLatin1Char('(') && c != QLatin1Char(')'))
            kept += c.toUpper();
    }
    return kept;
}

// Replaced whole: a sender that still reads the last one keeps it. Lines end in CR LF as the shop's own
// programs do: the sender takes a lone LF for part of a line and would end the last one again.
Answer written(const QString &answersFolder, const QString &name, const QByteArray &body, const QString &log,
               bool refused)
{
    QSaveFile file(QDir(answersFolder).filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() || !file.commit())
        return {answersFolder,
                {},
                QStringLiteral("%1を作れませんでした。%2").arg(name, SystemReason::of(file)),
                true};
    return {answersFolder, {name, name}, log, refused};
}

Answer refused(const QString &asked, const QString &reason, const QString &log, bool osp,
               const QString &answersFolder)
{
    // A name only partly repeated would name another program.
    const bool repeat = !asked.isEmpty() && commentText(asked).size() == asked.size();
    return RequestAnswer::refusal(repeat ? asked + QLatin1Char(' ') + reason : reason, log, osp,
                                  answersFolder);
}

QString realPath(const QString &path)
{
#if defined(Q_OS_UNIX)
    char *real = ::realpath(NativeName::toBytes(path).constData(), nullptr);
    const QString found = real ? NativeName::fromBytes(QByteArray(real)) : QString();
    std::free(real);
    return found;
#else
    return QFileInfo(path).canonicalFilePath();
#endif
}

// A plain file of the folder itself: a link that leads out of it, a folder or a hidden file is none.
bool servable(const QString &folder, const QString &realFolder, const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        return false;
    const QString path = NativeFile::join(folder, name);
    const std::optional<NativeFile::Status> status = NativeFile::status(path);
    const QString real = realPath(path);
    return status && status->isFile && real.left(real.lastIndexOf(QLatin1Char('/'))) == realFolder;
}

bool isText(const QString &diskName)
{
    return FileTypeCatalogue::IsTextFile(FolderListing::sortKey(diskName));
}

Answer list(const QString &folder, bool osp, bool eightBit, const QString &answersFolder)
{
    QByteArray names;
    int count = 0;
    for (const ListedFile &file : FolderListing::read(folder)) {
        const std::optional<QByteArray> name = ShiftJis::encodeExact(file.text);
        if (!FileTypeCatalogue::IsTextFile(file.text) || !name || name->contains('(') ||
            name->contains(')') || (!eightBit && HighByteScan::find(*name) >= 0))
            continue;
        if (++count <= RequestAnswer::ListMost)
            names += '(' + *name + ")\r\n";
    }
    QByteArray body = "(PROGRAMS " + QByteArray::number(count) + ")\r\n" + names;
    if (count > RequestAnswer::ListMost)
        body += "(AND " + QByteArray::number(count - RequestAnswer::ListMost) + " MORE)\r\n";
    return written(answersFolder, QStringLiteral("LIST") + extension(osp), body,
                   QStringLiteral("プログラムの一覧(%1本)を送ります。").arg(count), false);
}

} // namespace

Answer RequestAnswer::resolve(const RequestProgram::Verdict &request, const QString &folder, bool osp,
                              bool eightBit, const QString &answersFolder)
{
    FolderHandle handle; // a folder that lists nothing may be one that cannot be read
    if (const Outcome opened = handle.open(folder); !opened)
        return refusal(QStringLiteral("FOLDER NOT READY"),
                       QStringLiteral("フォルダー'%1'を読めません。%2")
                           .arg(NativeFile::shownPath(folder), opened.reason()),
                       osp, answersFolder);
    if (request.kind == RequestProgram::Kind::List)
        return list(folder, osp, eightBit, answersFolder);
    const QString &asked = request.name;
    if (!request.why.isEmpty() || asked.isEmpty())
        return refused(asked, asked.isEmpty() ? QStringLiteral("NO NAME") : QStringLiteral("NAME REFUSED"),
                       request.why.isEmpty() ? QStringLiteral("プログラム名がありません。") : request.why,
                       osp, answersFolder);

    const FolderNames names = FolderNames::read(folder);
    const QString realFolder = realPath(folder);
    QString exact = names.find(asked);
    if (!servable(folder, realFolder, exact))
        exact.clear();
    QStringList found;
    if (!exact.isEmpty() && isText(exact)) {
        found.append(exact);
    } else if (!asked.contains(QLatin1Char('.'))) { // "O1234" is O1234.NC, O1234.MIN, ...
        for (const QString &name : names.names()) {
            const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
            if (dot > 0 && NativeName::shown(name.left(dot)).compare(asked, Qt::CaseInsensitive) == 0 &&
                isText(name) && servable(folder, realFolder, name))
                found.append(name);
        }
    }
    if (found.size() > 1)
        return refused(asked, QStringLiteral("MORE THAN ONE"),
                       QStringLiteral("%1に当たるプログラムが%2本あります。").arg(asked).arg(found.size()),
                       osp, answersFolder);
    if (found.isEmpty())
        return exact.isEmpty()
                   ? refused(asked, QStringLiteral("NOT FOUND"),
                             QStringLiteral("%1は見つかりません。").arg(asked), osp, answersFolder)
                   : refused(asked, QStringLiteral("NOT TEXT"),
                             QStringLiteral("%1はテキストファイルでないので送れません。").arg(asked), osp,
                             answersFolder);
    const QString text = FolderListing::sortKey(found.first());
    const std::optional<QByteArray> lineName = ShiftJis::encodeExact(text);
    if (osp && (!lineName || (!eightBit && HighByteScan::find(*lineName) >= 0)))
        return refused(asked, QStringLiteral("NAME NOT SENDABLE"),
                       QStringLiteral("%1の名前はこの回線では送れません。").arg(text), osp, answersFolder);
    return {folder, {text, found.first()}, QStringLiteral("%1を送ります。").arg(text), false};
}

Answer RequestAnswer::refusal(const QString &reasonAscii, const QString &log, bool osp,
                              const QString &answersFolder)
{
    return written(answersFolder, QStringLiteral("REFUSED") + extension(osp),
                   '(' + commentText(reasonAscii).toLatin1() + ")\r\n", log, true);
}
