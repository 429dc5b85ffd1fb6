// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "machine/PortProperties.h"
#include "platform/text/Outcome.h"

#include <QDialog>

#include <functional>

class DeviceLabel;
class MessageBoxes;
class QButtonGroup;
class QComboBox;
class QPushButton;
class QTabWidget;

// The communication properties of the current machine: shows the values in force and hands on those
// the user chose.
class frmProperties final : public QDialog {
    Q_OBJECT
public:
    // Takes the values chosen on OK: "" closes the dialog, anything else is why they were refused.
    using Apply = std::function<Outcome(const PortProperties &)>;
    // The device a port number stands for.
    using DeviceOf = std::function<QString(int port)>;

    frmProperties(const QString &mchFileName, const PortProperties &shown, Apply apply, DeviceOf deviceOf,
                  MessageBoxes &messages, QWidget *parent = nullptr);

    void LoadPropertySettings(const PortProperties &shown);
    PortProperties chosen() const;
    void cmdOK_Click();

    QTabWidget *tabSettings = nullptr;
    QComboBox *cboPort = nullptr;
    DeviceLabel *lblDevice = nullptr; // beside cboPort
    QComboBox *cboSpeed = nullptr;
    QComboBox *cboDataBits = nullptr;
    QComboBox *cboParity = nullptr;
    QComboBox *cboStopBits = nullptr;
    QButtonGroup *OptController = nullptr;
    QButtonGroup *optFlow = nullptr;
    QButtonGroup *optEcho = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

private:
    void createControls();
    void showDevice();

    Apply m_apply;
    DeviceOf m_deviceOf;
    MessageBoxes &m_messages;
    int m_port; // in force when the dialog opened
};
