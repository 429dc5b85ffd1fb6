// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>

#include <utility>

// What a call that can fail did: done, or failed with the reason in the words an operator reads on the
// line below a failure (SystemReason). A caller that drops it hears of it from the compiler.
class [[nodiscard]] Outcome final {
public:
    Outcome() = default;
    static Outcome failed(QString reason) { return Outcome(std::move(reason)); }
    // Done when there is no reason to give.
    static Outcome unless(QString reason)
    {
        return reason.isEmpty() ? Outcome() : Outcome(std::move(reason));
    }

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const QString &reason() const { return m_reason; }

private:
    explicit Outcome(QString reason) : m_failed(true), m_reason(std::move(reason)) {}
    bool m_failed = false;
    QString m_reason;
};
