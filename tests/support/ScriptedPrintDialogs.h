// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/PageOrientation.h"
#include "platform/print/PrintDialogs.h"

#include <QStringList>

#include <utility>

// Answers the page setup and font dialogs from a script (none cancels) and records what they were given.
class ScriptedPrintDialogs final : public PrintDialogs {
public:
    std::optional<bool> pageSetup(bool landscape) override
    {
        asked.append(QStringLiteral("page setup %1").arg(landscape ? 2 : 1));
        const std::optional<PageOrientation> chosen = std::exchange(orientation_, std::nullopt);
        if (!chosen)
            return std::nullopt;
        return *chosen == PageOrientation::Landscape;
    }
    std::optional<Font> font(const QString &family, int points) override
    {
        asked.append(QStringLiteral("font %1 %2").arg(family).arg(points));
        return std::exchange(font_, std::nullopt);
    }

    std::optional<PageOrientation> orientation_;
    std::optional<Font> font_;
    QStringList asked;
};
