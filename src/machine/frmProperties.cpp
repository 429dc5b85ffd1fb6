#include "machine/frmProperties.h"

#include "core/AppState.h"
#include "core/Log.h"
#include "core/StatusLine.h"
#include "machine/MachineSettingsFile.h"
#include "machine/MachineSettingsLoader.h"
#include "platform/BusyCursor.h"
#include "platform/MessageBoxes.h"
#include "platform/SerialPort.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

frmProperties::frmProperties(AppState &state, SerialPort &port, MessageBoxes &messages, Log &log,
                             StatusLine &status, QWidget *parent)
    : QDialog(parent), m_state(state), m_port(port), m_messages(messages), m_log(log), m_status(status)
{
    setObjectName(QStringLiteral("frmProperties"));
    setWindowTitle(QStringLiteral("通信ﾎﾟｰﾄのﾌﾟﾛﾊﾟﾃｨ"));
    createControls();
    setWindowTitle(m_state.Machine.MchFileName);
    LoadPropertySettings();
    connect(cmdOK, &QPushButton::clicked, this, &frmProperties::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmProperties::LoadPropertySettings()
{
    cboPort->clear();
    for (int port = 1; port <= 16; ++port)
        cboPort->addItem(QStringLiteral("Com%1").arg(port));
    cboSpeed->clear();
    cboSpeed->addItems({"110", "300", "600", "1200", "2400", "4800", "9600", "14400", "19200", "28800",
                        "38400", "56000", "57600", "115200", "128000", "256000"});
    cboDataBits->clear();
    cboDataBits->addItems({"4", "5", "6", "7", "8"});
    cboParity->clear();
    cboParity->addItems({"Even", "Odd", "None", "Mark", "Space"});
    cboStopBits->clear();
    cboStopBits->addItems({"1", "1.5", "2"});

    // "4800,e,7,2" or "9600,n,8,1.5": read from the end, where every piece but the speed has a fixed width.
    const QString s = m_port.settings();
    const int k = s.contains(QLatin1Char('.')) ? 2 : 0;
    const int n = int(s.size());
    cboSpeed->setCurrentText(s.left(qMax(0, n - 6 - k)));
    const QChar parity = n - 5 - k >= 0 ? s.at(n - 5 - k) : QChar();
    cboParity->setCurrentIndex(int(QStringLiteral("eonms").indexOf(parity)));
    cboDataBits->setCurrentText(n - 3 - k >= 0 ? QString(s.at(n - 3 - k)) : QString());
    cboStopBits->setCurrentText(s.right(k + 1));
    cboPort->setCurrentIndex(m_port.commPort() - 1);

    // A value the dialog has no option for (a flow mode of 3) leaves the group without a choice.
    for (QButtonGroup *group : {optFlow, OptController, optEcho}) {
        group->setExclusive(false);
        for (QAbstractButton *button : group->buttons())
            button->setChecked(false);
        group->setExclusive(true);
    }
    if (QAbstractButton *flow = optFlow->button(m_state.Machine.Flow))
        flow->setChecked(true);
    if (QAbstractButton *controller = OptController->button(m_state.Machine.Controller))
        controller->setChecked(true);
    optEcho->button(m_state.Machine.echoes() ? 1 : 0)->setChecked(true);
}

void frmProperties::cmdOK_Click()
{
    m_state.Machine.Echo = m_echo ? QStringLiteral("ON") : QStringLiteral("OFF");
    if (!applyPort())
        return;
    const QString settings = cboSpeed->currentText().trimmed() + QLatin1Char(',') +
                             cboParity->currentText().left(1) + QLatin1Char(',') +
                             cboDataBits->currentText().trimmed() + QLatin1Char(',') +
                             cboStopBits->currentText().trimmed();
    if (!m_port.setSettings(settings) || !m_port.setHandshaking(false)) {
        refuse(m_port.errorString());
        return;
    }
    writeFile();
}

// A failed change of port is undone; the dialog stays open so the user can correct it.
bool frmProperties::applyPort()
{
    const int oldPort = m_port.commPort();
    const int newPort = cboPort->currentIndex() + 1;
    if (newPort == oldPort)
        return true;
    const bool wasOpen = m_port.portOpen();
    bool ok = !wasOpen || m_port.setPortOpen(false);
    ok = ok && m_port.setCommPort(newPort);
    ok = ok && (!wasOpen || m_port.setPortOpen(true));
    if (ok)
        return true;
    refuse(m_port.errorString());
    m_port.setCommPort(oldPort);
    return false;
}

bool frmProperties::refuse(const QString &description)
{
    m_messages.show(description, QString(), MessageBoxes::Icon::Exclamation);
    return false;
}

void frmProperties::writeFile()
{
    const BusyCursor busy;
    const MachineSettings &machine = m_state.Machine;
    MachineSettingsFile::Values values;
    values.port = m_port.commPort();
    values.baud = cboSpeed->currentText().trimmed();
    values.parity = cboParity->currentText().left(1);
    values.dataBits = cboDataBits->currentText().trimmed();
    values.stopBits = cboStopBits->currentText().trimmed();
    values.flow = machine.Flow;
    values.echo = machine.Echo;
    values.controller = machine.Controller;

    const QString failure =
        MachineSettingsFile::save(MachineSettingsLoader::pathIn(m_state.ProgramFolder, machine.MchFileName),
                                  MachineSettingsFile::dialogLayout(values));
    accept();
    if (!failure.isEmpty()) {
        m_log.addLine(QStringLiteral("設定ファイル'") + machine.MchFileName +
                      QStringLiteral("'に書き込みを失敗しました。"));
        m_log.addLine(failure);
        return;
    }
    m_status.setSettingsText(MachineSettingsLoader::statusText(
        machine.Controller, QStringLiteral(" COM") + QString::number(m_port.commPort()), m_port.settings()));
    m_log.addLine(QStringLiteral("設定ファイル'") + machine.MchFileName +
                  QStringLiteral("'に書き込みました。"));
}

namespace {

QButtonGroup *options(QWidget *owner, QLayout *layout, const QStringList &captions,
                      const QStringList &tips = {})
{
    auto *group = new QButtonGroup(owner);
    for (int i = 0; i < captions.size(); ++i) {
        auto *button = new QRadioButton(captions[i]);
        if (i < tips.size() && !tips[i].isEmpty())
            button->setToolTip(tips[i]);
        group->addButton(button, i);
        layout->addWidget(button);
    }
    return group;
}

QLabel *note(const QString &text)
{
    auto *label = new QLabel(text);
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: #a04000;"));
    return label;
}

} // namespace

void frmProperties::createControls()
{
    tabSettings = new QTabWidget(this);
    tabSettings->setObjectName(QStringLiteral("tabSettings"));
    auto *fraSettings = new QWidget;
    fraSettings->setObjectName(QStringLiteral("fraSettings"));
    tabSettings->addTab(fraSettings, QStringLiteral("ﾌﾟﾛﾊﾟﾃｨ"));

    cboPort = new QComboBox;
    cboSpeed = new QComboBox;
    cboSpeed->setEditable(true);
    cboDataBits = new QComboBox;
    cboDataBits->setEditable(true);
    cboParity = new QComboBox;
    cboStopBits = new QComboBox;
    cboStopBits->setEditable(true);

    auto *portRow = new QHBoxLayout;
    portRow->addWidget(new QLabel(QStringLiteral("ﾎﾟｰﾄ:")));
    portRow->addWidget(cboPort, 1);

    auto *Frame1 = new QGroupBox(QStringLiteral("通信速度"));
    (new QVBoxLayout(Frame1))->addWidget(cboSpeed);

    auto *fraConnection = new QGroupBox(QStringLiteral("接続設定"));
    auto *connection = new QFormLayout(fraConnection);
    connection->addRow(QStringLiteral("ﾃﾞｰﾀ ﾋﾞｯﾄ:"), cboDataBits);
    connection->addRow(QStringLiteral("ﾊﾟﾘﾃｨ:"), cboParity);
    connection->addRow(QStringLiteral("ｽﾄｯﾌﾟ ﾋﾞｯﾄ:"), cboStopBits);
    connection->addRow(
        note(QStringLiteral("※ 通常はﾃﾞｰﾀビット7，パリティーEven, ストップビット2にしてください。")));

    auto *Frame2 = new QGroupBox(QStringLiteral("制御装置"));
    auto *controllerRow = new QHBoxLayout(Frame2);
    OptController = options(this, controllerRow, {QStringLiteral("OSP"), QStringLiteral("FANUC")});

    auto *Frame5 = new QGroupBox(QStringLiteral("ﾌﾛｰ制御(&F)"));
    auto *flowColumn = new QVBoxLayout(Frame5);
    optFlow = options(this, flowColumn,
                      {QStringLiteral("なし"), QStringLiteral("DC制御"),
                       QStringLiteral("DC制御（ファイル名送信後DC1を待つ)")},
                      {QStringLiteral("OSP5000などのDC制御が無い時に使用します。"),
                       QStringLiteral("FANUCやOSPの一般的な設定"),
                       QStringLiteral("OSPで機械側でファイルの重書きが無視される時に使用")});

    auto *Frame7 = new QGroupBox(QStringLiteral("転送ﾃﾞｰﾀの表示"));
    auto *echoColumn = new QVBoxLayout(Frame7);
    auto *echoRow = new QHBoxLayout;
    echoColumn->addLayout(echoRow);
    optEcho = options(this, echoRow, {QStringLiteral("Off"), QStringLiteral("On")},
                      {QString(), QStringLiteral("表示をONにすると処理速度が遅くなります。")});
    echoColumn->addWidget(note(QStringLiteral("データの確認用です。通常はOｆｆで使用してください。")));

    auto *left = new QVBoxLayout;
    left->addLayout(portRow);
    left->addWidget(Frame1);
    left->addWidget(fraConnection);
    left->addStretch();
    auto *right = new QVBoxLayout;
    right->addWidget(Frame2);
    right->addWidget(Frame5);
    right->addWidget(Frame7);
    right->addStretch();
    auto *columns = new QHBoxLayout(fraSettings);
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    cmdOK = new QPushButton(QStringLiteral("OK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto *page = new QVBoxLayout(this);
    page->addWidget(tabSettings);
    page->addLayout(buttons);

    // Controller and flow take effect at once; echo only with OK.
    connect(OptController, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            m_state.Machine.Controller = qint16(id);
    });
    connect(optFlow, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            m_state.Machine.Flow = qint16(id);
    });
    connect(optEcho, &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (on)
            m_echo = id == 1;
    });
}
