// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/FileTypeCatalogue.h"

#include <QTest>

namespace {

void addRow(const char *name, const char16_t *description, bool text, bool picture, int icon)
{
    QTest::newRow(*name ? name : "(empty)")
        << QString::fromLatin1(name) << QString::fromUtf16(description) << text << picture << icon;
}

} // namespace

class tst_FileTypeCatalogue : public QObject {
    Q_OBJECT
private slots:
    void classify_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::addColumn<bool>("text");
        QTest::addColumn<bool>("picture");
        QTest::addColumn<int>("icon");

        addRow("PART.MIN", u"ﾒｲﾝ ﾌﾟﾛｸﾞﾗﾑ", true, false, 1);
        addRow("PART.TXT", u"ﾃｷｽﾄ ﾌｧｲﾙ", true, false, 1);
        // Described, yet not text.
        addRow("CAM.COF", u"ｶﾑ ﾓｰﾄﾞB 実行ﾌｧｲﾙ", false, false, 1);
        addRow("WORDS.DIC", u"ｺﾒﾝﾀｰ辞書ﾌｧｲﾙ", false, false, 1);
        // Text, with the default description.
        addRow("X.INI", u"INI ﾌｧｲﾙ", true, false, 1);
        // Pictures, the workbook and the document have icons of their own.
        addRow("PIC.BMP", u"BMP ﾌｧｲﾙ", false, true, 4);
        addRow("PHOTO.JPG", u"JPG ﾌｧｲﾙ", false, true, 4);
        addRow("PIC.WMF", u"WMF ﾌｧｲﾙ", false, true, 4);
        addRow("PIC.EMF", u"EMF ﾌｧｲﾙ", false, true, 4);
        addRow("PIC.ICO", u"ICO ﾌｧｲﾙ", false, true, 4);
        addRow("PLAN.XLS", u"ｴｸｾﾙ ﾌｧｲﾙ", false, false, 2);
        addRow("MEMO.DOC", u"ﾜｰﾄﾞ ﾌｧｲﾙ", false, false, 3);
        // The key is the last three characters, taken by position, not at the dot.
        addRow("ADMIN", u"ﾒｲﾝ ﾌﾟﾛｸﾞﾗﾑ", true, false, 1);
        addRow("O1234.NC", u"NCﾌﾟﾛｸﾞﾗﾑ", true, false, 1);
        addRow("O1234NC", u"4NC ﾌｧｲﾙ", false, false, 1);
        addRow("", u" ﾌｧｲﾙ", false, false, 1);
        addRow("o1234.min", u"ﾒｲﾝ ﾌﾟﾛｸﾞﾗﾑ", true, false, 1); // a twin shown in its own case
        addRow("plan.xls", u"ｴｸｾﾙ ﾌｧｲﾙ", false, false, 2);
    }

    void classify()
    {
        QFETCH(QString, name);
        QTEST(FileTypeCatalogue::IsTextFile(name), "text");
        QTEST(FileTypeCatalogue::IsImageFile(name), "picture");
        QTEST(FileTypeCatalogue::TypeDescription(name), "description");
        QTEST(FileTypeCatalogue::ListIconIndex(name), "icon");
    }
};

QTEST_GUILESS_MAIN(tst_FileTypeCatalogue)
#include "tst_FileTypeCatalogue.moc"
