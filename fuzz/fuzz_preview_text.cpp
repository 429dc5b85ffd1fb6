// SPDX-License-Identifier: GPL-2.0-or-later
// Any file as the preview shows it: decoded whole, or cut to its beginning with the notice. The
// first byte chooses the cut: a small one, so the cut meets every kind of character without a
// megabyte per run, or with two bytes FF the real 256 KB, the rest repeated past it.
#include "FuzzCheck.h"

#include "browser/FilePreview.h"
#include "core/DisplayText.h"

#include <QStringDecoder>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const auto choice = quint8(data[0]);
    QByteArray bytes(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    qint64 limit = choice;
    if (choice == 0xFF && bytes.startsWith('\xFF') && bytes.size() > 1) {
        bytes.remove(0, 1);
        limit = FilePreview::PreviewBytes;
        bytes = bytes.repeated(int(limit / bytes.size()) + 1);
    }
    const QString shown =
        FilePreview::previewText(bytes.first(qMin<qsizetype>(bytes.size(), limit + 1)), limit);

    if (bytes.size() <= limit) {
        require(shown == DisplayText::decode(bytes), "a short file is shown whole");
        return 0;
    }
    const QString notice = FilePreview::cutNotice();
    require(shown.endsWith(notice), "a cut file says so");
    const QString text = shown.chopped(notice.size());
    require(text.endsWith(u'\n') || text.endsWith(u'\r'), "the notice starts a line of its own");
    require(text.size() <= limit + 1, "no more is shown than was read");
    if (limit == FilePreview::PreviewBytes)
        return 0; // the rest as with a small cut: the megabyte decodes would cost a hundred runs each
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString whole = utf8.decode(bytes);
    if (!utf8.hasError()) {
        const QString kept = text.endsWith(u'\n') && !whole.startsWith(text) ? text.chopped(1) : text;
        require(whole.startsWith(kept), "a UTF-8 file is cut between characters");
    }
    require(!text.contains(QChar::ReplacementCharacter) ||
                DisplayText::decode(bytes).contains(QChar::ReplacementCharacter),
            "the cut makes no broken character of its own");
    return 0;
}
