// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "BenchMeasures.h"
#include "platform/ui/QtMessageBoxes.h"
#include "transfer/ui/TransferCommands.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>

// What the window does while a transfer runs: nothing; a modal message box, the program's own, open
// from soon after the start until the transfer ends, its event loop nested in the window's; or long
// work that holds the window's thread 0.8 s out of every second, as listing a folder of 100 000 files
// holds it. The CPU that work burns is counted apart, so as not to be taken for Talvern's.
class WindowLoad {
public:
    enum class Kind { None, MessageBox, Busy };
    static constexpr int BusyMs = 800;
    static constexpr int PeriodMs = 1000;

    WindowLoad(Kind kind, TransferCommands &commands) : m_kind(kind)
    {
        m_timer.setSingleShot(kind == Kind::MessageBox);
        m_timer.setInterval(kind == Kind::MessageBox ? 100 : PeriodMs);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer,
                         [this] { m_kind == Kind::MessageBox ? openBox() : work(); });
        QObject::connect(&commands, &TransferCommands::runningChanged, &m_timer, [this](bool running) {
            if (!running)
                stop();
        });
    }

    void start()
    {
        if (m_kind != Kind::None)
            m_timer.start();
    }
    void stop()
    {
        m_timer.stop();
        if (QWidget *box = QApplication::activeModalWidget(); box && qobject_cast<QMessageBox *>(box))
            box->close();
    }

    double burntSeconds() const { return m_burnt; }

private:
    void openBox()
    {
        QtMessageBoxes().show(QStringLiteral("ベンチマーク: 転送中に開いたダイアログです。"), QString(),
                              MessageBoxes::Icon::Information, MessageBoxes::Buttons::Ok);
    }
    void work()
    {
        const double before = threadCpuSeconds();
        QElapsedTimer busy;
        busy.start();
        while (busy.elapsed() < BusyMs) {
        }
        m_burnt += threadCpuSeconds() - before;
    }

    Kind m_kind;
    QTimer m_timer;
    double m_burnt = 0.0;
};
