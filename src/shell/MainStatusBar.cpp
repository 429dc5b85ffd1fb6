// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/MainStatusBar.h"

#include "platform/ui/Twips.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QTimer>

namespace {

QLabel *panel(QWidget *parent, int minimumTwips)
{
    auto *label = new QLabel(parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setMinimumWidth(Twips::toPixels(minimumTwips));
    label->setContentsMargins(3, 0, 3, 0);
    return label;
}

} // namespace

MainStatusBar::MainStatusBar(QWidget *parent)
    : QStatusBar(parent), m_settings(panel(this, 0)), m_date(panel(this, 1440)), m_time(panel(this, 1440)),
      m_clock(new QTimer(this))
{
    setObjectName(QStringLiteral("sbStatusBar"));
    setSizeGripEnabled(true);
    m_settings->setObjectName(QStringLiteral("Settings"));
    m_settings->setText(QStringLiteral("ｽﾃｰﾀｽ"));
    addWidget(m_settings, 1);
    addPermanentWidget(m_date);
    addPermanentWidget(m_time);
    tick();
    connect(m_clock, &QTimer::timeout, this, &MainStatusBar::tick);
    m_clock->start(1000);
}

QString MainStatusBar::settingsText() const
{
    return m_settings->text();
}

void MainStatusBar::setSettingsText(const QString &text)
{
    m_settings->setText(text);
}

QString MainStatusBar::dateText() const
{
    return m_date->text();
}

QString MainStatusBar::timeText() const
{
    return m_time->text();
}

void MainStatusBar::tick()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    m_date->setText(locale.toString(now.date(), QLocale::ShortFormat));
    m_time->setText(locale.toString(now.time(), QLocale::ShortFormat));
}
