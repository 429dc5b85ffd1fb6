#include "browser/PictureReader.h"

#include "core/FileTypeCatalogue.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QSvgRenderer>

namespace {

constexpr int ConverterSeconds = 10;

} // namespace

QImage PictureReader::read(const QString &path)
{
    const QString key = FileTypeCatalogue::key(QFileInfo(path).fileName().toUpper());
    if (key == QLatin1String("WMF") || key == QLatin1String("EMF"))
        return readMetafile(path, key.toLower());
    QImageReader reader(path); // Qt's allocation limit keeps a hostile header from claiming gigabytes
    reader.setAutoTransform(true);
    return reader.read();
}

QImage PictureReader::readMetafile(const QString &path, const QString &kind)
{
    QProcess converter;
    converter.setProcessChannelMode(QProcess::SeparateChannels);
    converter.setStandardErrorFile(QProcess::nullDevice());
    converter.start(converterPath(), {kind, path}, QIODevice::ReadOnly);
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
    if (size.width() > MaximumSide || size.height() > MaximumSide)
        size.scale(MaximumSide, MaximumSide, Qt::KeepAspectRatio);
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

QString PictureReader::converterPath()
{
#if defined(Q_OS_WIN)
    const QString name = QStringLiteral("talvern-metafile.exe");
#else
    const QString name = QStringLiteral("talvern-metafile");
#endif
    return QDir(QCoreApplication::applicationDirPath()).filePath(name);
}
