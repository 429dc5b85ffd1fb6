// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/PictureReader.h"
#include "support/Metafiles.h"
#include "support/TestDir.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

class tst_PictureReader : public QObject {
    Q_OBJECT

    static bool reddish(QRgb pixel) { return qRed(pixel) > 200 && qGreen(pixel) < 80 && qBlue(pixel) < 80; }
    static bool whitish(QRgb pixel) { return qRed(pixel) > 200 && qGreen(pixel) > 200 && qBlue(pixel) > 200; }

    // A raster picture like the metafiles below: white, its right half red.
    static QByteArray raster(QSize size, const char *format)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::red);
        QPainter(&image).fillRect(0, 0, size.width() / 2, size.height(), Qt::white);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        return buffer.open(QIODevice::WriteOnly) && image.save(&buffer, format) ? bytes : QByteArray();
    }

private slots:
    // Raster pictures come at their own size; metafiles are drawn in their proportions, ground and all.
    void picturesAreReadWhole_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QSize>("size"); // empty: a metafile, sized by the reader
        const QByteArray emf = Metafiles::emf(QRect(QPoint(100, 0), QPoint(199, 99)));
        QTest::newRow("bmp") << "PART.BMP" << raster(QSize(300, 150), "BMP") << QSize(300, 150);
        QTest::newRow("jpeg") << "PART.JPG" << raster(QSize(300, 150), "JPG") << QSize(300, 150);
        QTest::newRow("icon") << "PART.ICO" << raster(QSize(64, 32), "ICO") << QSize(64, 32);
        QTest::newRow("placeable wmf")
            << "PLAN.WMF" << Metafiles::wmf(QRect(QPoint(1440, 0), QPoint(2880, 1440))) << QSize();
        QTest::newRow("emf") << "PLAN.EMF" << emf << QSize();
        QTest::newRow("lower-case name") << "plan.emf" << emf << QSize();
    }

    void picturesAreReadWhole()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QSize, size);
        TestDir dir;
        dir.addFile(name, content);
        const QImage read = PictureReader::read(dir.filePath(name));
        QVERIFY(!read.isNull());
        if (size.isValid())
            QCOMPARE(read.size(), size);
        QVERIFY(qAbs(double(read.width()) / read.height() - 2.0) < 0.1);
        QVERIFY(reddish(read.pixel(read.width() * 3 / 4, read.height() / 2)));
        QVERIFY(whitish(read.pixel(read.width() / 4, read.height() / 2)));
    }

    // Nothing comes back, also from a header claiming a giant size.
    void damagedPicturesCannotBeRead_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        const QByteArray wmf = Metafiles::wmf(QRect(0, 0, 100, 100));
        const QByteArray emf = Metafiles::emf(QRect(0, 0, 100, 100));
        QByteArray noise(4096, Qt::Uninitialized);
        QRandomGenerator generator(1234);
        for (char &byte : noise)
            byte = char(generator.bounded(256));
        QTest::newRow("empty emf") << "A.EMF" << QByteArray("");
        QTest::newRow("truncated wmf") << "A.WMF" << wmf.left(30);
        QTest::newRow("truncated emf") << "A.EMF" << emf.left(60);
        QTest::newRow("noise wmf") << "A.WMF" << noise;
        QTest::newRow("noise jpeg") << "A.JPG" << noise;
        QTest::newRow("text as icon") << "A.ICO" << QByteArray("O1234\r\nG0 X0\r\n");
        QByteArray huge = QByteArray("BM") + QByteArray(12, '\0');
        huge += QByteArray::fromHex("28000000") + QByteArray::fromHex("FFFFFF7F") +
                QByteArray::fromHex("FFFFFF7F") + QByteArray::fromHex("01001800") + QByteArray(24, '\0');
        QTest::newRow("bmp claiming a giant size") << "A.BMP" << huge;
    }

    void damagedPicturesCannotBeRead()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        TestDir dir;
        dir.addFile(name, content);
        QVERIFY(PictureReader::read(dir.filePath(name)).isNull());
    }
};

QTEST_MAIN(tst_PictureReader)
#include "tst_PictureReader.moc"
