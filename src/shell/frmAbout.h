// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDialog>

class ConfigurationStore;
class MessageBoxes;
class ProcessLauncher;
class QFrame;
class QLabel;
class QPushButton;
class ToolLocator;

// The About dialog: the program's title and version, and a way to the system information tool.
class frmAbout final : public QDialog {
    Q_OBJECT
public:
    frmAbout(const ConfigurationStore &store, const ToolLocator &tools, ProcessLauncher &launcher,
             MessageBoxes &messages, QWidget *owner);

    // "ﾊﾞｰｼﾞｮﾝ 1.3.8", from the build's own version numbers.
    static QString versionText();

    void StartSysInfo();

    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblDescription = nullptr;
    QFrame *Line1[2] = {nullptr, nullptr}; // the etched separator: grey, and white one pixel below
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdSysInfo = nullptr;

private:
    void Form_Load();
    bool startSysInfoTool();
    bool start(const QString &program, const QStringList &arguments);

    const ConfigurationStore &m_store;
    const ToolLocator &m_tools;
    ProcessLauncher &m_launcher;
    MessageBoxes &m_messages;
};
