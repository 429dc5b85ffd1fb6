// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/ui/QtMessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace {

// The active window, unless that one stands open beside the work, as a transfer's abort dialog does: it
// closes when the transfer ends, and no question may block it. The box then goes over the window that
// one belongs to.
QWidget *owner()
{
    QWidget *window = QApplication::activeWindow();
    while (window && !window->isModal() && window->parentWidget())
        window = window->parentWidget()->window();
    return window;
}

} // namespace

MessageBoxes::Answer QtMessageBoxes::show(const QString &text, const QString &title, Icon icon,
                                          Buttons buttons)
{
    static const QMessageBox::Icon icons[] = {QMessageBox::NoIcon, QMessageBox::Information,
                                              QMessageBox::Warning, QMessageBox::Critical,
                                              QMessageBox::Question};
    QMessageBox box(icons[int(icon)], title.isEmpty() ? QStringLiteral("Talvern") : title, text,
                    buttons == Buttons::Ok ? QMessageBox::Ok : QMessageBox::Yes | QMessageBox::No, owner());
    if (buttons != Buttons::Ok) {
        box.button(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
        box.button(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
    }
    if (buttons == Buttons::YesNoDefaultNo)
        box.setDefaultButton(QMessageBox::No);
    const int answer = box.exec();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return answer == QMessageBox::Yes ? Answer::Yes : Answer::No;
}
