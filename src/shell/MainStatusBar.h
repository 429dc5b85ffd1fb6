// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/StatusLine.h"

#include <QStatusBar>

class QLabel;
class QTimer;

// The status bar: the "Settings" panel, then the date and the time, kept current.
class MainStatusBar final : public QStatusBar, public StatusLine {
    Q_OBJECT
public:
    explicit MainStatusBar(QWidget *parent = nullptr);

    QString settingsText() const;
    void setSettingsText(const QString &text) override;
    QString dateText() const;
    QString timeText() const;

private:
    void tick();

    QLabel *m_settings;
    QLabel *m_date;
    QLabel *m_time;
    QTimer *m_clock;
};
