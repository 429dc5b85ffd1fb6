// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QLabel>

// A device path shown in the room there is: a long /dev/serial/by-id/... name loses its folder, then
// its middle, so that the adapter's maker and the end of its name stay readable; a device server's
// address loses only its middle. The tip shows it whole.
class DeviceLabel final : public QLabel {
    Q_OBJECT
public:
    explicit DeviceLabel(QWidget *parent = nullptr);

    void setDevice(const QString &device);
    QString device() const { return m_device; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void elide();

    QString m_device;
};
