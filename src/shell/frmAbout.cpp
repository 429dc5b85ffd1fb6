// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/frmAbout.h"

#include "TalvernVersion.h"

#include "platform/system/ConfigurationStore.h"
#include "platform/system/ProcessLauncher.h"
#include "platform/system/ToolLocator.h"
#include "platform/ui/MessageBoxes.h"

#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QFrame *lineOf(const QColor &colour, QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, colour);
    line->setPalette(palette);
    return line;
}

} // namespace

frmAbout::frmAbout(const ConfigurationStore &store, const ToolLocator &tools, ProcessLauncher &launcher,
                   MessageBoxes &messages, QWidget *owner)
    : QDialog(owner), m_store(store), m_tools(tools), m_launcher(launcher), m_messages(messages)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報 Talvern"));
    setModal(true);
    lblTitle = new QLabel(this);
    QFont titleFont = font();
    titleFont.setPointSize(titleFont.pointSize() * 2);
    titleFont.setBold(true);
    lblTitle->setFont(titleFont);
    lblVersion = new QLabel(this);
    lblDescription = new QLabel(QStringLiteral("NCプログラムの一覧・プレビューとRS-232CによるDNC転送"), this);
    Line1[0] = lineOf(QColor(128, 128, 128), this);
    Line1[1] = lineOf(Qt::white, this);
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("ｼｽﾃﾑ情報(&S)..."), this);
    for (QPushButton *button : {cmdOK, cmdSysInfo})
        button->setMinimumSize(120, 32); // big enough for a gloved hand

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblTitle);
    layout->addWidget(lblVersion);
    layout->addSpacing(8);
    layout->addWidget(lblDescription);
    layout->addSpacing(16);
    layout->setSpacing(6);
    auto *etched = new QVBoxLayout;
    etched->setSpacing(0); // the white line lies right under the grey one
    etched->addWidget(Line1[0]);
    etched->addWidget(Line1[1]);
    layout->addLayout(etched);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    layout->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);
    Form_Load();
}

QString frmAbout::versionText()
{
    return QStringLiteral("ﾊﾞｰｼﾞｮﾝ %1").arg(QLatin1String(TalvernVersion::Text));
}

void frmAbout::Form_Load()
{
    lblVersion->setText(versionText());
    lblTitle->setText(QStringLiteral("Talvern"));
}

void frmAbout::StartSysInfo()
{
    if (!startSysInfoTool())
        m_messages.show(QStringLiteral("現時点ではｼｽﾃﾑ情報を使用できません"), QString(),
                        MessageBoxes::Icon::None);
}

bool frmAbout::startSysInfoTool()
{
    const auto root = ConfigurationStore::Root::LocalMachine;
    const ConfigurationStore::Value registered = m_store.GetKeyValue(
        root, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"), QStringLiteral("PATH"));
    if (registered.found)
        return start(registered.text, {});
    const ConfigurationStore::Value location = m_store.GetKeyValue(
        root, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"), QStringLiteral("MSINFO"));
    if (location.found) {
        const QString program = QDir(location.text).filePath(QStringLiteral("MSINFO32.EXE"));
        return QFileInfo(program).isFile() && start(QDir::toNativeSeparators(program), {});
    }
    // Without a registry, a system-information program of the desktop.
    const ToolLocator::Command tool = m_tools.systemInformation();
    return start(tool.program, tool.arguments);
}

bool frmAbout::start(const QString &program, const QStringList &arguments)
{
    return !program.isEmpty() && m_launcher.start(program, arguments);
}
