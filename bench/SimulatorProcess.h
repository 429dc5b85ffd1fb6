// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QCoreApplication>
#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

// The controller simulator as a process of its own, so that this process's CPU time is Talvern's
// alone; what it prints is collected as the event loop runs, or while a call here waits for it.
class SimulatorProcess {
public:
    explicit SimulatorProcess(const QStringList &arguments)
    {
        m_process.setProgram(QCoreApplication::applicationDirPath() +
                             QStringLiteral("/talvern-controller-sim"));
        // No link at the user's own path: a simulator of theirs may be using it.
        m_process.setArguments(arguments + QStringList{QStringLiteral("--link"), QString()});
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &m_process,
                         [this] { m_output += m_process.readAllStandardOutput(); });
        m_process.start();
    }
    ~SimulatorProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    // The pty's slave, once the simulator says it is ready.
    QString device()
    {
        static const QRegularExpression ready(QStringLiteral("Simulator ready on (\\S+)"));
        while (!ready.match(QString::fromLocal8Bit(m_output)).hasMatch()) {
            if (!m_process.waitForReadyRead(10000))
                return {};
            m_output += m_process.readAllStandardOutput();
        }
        return ready.match(QString::fromLocal8Bit(m_output)).captured(1);
    }

    // The numbers of the summary line "line: B bytes, first at F ns, last at L ns[, held H times for
    // S s]" as printed so far; empty before it.
    QList<double> summarySoFar() const
    {
        static const QRegularExpression line(
            QStringLiteral("line: (\\d+) bytes, first at (\\d+) ns, last at (\\d+) ns(?:, held (\\d+) times "
                           "for ([\\d.]+) s)?"));
        const QRegularExpressionMatch match = line.match(QString::fromLocal8Bit(m_output));
        QList<double> numbers;
        for (int i = 1; match.hasMatch() && i <= 5; ++i)
            numbers.append(match.captured(i).toDouble());
        return numbers;
    }

    // The same, waiting for it as long as the simulator runs.
    QList<double> summary()
    {
        while (summarySoFar().isEmpty()) {
            if (!m_process.waitForReadyRead(120000))
                return {};
            m_output += m_process.readAllStandardOutput();
        }
        return summarySoFar();
    }

    QByteArray output() const { return m_output; }

private:
    QProcess m_process;
    QByteArray m_output;
};
