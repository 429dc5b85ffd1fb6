// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/PersistedSettings.h"

#include "core/AppState.h"
#include "platform/files/MountedDrives.h"
#include "platform/files/NativeName.h"

#include <QSettings>

#include <charconv>
#include <cmath>
#include <limits>

namespace {

const QString Group = QStringLiteral("Settings");

// Anything that is not a number falls back to the default, silently, like an absent key.
float readFloat(const QSettings &store, const QString &key, float fallback)
{
    bool ok = false;
    const double value = store.value(key).toString().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::abs(value) > std::numeric_limits<float>::max())
        return fallback;
    return float(value);
}

template <typename Int> Int readInt(const QSettings &store, const QString &key, Int fallback)
{
    bool ok = false;
    const double value = store.value(key).toString().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return fallback;
    const double rounded = std::nearbyint(value); // halves to the even neighbour
    if (rounded < double(std::numeric_limits<Int>::min()) ||
        rounded > double(std::numeric_limits<Int>::max()))
        return fallback;
    return Int(rounded);
}

QString readText(const QSettings &store, const QString &key, const QString &fallback)
{
    const QVariant value = store.value(key);
    return value.isValid() ? value.toString() : fallback;
}

// A folder whose name is not UTF-8 is kept as its bytes: a lone surrogate does not survive the text
// of the store. Any other path stays plain text, as settings written before read it.
QString readFolder(const QSettings &store, const QString &key, const QString &fallback)
{
    const QVariant value = store.value(key);
    if (value.typeId() == QMetaType::QByteArray)
        return NativeName::fromBytes(value.toByteArray());
    return value.isValid() ? value.toString() : fallback;
}

QVariant folderValue(const QString &path)
{
    return NativeName::isEscaped(path) ? QVariant(NativeName::toBytes(path)) : QVariant(path);
}

} // namespace

WindowPlacement PersistedSettings::load(QSettings &store, AppState &state)
{
    const WindowPlacement defaults;
    const PrintOptions print;
    WindowPlacement placement;
    store.beginGroup(Group);
    placement.MainLeft = readFloat(store, QStringLiteral("MainLeft"), defaults.MainLeft);
    placement.MainTop = readFloat(store, QStringLiteral("MainTop"), defaults.MainTop);
    placement.MainWidth = readFloat(store, QStringLiteral("MainWidth"), defaults.MainWidth);
    placement.MainHeight = readFloat(store, QStringLiteral("MainHeight"), defaults.MainHeight);
    state.CurrentFolder = readFolder(store, QStringLiteral("OpenPathName"), MountedDrives::systemRoot());
    state.Machine.MchFileName = readText(store, QStringLiteral("MchFileName"), MachineSettings().MchFileName);
    state.StartupMchFileName = state.Machine.MchFileName;
    state.Print.PrintFontName = readText(store, QStringLiteral("PrintFontName"), print.PrintFontName);
    state.Print.PrintFontSize = readInt(store, QStringLiteral("PrintFontSize"), print.PrintFontSize);
    state.Print.PrinterOrientation = PageOrientation(
        readInt(store, QStringLiteral("PrinterOrientation"), qint16(print.PrinterOrientation)));
    state.Print.LeftMerge = readInt(store, QStringLiteral("LeftMerge"), print.LeftMerge);
    state.Print.RightMerge = readInt(store, QStringLiteral("RightMerge"), print.RightMerge);
    state.Print.PrintLineNo =
        PrintOptions::Columns(readInt(store, QStringLiteral("PrintLineNo"), qint16(print.PrintLineNo)));
    state.Print.PrintDate =
        PrintOptions::HeaderDate(readInt(store, QStringLiteral("PrintDate"), qint16(print.PrintDate)));
    store.endGroup();
    return placement;
}

void PersistedSettings::save(QSettings &store, const WindowPlacement &placement, const AppState &state)
{
    store.beginGroup(Group);
    store.setValue(QStringLiteral("MainLeft"), floatText(placement.MainLeft));
    store.setValue(QStringLiteral("MainTop"), floatText(placement.MainTop));
    store.setValue(QStringLiteral("MainWidth"), floatText(placement.MainWidth));
    store.setValue(QStringLiteral("MainHeight"), floatText(placement.MainHeight));
    store.setValue(QStringLiteral("OpenPathName"), folderValue(state.CurrentFolder));
    if (state.Machine.MchFileName != state.StartupMchFileName ||
        !store.contains(QStringLiteral("MchFileName")))
        store.setValue(QStringLiteral("MchFileName"), state.Machine.MchFileName);
    store.setValue(QStringLiteral("PrintFontName"), state.Print.PrintFontName);
    store.setValue(QStringLiteral("PrintFontSize"), QString::number(state.Print.PrintFontSize));
    store.setValue(QStringLiteral("PrinterOrientation"),
                   QString::number(qint16(state.Print.PrinterOrientation)));
    store.setValue(QStringLiteral("LeftMerge"), QString::number(state.Print.LeftMerge));
    store.setValue(QStringLiteral("RightMerge"), QString::number(state.Print.RightMerge));
    store.setValue(QStringLiteral("PrintLineNo"), QString::number(qint16(state.Print.PrintLineNo)));
    store.setValue(QStringLiteral("PrintDate"), QString::number(qint16(state.Print.PrintDate)));
    store.endGroup();
    store.sync();
}

QString PersistedSettings::floatText(float value)
{
    if (value == std::trunc(value) && std::abs(value) < 1e15f)
        return QString::number(qint64(value));
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value); // shortest text that reads back
    return QString::fromLatin1(text, result.ptr - text);
}
