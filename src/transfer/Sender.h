#pragma once

#include "transfer/TransferContext.h"

#include <QByteArray>
#include <QList>
#include <QObject>

// Sends the marked NC files to the machine with its framing and DC1/DC3 pacing.
class Sender final : public QObject {
    Q_OBJECT
public:
    explicit Sender(const TransferContext &context, QObject *parent = nullptr);

    void mnuTransOutput_Click();
    // The port went away under a running send.
    void portFailed(const QString &description);

    // A file's lines: each ends at CR or CR LF, which is not part of it; a lone LF is.
    static QList<QByteArray> lines(const QByteArray &content);

private:
    enum class Outcome { Sent, Cancelled, Failed };
    Outcome sendFile(const QString &name, const QString &diskName);
    bool write(const QByteArray &bytes);
    bool waitForDc1();
    bool stopped() const;
    void fail(const QString &name, QString description);
    void end();

    TransferContext m_context;
    QString m_failure;
};
