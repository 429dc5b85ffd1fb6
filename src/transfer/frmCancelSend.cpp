// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/frmCancelSend.h"

#include "core/TransferState.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

frmCancelSend::frmCancelSend(TransferState &transfer, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint), m_transfer(transfer)
{
    setObjectName(QStringLiteral("frmCancelSend"));
    // Not above every window but a child of the main one: the window manager keeps it in front of that
    // window, and a question opened later while the transfer runs comes up in front of it. It takes no
    // keyboard focus when it appears: keys typed in the window must not reach "中止".
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(QStringLiteral("Talvern"));
    setModal(false);
    Label1 = new QLabel(this);
    Label1->setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 10));
    Label1->setMinimumWidth(320);
    Progress = new QProgressBar(this);
    Progress->setTextVisible(true);
    Detail = new QLabel(this);
    Command1 = new QPushButton(QStringLiteral("中止"), this);
    Command1->setMinimumHeight(40); // a big target for a gloved hand
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Progress);
    layout->addWidget(Detail);
    layout->addWidget(Command1);
    connect(Command1, &QPushButton::clicked, this, &frmCancelSend::Command1_Click);
}

void frmCancelSend::setText(const QString &text)
{
    Label1->setText(text);
}

void frmCancelSend::setProgress(qint64 done, qint64 total, const QString &fileName)
{
    if (total >= 0) {
        Progress->setVisible(true);
        Progress->setRange(0, 1000);
        Progress->setValue(total > 0 ? int(done * 1000 / total) : 1000);
        Progress->setFormat(QStringLiteral("%p%"));
        Detail->setText(fileName);
    } else {
        Progress->setVisible(false);
        Detail->setText(QStringLiteral("%1 バイト受信").arg(done));
    }
}

void frmCancelSend::Command1_Click()
{
    m_transfer.EndFlag = true;
    hide();
    emit aborted();
}

// Escape or the close box abort, as the button does; a transfer never runs on without its dialog.
void frmCancelSend::reject()
{
    Command1_Click();
}

void frmCancelSend::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_transfer.DialogShown = true;
}

void frmCancelSend::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    m_transfer.DialogShown = false;
}
