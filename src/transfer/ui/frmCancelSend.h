// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDialog>
#include <QPointer>

struct TransferState;
class QLabel;
class QProgressBar;
class QPushButton;
class QWindow;

// The abort dialog of a transfer: its progress, and the one button that stops it.
class frmCancelSend final : public QDialog {
    Q_OBJECT
public:
    explicit frmCancelSend(TransferState &transfer, QWidget *parent = nullptr);

    // A send's share of the file's bytes; a receive's count of bytes (total below zero).
    void setProgress(qint64 done, qint64 total, const QString &fileName = QString());

    QLabel *Label1 = nullptr;
    QPushButton *Command1 = nullptr;
    QProgressBar *Progress = nullptr;
    QLabel *Detail = nullptr;

signals:
    void aborted();

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    // The button, Escape and the close box all abort: a transfer never runs on without its dialog.
    void reject() override;

private:
    void stayReachable();

    TransferState &m_transfer;
    QPointer<QWindow> m_host; // the window Qt takes for this one's parent
};
