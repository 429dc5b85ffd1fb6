// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/print/QtPrintDialogs.h"

#include <QApplication>
#include <QFontDialog>
#include <QFontInfo>
#include <QPageSetupDialog>
#include <QPrinter>

std::optional<bool> QtPrintDialogs::pageSetup(bool landscape)
{
    QPrinter printer;
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPageSetupDialog dialog(&printer, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return printer.pageLayout().orientation() == QPageLayout::Landscape;
}

std::optional<PrintDialogs::Font> QtPrintDialogs::font(const QString &family, int points)
{
    // The dialog lists installed families only: a name the platform stands another font in for
    // ("ＭＳ 明朝") would open it on whatever it matched first. It opens on the family that prints.
    const QString printed = QFontInfo(QFont(family)).family();
    bool chosen = false;
    const QFont font = QFontDialog::getFont(&chosen, QFont(printed, points), QApplication::activeWindow());
    if (!chosen)
        return std::nullopt;
    // The same family keeps the name it was given, which names the same font on every platform.
    return Font{font.family() == printed ? family : font.family(), font.pointSizeF()};
}
