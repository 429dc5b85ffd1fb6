// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

class Log;
class MessageBoxes;

// How the file and folder commands speak to the user: refusals and questions in message boxes with
// the exclamation icon, failures as a log line followed by the platform's words for them.
class Notices final {
public:
    Notices(MessageBoxes &messages, Log &log) : m_messages(messages), m_log(log) {}

    void refuse(const QString &text, const QString &title);
    bool ask(const QString &text, const QString &title);
    void log(const QString &line);
    void failure(const QString &line, const QString &why);

private:
    MessageBoxes &m_messages;
    Log &m_log;
};
