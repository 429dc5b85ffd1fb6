#pragma once

#include <QString>

// The current machine, as its settings file describes it.
struct MachineSettings {
    QString MchFileName = QStringLiteral("OSP-E100.MCH");
};
