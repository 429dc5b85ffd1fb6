// SPDX-License-Identifier: GPL-2.0-or-later
#include "fileops/PasteProgressDialog.h"

#include <QApplication>

#include <limits>

namespace {

// Often enough for the window to feel live, seldom enough not to slow a paste of small files.
constexpr qint64 EventsEveryUs = 20'000;

} // namespace

PasteProgressDialog::PasteProgressDialog(const LineClock *clock) : m_clock(clock ? *clock : m_steady) {}

PasteProgressDialog::~PasteProgressDialog()
{
    finish();
}

void PasteProgressDialog::start(qsizetype files)
{
    finish();
    m_files = files;
    m_startUs = m_clock.nowUs();
}

void PasteProgressDialog::show(qsizetype done)
{
    if (!m_dialog && done < m_files && m_clock.nowUs() - m_startUs >= MinimumDurationUs)
        appear();
    if (!m_dialog)
        return;
    m_dialog->setLabelText(
        QStringLiteral("%1個のファイルのうち%2個目をコピーしています…").arg(m_files).arg(done + 1));
    m_dialog->setValue(int(qMin(done, qsizetype(m_dialog->maximum()))));
}

bool PasteProgressDialog::cancelled()
{
    if (!m_dialog)
        return false;
    const qint64 now = m_clock.nowUs();
    if (now - m_eventsUs >= EventsEveryUs) {
        m_eventsUs = now;
        QCoreApplication::processEvents();
    }
    return m_dialog && m_dialog->wasCanceled();
}

void PasteProgressDialog::finish()
{
    delete m_dialog.data();
}

// Over the window the paste was asked in; it stays live behind the dialog, which holds only its input.
void PasteProgressDialog::appear()
{
    QWidget *window = QApplication::activeWindow();
    m_dialog = new QProgressDialog(QString(), QStringLiteral("キャンセル"), 0,
                                   int(qMin(m_files, qsizetype(std::numeric_limits<int>::max()))), window);
    m_dialog->setWindowTitle(QStringLiteral("ファイルのコピー"));
    m_dialog->setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    m_dialog->setMinimumDuration(0); // the second has passed already
    m_dialog->show();
    m_eventsUs = m_clock.nowUs() - EventsEveryUs;
}
