#include "browser/FileTypeCatalogue.h"

#include <QTest>

class tst_FileTypeCatalogue : public QObject {
    Q_OBJECT

private slots:
    void classify_data();
    void classify();
};

namespace {

void addRow(const char *name, const char16_t *description, bool text, bool picture, int icon)
{
    QTest::newRow(*name ? name : "(empty)")
        << QString::fromLatin1(name) << QString::fromUtf16(description) << text << picture << icon;
}

} // namespace

void tst_FileTypeCatalogue::classify_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::addColumn<bool>("text");
    QTest::addColumn<bool>("picture");
    QTest::addColumn<int>("icon");

    // One name for every key of the table.
    addRow("PART.MIN", u"ﾒｲﾝ ﾌﾟﾛｸﾞﾗﾑ", true, false, 1);
    addRow("PART.SUB", u"ｻﾌﾞ ﾌﾟﾛｸﾞﾗﾑ", true, false, 1);
    addRow("PART.SSB", u"ｼｽﾃﾑ ｻﾌﾞﾌﾟﾛｸﾞﾗﾑ", true, false, 1);
    addRow("PART.MSB", u"ﾒｰｶｰ ｻﾌﾞﾌﾟﾛｸﾞﾗﾑ", true, false, 1);
    addRow("PART.SDF", u"ｽｹｼﾞｭｰﾙ ﾌﾟﾛｸﾞﾗﾑ", true, false, 1);
    addRow("PART.TOP", u"ﾃﾞｰﾀ転送ﾌｧｲﾙ", true, false, 1);
    addRow("PART.RBT", u"ﾛﾎﾞｯﾄ ﾌﾟﾛｸﾞﾗﾑ", true, false, 1);
    addRow("PART.LDR", u"ﾛｰﾀﾞ ﾌﾟﾛｸﾞﾗﾑ", true, false, 1);
    addRow("PART.LPD", u"ﾛｰﾀﾞ ﾎﾟｲﾝﾄ ﾃﾞｰﾀ ﾌｧｲﾙ", true, false, 1);
    addRow("PART.LIB", u"ﾗｲﾌﾞﾗﾘｰ ﾌﾟﾛｸﾞﾗﾑ", true, false, 1);
    addRow("PART.MDF", u"計測ﾃﾞｰﾀ ﾌｧｲﾙ", true, false, 1);
    addRow("PART.XLS", u"ｴｸｾﾙ ﾌｧｲﾙ", false, false, 2);
    addRow("PART.DOC", u"ﾜｰﾄﾞ ﾌｧｲﾙ", false, false, 3);
    addRow("PART.NCD", u"NCﾌﾟﾛｸﾞﾗﾑ", true, false, 1);
    addRow("PART.CAF", u"ｶﾑ ﾃﾞｰﾀﾌｧｲﾙ", true, false, 1);
    addRow("PART.COF", u"ｶﾑ ﾓｰﾄﾞB 実行ﾌｧｲﾙ", false, false, 1);
    addRow("PART.EXF", u"ｶﾑ ﾓｰﾄﾞA 実行ﾌｧｲﾙ", false, false, 1);
    addRow("PART.CMF", u"ｶﾑ 補正ﾃﾞｰﾀﾌｧｲﾙ", false, false, 1);
    addRow("PART.WAF", u"ｳｫｰﾐﾝｸﾞｱｯﾌﾟ運転ﾌｧｲﾙ", true, false, 1);
    addRow("PART.CSV", u"ｶﾝﾏで区切ったﾌｧｲﾙ", true, false, 1);
    addRow("PART.DIC", u"ｺﾒﾝﾀｰ辞書ﾌｧｲﾙ", false, false, 1);
    addRow("PART.TXT", u"ﾃｷｽﾄ ﾌｧｲﾙ", true, false, 1);
    addRow("O1234.NC", u"NCﾌﾟﾛｸﾞﾗﾑ", true, false, 1);
    addRow("PART.INI", u"INI ﾌｧｲﾙ", true, false, 1);
    addRow("PART.DAT", u"DAT ﾌｧｲﾙ", true, false, 1);
    addRow("PART.BMP", u"BMP ﾌｧｲﾙ", false, true, 4);
    addRow("PART.JPG", u"JPG ﾌｧｲﾙ", false, true, 4);
    addRow("PART.WMF", u"WMF ﾌｧｲﾙ", false, true, 4);
    addRow("PART.EMF", u"EMF ﾌｧｲﾙ", false, true, 4);
    addRow("PART.ICO", u"ICO ﾌｧｲﾙ", false, true, 4);
    // The key is compared exactly: lower-case names match nothing.
    addRow("ABC.min", u"min ﾌｧｲﾙ", false, false, 1);
    addRow("o1234.nc", u".nc ﾌｧｲﾙ", false, false, 1);
    addRow("plan.xls", u"xls ﾌｧｲﾙ", false, false, 1);
    addRow("photo.jpg", u"jpg ﾌｧｲﾙ", false, false, 1);
    addRow("ABC.Txt", u"Txt ﾌｧｲﾙ", false, false, 1);

    // The key is taken by position, not at the dot.
    addRow("ADMIN", u"ﾒｲﾝ ﾌﾟﾛｸﾞﾗﾑ", true, false, 1);
    addRow("MIN", u"ﾒｲﾝ ﾌﾟﾛｸﾞﾗﾑ", true, false, 1);
    addRow("MEMODOC", u"ﾜｰﾄﾞ ﾌｧｲﾙ", false, false, 3);
    addRow("A.NC", u"NCﾌﾟﾛｸﾞﾗﾑ", true, false, 1);
    addRow("O1234NC", u"4NC ﾌｧｲﾙ", false, false, 1);
    addRow("A.C", u"A.C ﾌｧｲﾙ", false, false, 1);
    addRow("PROG.MIN.BAK", u"BAK ﾌｧｲﾙ", false, false, 1);
    addRow("REPORT.XLSX", u"LSX ﾌｧｲﾙ", false, false, 1);
    addRow("LETTER.DOCX", u"OCX ﾌｧｲﾙ", false, false, 1);
    addRow("PHOTO.JPEG", u"PEG ﾌｧｲﾙ", false, false, 1);
    addRow("SETUP.EXE", u"EXE ﾌｧｲﾙ", false, false, 1);

    // Names shorter than a key are their own key.
    addRow("AB", u"AB ﾌｧｲﾙ", false, false, 1);
    addRow("NC", u"NC ﾌｧｲﾙ", false, false, 1);
    addRow("X", u"X ﾌｧｲﾙ", false, false, 1);
    addRow("", u" ﾌｧｲﾙ", false, false, 1);
}

void tst_FileTypeCatalogue::classify()
{
    QFETCH(QString, name);
    QFETCH(QString, description);
    QFETCH(bool, text);
    QFETCH(bool, picture);
    QFETCH(int, icon);

    QCOMPARE(FileTypeCatalogue::IsTextFile(name), text);
    QCOMPARE(FileTypeCatalogue::IsImageFile(name), picture);
    QCOMPARE(FileTypeCatalogue::TypeDescription(name), description);
    QCOMPARE(FileTypeCatalogue::ListIconIndex(name), icon);
}


QTEST_GUILESS_MAIN(tst_FileTypeCatalogue)
#include "tst_FileTypeCatalogue.moc"
