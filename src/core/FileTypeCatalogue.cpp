// SPDX-License-Identifier: GPL-2.0-or-later
#include "core/FileTypeCatalogue.h"

#include <array>

namespace {

struct Entry {
    const char16_t *key;
    const char16_t *description; // nullptr: the default description
    bool text;
    bool picture;
};

// Lookup order matters only for descriptions; no key occurs twice.
constexpr std::array<Entry, 30> Table = {{
    {u"MIN", u"ﾒｲﾝ ﾌﾟﾛｸﾞﾗﾑ", true, false},
    {u"SUB", u"ｻﾌﾞ ﾌﾟﾛｸﾞﾗﾑ", true, false},
    {u"SSB", u"ｼｽﾃﾑ ｻﾌﾞﾌﾟﾛｸﾞﾗﾑ", true, false},
    {u"MSB", u"ﾒｰｶｰ ｻﾌﾞﾌﾟﾛｸﾞﾗﾑ", true, false},
    {u"SDF", u"ｽｹｼﾞｭｰﾙ ﾌﾟﾛｸﾞﾗﾑ", true, false},
    {u"TOP", u"ﾃﾞｰﾀ転送ﾌｧｲﾙ", true, false},
    {u"RBT", u"ﾛﾎﾞｯﾄ ﾌﾟﾛｸﾞﾗﾑ", true, false},
    {u"LDR", u"ﾛｰﾀﾞ ﾌﾟﾛｸﾞﾗﾑ", true, false},
    {u"LPD", u"ﾛｰﾀﾞ ﾎﾟｲﾝﾄ ﾃﾞｰﾀ ﾌｧｲﾙ", true, false},
    {u"LIB", u"ﾗｲﾌﾞﾗﾘｰ ﾌﾟﾛｸﾞﾗﾑ", true, false},
    {u"MDF", u"計測ﾃﾞｰﾀ ﾌｧｲﾙ", true, false},
    {u"XLS", u"ｴｸｾﾙ ﾌｧｲﾙ", false, false},
    {u"DOC", u"ﾜｰﾄﾞ ﾌｧｲﾙ", false, false},
    {u"NCD", u"NCﾌﾟﾛｸﾞﾗﾑ", true, false},
    {u"CAF", u"ｶﾑ ﾃﾞｰﾀﾌｧｲﾙ", true, false},
    {u"COF", u"ｶﾑ ﾓｰﾄﾞB 実行ﾌｧｲﾙ", false, false},
    {u"EXF", u"ｶﾑ ﾓｰﾄﾞA 実行ﾌｧｲﾙ", false, false},
    {u"CMF", u"ｶﾑ 補正ﾃﾞｰﾀﾌｧｲﾙ", false, false},
    {u"WAF", u"ｳｫｰﾐﾝｸﾞｱｯﾌﾟ運転ﾌｧｲﾙ", true, false},
    {u"CSV", u"ｶﾝﾏで区切ったﾌｧｲﾙ", true, false},
    {u"DIC", u"ｺﾒﾝﾀｰ辞書ﾌｧｲﾙ", false, false},
    {u"TXT", u"ﾃｷｽﾄ ﾌｧｲﾙ", true, false},
    {u".NC", u"NCﾌﾟﾛｸﾞﾗﾑ", true, false},
    {u"INI", nullptr, true, false},
    {u"DAT", nullptr, true, false},
    {u"BMP", nullptr, false, true},
    {u"JPG", nullptr, false, true},
    {u"WMF", nullptr, false, true},
    {u"EMF", nullptr, false, true},
    {u"ICO", nullptr, false, true},
}};

const Entry *find(const QString &key)
{
    for (const Entry &entry : Table) {
        if (key == QStringView(entry.key))
            return &entry;
    }
    return nullptr;
}

} // namespace

// Listed names are upper case but for names that differ only in case, which show as they are: such a
// twin is of the same type as the other.
QString FileTypeCatalogue::key(const QString &fileName)
{
    return fileName.right(3).toUpper();
}

bool FileTypeCatalogue::IsTextFile(const QString &fileName)
{
    const Entry *entry = find(key(fileName));
    return entry && entry->text;
}

bool FileTypeCatalogue::IsImageFile(const QString &fileName)
{
    const Entry *entry = find(key(fileName));
    return entry && entry->picture;
}

QString FileTypeCatalogue::TypeDescription(const QString &fileName)
{
    const QString k = key(fileName);
    const Entry *entry = find(k);
    if (entry && entry->description)
        return QString::fromUtf16(entry->description);
    return k + QStringLiteral(" ﾌｧｲﾙ");
}

int FileTypeCatalogue::ListIconIndex(const QString &fileName)
{
    const QString k = key(fileName);
    if (k == QLatin1String("XLS"))
        return Workbook;
    if (k == QLatin1String("DOC"))
        return Document;
    if (IsImageFile(fileName))
        return Picture;
    return GeneralFile;
}
