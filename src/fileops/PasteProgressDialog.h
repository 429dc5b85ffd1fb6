// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/SteadyLineClock.h"
#include "fileops/PasteProgress.h"

#include <QPointer>
#include <QProgressDialog>

// A paste's progress in a window-modal dialog with a キャンセル button, shown once the paste has taken
// a second. The second is counted here on the given clock rather than by the dialog's own timer, so
// that the dialog never comes up in front of a question the paste is asking.
class PasteProgressDialog final : public PasteProgress {
public:
    explicit PasteProgressDialog(const LineClock *clock = nullptr);
    ~PasteProgressDialog() override;

    void start(qsizetype files) override;
    void show(qsizetype done) override;
    bool cancelled() override;
    void finish() override;

    QProgressDialog *dialog() const { return m_dialog; } // none until shown

    static constexpr qint64 MinimumDurationUs = 1'000'000;

private:
    void appear();

    SteadyLineClock m_steady;
    const LineClock &m_clock;
    QPointer<QProgressDialog> m_dialog; // the window it belongs to may go first
    qint64 m_startUs = 0;
    qint64 m_eventsUs = 0;
    qsizetype m_files = 0;
};
