// SPDX-License-Identifier: GPL-2.0-or-later
#include "machine/DeviceLabel.h"

#include <QFontMetrics>
#include <QResizeEvent>

DeviceLabel::DeviceLabel(QWidget *parent) : QLabel(parent)
{
    // Takes the room the layout gives, at least that of a short name.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("/dev/ttyUSB0")));
}

void DeviceLabel::setDevice(const QString &device)
{
    m_device = device;
    setToolTip(device);
    setAccessibleDescription(device);
    elide();
}

void DeviceLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    elide();
}

// The folder goes first (/dev/serial/by-id/ says little), then the middle of the name.
void DeviceLabel::elide()
{
    const QFontMetrics metrics = fontMetrics();
    const int room = contentsRect().width();
    const qsizetype slash = m_device.lastIndexOf(QLatin1Char('/'));
    // A device server's address keeps its kind and its port: only the middle of the host goes.
    if (metrics.horizontalAdvance(m_device) <= room || slash <= 0 ||
        m_device.contains(QLatin1String("://"))) {
        setText(metrics.elidedText(m_device, Qt::ElideMiddle, room));
        return;
    }
    const QString folder = QStringLiteral("…/");
    setText(folder + metrics.elidedText(m_device.mid(slash + 1), Qt::ElideMiddle,
                                        room - metrics.horizontalAdvance(folder)));
}
