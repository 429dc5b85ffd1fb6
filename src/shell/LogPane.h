#pragma once

#include <QPlainTextEdit>

// The log pane (Text2): progress and results, one line each, added at the insertion point.
class LogPane final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit LogPane(QWidget *parent = nullptr);
    void addLine(const QString &line);
};
