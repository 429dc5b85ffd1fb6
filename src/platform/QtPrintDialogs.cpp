#include "platform/QtPrintDialogs.h"

#include <QApplication>
#include <QFontDialog>
#include <QPageSetupDialog>
#include <QPrinter>

std::optional<int> QtPrintDialogs::pageSetup(int orientation)
{
    QPrinter printer;
    printer.setPageOrientation(orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPageSetupDialog dialog(&printer, QApplication::activeWindow());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return printer.pageLayout().orientation() == QPageLayout::Landscape ? 2 : 1;
}

std::optional<PrintDialogs::Font> QtPrintDialogs::font(const QString &family, int points)
{
    bool chosen = false;
    const QFont font = QFontDialog::getFont(&chosen, QFont(family, points), QApplication::activeWindow());
    if (!chosen)
        return std::nullopt;
    return Font{font.family(), font.pointSizeF()};
}
