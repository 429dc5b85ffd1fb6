// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/DataPane.h"

#include "core/TextLines.h"

#include <QLabel>
#include <QPixmap>
#include <QTextEdit>

void DataPane::clear()
{
    m_text->clear();
    showTextBox();
}

void DataPane::showTextBox()
{
    m_image->hide();
    m_text->show();
}

void DataPane::setText(const QString &text)
{
    // Display only: each line end shows as one line break.
    m_text->setPlainText(TextLines::split(text).join(QLatin1Char('\n')));
}

void DataPane::hideText()
{
    m_text->hide();
}

void DataPane::showPicture(const QImage &picture)
{
    m_pictureSize = picture.size();
    m_image->setScaledContents(true);
    m_image->setPixmap(QPixmap::fromImage(picture));
    m_image->resize(fitted(m_pictureSize, m_text->size()));
    m_image->show();
}

void DataPane::refit()
{
    if (m_image->isVisibleTo(m_image->parentWidget()) && !m_pictureSize.isEmpty())
        m_image->resize(fitted(m_pictureSize, m_text->size()));
}

QSize DataPane::fitted(QSize picture, QSize pane)
{
    const double w = picture.width();
    const double h = picture.height();
    const double paneW = pane.width();
    const double paneH = pane.height();
    if (w <= 0 || h <= 0 || paneW <= 0)
        return {};
    if (paneH / paneW > h / w)
        return QSize(pane.width(), qRound(h * paneW / w));
    return QSize(qRound(w * paneH / h), pane.height());
}
