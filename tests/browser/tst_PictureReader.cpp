#include "browser/PictureReader.h"
#include "support/Metafiles.h"
#include "support/TestDir.h"

#include <QImage>
#include <QRandomGenerator>
#include <QTest>

class tst_PictureReader : public QObject {
    Q_OBJECT

private:
    static bool reddish(QRgb pixel) { return qRed(pixel) > 200 && qGreen(pixel) < 80 && qBlue(pixel) < 80; }
    static bool whitish(QRgb pixel) { return qRed(pixel) > 200 && qGreen(pixel) > 200 && qBlue(pixel) > 200; }

private slots:
    void rasterPicturesReadAtTheirOwnSize_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("bmp") << "PART.BMP" << QByteArray("BMP");
        QTest::newRow("jpeg") << "PART.JPG" << QByteArray("JPG");
        QTest::newRow("icon") << "PART.ICO" << QByteArray("ICO");
        QTest::newRow("lower-case name") << "part.bmp" << QByteArray("BMP");
    }

    void rasterPicturesReadAtTheirOwnSize()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, format);
        TestDir dir;
        QImage picture(format == "ICO" ? QSize(32, 32) : QSize(300, 120), QImage::Format_RGB32);
        picture.fill(Qt::red);
        QVERIFY(picture.save(dir.filePath(name), format.constData()));
        const QImage read = PictureReader::read(dir.filePath(name));
        QCOMPARE(read.size(), picture.size());
        QVERIFY(reddish(read.pixel(read.width() / 2, read.height() / 2)));
    }

    void metafilesAreDrawnWithTheirProportions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("placeable wmf")
            << "PLAN.WMF" << Metafiles::wmf(QRect(QPoint(1440, 0), QPoint(2880, 1440)));
        QTest::newRow("emf") << "PLAN.EMF" << Metafiles::emf(QRect(QPoint(100, 0), QPoint(199, 99)));
    }

    void metafilesAreDrawnWithTheirProportions()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        TestDir dir;
        dir.addFile(name, content);
        const QImage read = PictureReader::read(dir.filePath(name));
        QVERIFY(!read.isNull());
        QVERIFY2(qAbs(double(read.width()) / read.height() - 2.0) < 0.1,
                 qPrintable(QStringLiteral("%1 x %2").arg(read.width()).arg(read.height())));
        // The right half is the red rectangle, the left half the white ground.
        QVERIFY(reddish(read.pixel(read.width() * 3 / 4, read.height() / 2)));
        QVERIFY(whitish(read.pixel(read.width() / 4, read.height() / 2)));
    }

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
        QTest::newRow("empty wmf") << "A.WMF" << QByteArray();
        QTest::newRow("empty emf") << "A.EMF" << QByteArray();
        QTest::newRow("truncated wmf") << "A.WMF" << wmf.left(30);
        QTest::newRow("truncated emf") << "A.EMF" << emf.left(60);
        QTest::newRow("noise wmf") << "A.WMF" << noise;
        QTest::newRow("noise emf") << "A.EMF" << noise;
        QTest::newRow("noise bmp") << "A.BMP" << noise;
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

    void aMissingFileCannotBeRead()
    {
        TestDir dir;
        QVERIFY(PictureReader::read(dir.filePath(QStringLiteral("GONE.BMP"))).isNull());
        QVERIFY(PictureReader::read(dir.filePath(QStringLiteral("GONE.WMF"))).isNull());
    }
};

QTEST_MAIN(tst_PictureReader)
#include "tst_PictureReader.moc"
