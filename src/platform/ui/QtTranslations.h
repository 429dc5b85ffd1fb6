// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

class QCoreApplication;

// Qt's own texts (standard buttons, file, font and page-setup dialogs) in Japanese, as the rest of the
// program speaks, whatever the user's locale.
class QtTranslations final {
public:
    // False when Qt's Japanese catalogue is not installed; Qt's texts then stay English.
    static bool install(QCoreApplication &app);
};
