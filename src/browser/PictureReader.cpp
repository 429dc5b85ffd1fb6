// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/PictureReader.h"

#include "core/FileTypeCatalogue.h"
#include "platform/files/NativeFile.h"
#include "platform/system/InstallLayout.h"

#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QSvgRenderer>

namespace {

constexpr int ConverterSeconds = 10;
constexpr qint64 MaximumMetafile = qint64(64) << 20; // the converter refuses anything larger

QImage readMetafile(const QByteArray &metafile, const QString &kind)
{
    if (metafile.size() > MaximumMetafile)
        return {};
    QProcess converter;
    converter.setProcessChannelMode(QProcess::SeparateChannels);
    converter.setStandardErrorFile(QProcess::nullDevice());
    converter.start(PictureReader::converterPath(), {kind});
    // The converter reads its input whole before it writes, so the pipe cannot stall both ends.
    converter.write(metafile);
    converter.closeWriteChannel();
    if (!converter.waitForFinished(ConverterSeconds * 1000)) {
        converter.kill();
        converter.waitForFinished(1000);
        return {};
    }
    if (converter.exitStatus() != QProcess::NormalExit || converter.exitCode() != 0)
        return {};

    QSvgRenderer renderer(converter.readAllStandardOutput());
    if (!renderer.isValid())
        return {};
    QSize size = renderer.defaultSize();
    if (size.isEmpty())
        size = renderer.viewBoxF().size().toSize();
    if (size.isEmpty())
        return {};
    if (size.width() > PictureReader::MaximumSide || size.height() > PictureReader::MaximumSide)
        size.scale(PictureReader::MaximumSide, PictureReader::MaximumSide, Qt::KeepAspectRatio);
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

} // namespace

QImage PictureReader::read(const QString &path)
{
    // Opened here, not by name in Qt's readers: the name may hold bytes that are not UTF-8.
    QFile file;
    if (!NativeFile::open(file, path, QIODevice::ReadOnly))
        return {};
    const QString key = FileTypeCatalogue::key(path.toUpper());
    if (key == QLatin1String("WMF") || key == QLatin1String("EMF"))
        return readMetafile(file.read(MaximumMetafile + 1), key.toLower());
    QImageReader reader(&file); // Qt's allocation limit keeps a hostile header from claiming gigabytes
    reader.setAutoTransform(true);
    return reader.read();
}

QString PictureReader::converterPath()
{
    return InstallLayout::helperProgram(QCoreApplication::applicationDirPath(),
                                        QStringLiteral("talvern-metafile"));
}
