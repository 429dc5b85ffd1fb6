// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/ui/frmCancelSend.h"

#include "core/TransferState.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

frmCancelSend::frmCancelSend(TransferState &transfer, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint), m_transfer(transfer)
{
    setObjectName(QStringLiteral("frmCancelSend"));
    // Not above every window but a child of the main one: the window manager keeps it in front of that
    // window, and a question opened later while the transfer runs comes up in front of it (and does not
    // block it: see stayReachable()). It takes no keyboard focus when it appears: keys typed in the
    // window must not reach "中止".
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
    connect(Command1, &QPushButton::clicked, this, &frmCancelSend::reject);
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

void frmCancelSend::reject()
{
    hide();
    emit aborted();
}

bool frmCancelSend::event(QEvent *event)
{
    if (event->type() == QEvent::WindowBlocked)
        stayReachable();
    return QDialog::event(event);
}

// Sent before the window system shows the dialog: shown while a question is open, it comes up in front.
void frmCancelSend::showEvent(QShowEvent *event)
{
    stayReachable();
    QDialog::showEvent(event);
    m_transfer.DialogShown = true;
}

void frmCancelSend::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    m_transfer.DialogShown = false;
}

// A question or dialog the window opens is modal, and Qt then takes input only for that window and the
// windows that are its (transient) children: the main window's other children, this one among them, are
// blocked. The operator must be able to stop a wrong program without first answering something else, so
// while a modal window is open this dialog counts as its child, and as the main window's again once it
// closes. Qt alone is told; the window manager keeps the stacking it was given when the dialog was shown.
void frmCancelSend::stayReachable()
{
    QWindow *own = windowHandle();
    if (!own)
        return;
    QWindow *host = QGuiApplication::modalWindow();
    // A question asked over this dialog cannot also be its parent.
    if (!host || own->isAncestorOf(host, QWindow::IncludeTransients))
        host = parentWidget() ? parentWidget()->window()->windowHandle() : nullptr;
    if (own->transientParent() == host)
        return;
    if (m_host)
        disconnect(m_host, nullptr, this, nullptr);
    m_host = host;
    if (host && host->isModal()) {
        // Looked at again once the modal window has left Qt's list of them.
        const auto later = [this] {
            QMetaObject::invokeMethod(this, &frmCancelSend::stayReachable, Qt::QueuedConnection);
        };
        connect(host, &QWindow::visibleChanged, this, later);
        connect(host, &QObject::destroyed, this, later);
    }
    own->setTransientParent(host);
}
