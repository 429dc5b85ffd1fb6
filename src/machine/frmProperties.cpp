// SPDX-License-Identifier: GPL-2.0-or-later
#include "machine/frmProperties.h"

#include "machine/DeviceLabel.h"
#include "platform/ui/MessageBoxes.h"

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

namespace {

// Qt makes the option that takes the focus its group's one Tab stop; until one has, every option is one,
// and Tab lands on the first, where a single Space changes the choice. The stop is the choice.
void tabStopOn(QButtonGroup *group, QAbstractButton *stop)
{
    for (QAbstractButton *button : group->buttons()) {
        const Qt::FocusPolicy policy = button->focusPolicy();
        button->setFocusPolicy(button == stop ? Qt::FocusPolicy(policy | Qt::TabFocus)
                                              : Qt::FocusPolicy(policy & ~Qt::TabFocus));
    }
}

} // namespace

frmProperties::frmProperties(const QString &mchFileName, const PortProperties &shown, Apply apply,
                             DeviceOf deviceOf, MessageBoxes &messages, QWidget *parent)
    : QDialog(parent), m_apply(std::move(apply)), m_deviceOf(std::move(deviceOf)), m_messages(messages),
      m_port(shown.port)
{
    setObjectName(QStringLiteral("frmProperties"));
    setWindowTitle(QStringLiteral("通信ﾎﾟｰﾄのﾌﾟﾛﾊﾟﾃｨ"));
    createControls();
    setWindowTitle(mchFileName);
    LoadPropertySettings(shown);
    showDevice();
    connect(cboPort, &QComboBox::currentIndexChanged, this, &frmProperties::showDevice);
    connect(cmdOK, &QPushButton::clicked, this, &frmProperties::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmProperties::LoadPropertySettings(const PortProperties &shown)
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
    cboParity->addItems(PortProperties::parityNames());
    cboStopBits->clear();
    cboStopBits->addItems({"1", "1.5", "2"});

    cboPort->setCurrentIndex(shown.port - 1);
    cboSpeed->setCurrentText(shown.speed);
    cboParity->setCurrentIndex(int(PortProperties::parityNames().indexOf(shown.parity)));
    cboDataBits->setCurrentText(shown.dataBits);
    cboStopBits->setCurrentText(shown.stopBits);
    // An option's id is the value it stands for; a value the dialog has no option for (a flow mode
    // of 3) leaves its group without a choice.
    const std::pair<QButtonGroup *, int> choices[] = {
        {optFlow, shown.flow ? int(*shown.flow) : -1},
        {OptController, shown.controller ? int(*shown.controller) : -1},
        {optEcho, shown.echo ? 1 : 0}};
    for (const auto &[group, id] : choices) {
        group->setExclusive(false);
        for (QAbstractButton *button : group->buttons())
            button->setChecked(group->id(button) == id);
        group->setExclusive(true);
        tabStopOn(group, group->checkedButton() ? group->checkedButton() : group->buttons().constFirst());
    }
}

PortProperties frmProperties::chosen() const
{
    PortProperties values;
    // A port beyond the list stays as it is.
    values.port = cboPort->currentIndex() < 0 ? m_port : cboPort->currentIndex() + 1;
    values.speed = cboSpeed->currentText();
    values.parity = cboParity->currentText();
    values.dataBits = cboDataBits->currentText();
    values.stopBits = cboStopBits->currentText();
    if (const int id = optFlow->checkedId(); id >= 0)
        values.flow = MachineSettings::FlowMode(id);
    if (const int id = OptController->checkedId(); id >= 0)
        values.controller = MachineSettings::ControllerFamily(id);
    values.echo = optEcho->checkedId() == 1;
    return values;
}

void frmProperties::showDevice()
{
    lblDevice->setDevice(m_deviceOf(chosen().port));
}

// Values the port refuses are shown and keep the dialog open, so that the user can correct them.
void frmProperties::cmdOK_Click()
{
    if (const Outcome applied = m_apply(chosen()); !applied) {
        m_messages.show(applied.reason(), QString(), MessageBoxes::Icon::Exclamation);
        return;
    }
    accept();
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

    lblDevice = new DeviceLabel;
    lblDevice->setObjectName(QStringLiteral("lblDevice"));
    lblDevice->setAccessibleName(QStringLiteral("ﾃﾞﾊﾞｲｽ"));

    auto *portRow = new QHBoxLayout;
    auto *portLabel = new QLabel(QStringLiteral("ﾎﾟｰﾄ:"));
    portLabel->setBuddy(cboPort); // names the list for a screen reader
    portRow->addWidget(portLabel);
    portRow->addWidget(cboPort);
    portRow->addWidget(lblDevice, 1);

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
}
