// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/Log.h"

#include <QPlainTextEdit>

// The log pane (Text2): progress and results, one line each, added at the insertion point.
class LogPane final : public QPlainTextEdit, public Log {
    Q_OBJECT
public:
    explicit LogPane(QWidget *parent = nullptr);
    void addLine(const QString &line) override;
    void clear() override { QPlainTextEdit::clear(); }
};
