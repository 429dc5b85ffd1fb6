// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/Log.h"

#include <QPlainTextEdit>

// The log pane (Text2): progress and results, one line each, added at the insertion point. It keeps
// the latest lines only, each cut to what a person reads, so that neither a day of continuous
// reception nor one huge line costs memory or holds the window.
class LogPane final : public QPlainTextEdit, public Log {
    Q_OBJECT
public:
    static constexpr int MaxLines = 10'000;
    static constexpr qsizetype MaxLineLength = 1'000; // characters shown of a line, its mark included

    explicit LogPane(QWidget *parent = nullptr);
    void addLine(const QString &line) override;
    void clear() override { QPlainTextEdit::clear(); }
};
