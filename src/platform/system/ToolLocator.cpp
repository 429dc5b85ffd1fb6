// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/system/ToolLocator.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString OmbrelPath = QStringLiteral("C:\\Program Files\\Ombrel\\Ombrel.exe");
const QString QuorrinPath = QStringLiteral("C:\\Program Files\\Quorrin\\Quorrin.exe");
const QString LaskarPath = QStringLiteral("C:\\Program Files\\Laskar\\Laskar.exe");
const QString OfficeFolders[] = {QStringLiteral("C:\\Program Files\\Microsoft Office\\Office\\"),
                                 QStringLiteral("C:\\Program Files\\Microsoft Office\\Office11\\")};

#if !defined(Q_OS_WIN)
// Graphical editors in the order they are tried, the desktop environments' own first.
const char *const TextEditors[] = {
    "gnome-text-editor", "gedit", "mousepad", "pluma", "xed", "kate", "kwrite", "featherpad", "leafpad"};

// Programs that open on a summary of the machine's hardware and system: the dedicated system profilers
// first, then the desktops' own pages (GNOME's "About" panel is "info-overview").
const struct {
    const char *program;
    const char *argument;
} SystemInformationTools[] = {{"hardinfo2", nullptr},
                              {"hardinfo", nullptr},
                              {"kinfocenter", nullptr},
                              {"gnome-control-center", "info-overview"}};
#endif

} // namespace

#if defined(Q_OS_WIN)

ToolLocator::ToolLocator(const QProcessEnvironment &environment)
{
    Q_UNUSED(environment);
}

bool ToolLocator::ombrelExists() const
{
    return QFileInfo(OmbrelPath).isFile();
}

ToolLocator::Command ToolLocator::windowsProgram(const QString &path) const
{
    return {path, {}, {}};
}

ToolLocator::Command ToolLocator::notepad() const
{
    return {QStringLiteral("notepad.exe"), {}, {}};
}

// The registry names the system information tool here (the About dialog asks it first).
ToolLocator::Command ToolLocator::systemInformation() const
{
    return {};
}

ToolLocator::Command ToolLocator::office(const QString &exe, const QString &libreOfficeSwitch,
                                         const QString &libreOfficeLauncher) const
{
    Q_UNUSED(libreOfficeSwitch);
    Q_UNUSED(libreOfficeLauncher);
    for (const QString &folder : OfficeFolders) {
        if (QFileInfo(folder + exe).isFile())
            return {folder + exe, {}, {}};
    }
    return {{},
            {},
            QStringLiteral("%1は'%2'にも'%3'にもありません。").arg(exe, OfficeFolders[0], OfficeFolders[1])};
}

#else

ToolLocator::ToolLocator(const QProcessEnvironment &environment)
{
    QString prefix = environment.value(QStringLiteral("WINEPREFIX"));
    if (prefix.isEmpty()) {
        const QString home = environment.value(QStringLiteral("HOME"));
        prefix = (home.isEmpty() ? QDir::homePath() : home) + QStringLiteral("/.wine");
    }
    m_driveC = prefix + QStringLiteral("/drive_c");
    for (const QString &folder : environment.value(QStringLiteral("PATH")).split(QDir::listSeparator())) {
        if (!folder.isEmpty())
            m_searchPath.append(folder);
    }
}

QString ToolLocator::findOnPath(const QString &name) const
{
    // An empty list would make Qt search the process's own PATH instead of the one given.
    if (m_searchPath.isEmpty())
        return {};
    return QStandardPaths::findExecutable(name, m_searchPath);
}

QString ToolLocator::notOnPath(const QString &names) const
{
    return QStringLiteral("%1PATH（%2）のどのフォルダーにもありません。")
        .arg(names, m_searchPath.join(QDir::listSeparator()));
}

bool ToolLocator::ombrelExists() const
{
    // Only a copy that can be started counts, so a double-click falls back to a text editor.
    return !ombrel().isEmpty();
}

ToolLocator::Command ToolLocator::windowsProgram(const QString &path) const
{
    QString relative = path.mid(3); // after "C:\"
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString exe = m_driveC + QLatin1Char('/') + relative;
    const QString name = QFileInfo(exe).completeBaseName();
    if (!QFileInfo(exe).isFile())
        return {{}, {}, QStringLiteral("%1は'%2'にありません。").arg(name, exe)};
    const QString wine = findOnPath(QStringLiteral("wine"));
    if (wine.isEmpty())
        return {{}, {}, name + QStringLiteral("を動かす") + notOnPath(QStringLiteral("wineが"))};
    return {wine, {exe}, {}};
}

ToolLocator::Command ToolLocator::notepad() const
{
    QStringList tried;
    for (const char *editor : TextEditors) {
        tried.append(QString::fromLatin1(editor));
        const QString found = findOnPath(tried.last());
        if (!found.isEmpty())
            return {found, {}, {}};
    }
    const QString opener = findOnPath(QStringLiteral("xdg-open"));
    if (!opener.isEmpty())
        return {opener, {}, {}};
    return {{}, {}, notOnPath(QStringLiteral("テキストエディター（%1）もxdg-openも").arg(tried.join(u'、')))};
}

ToolLocator::Command ToolLocator::systemInformation() const
{
    for (const auto &tool : SystemInformationTools) {
        const QString found = findOnPath(QString::fromLatin1(tool.program));
        if (!found.isEmpty())
            return {
                found, tool.argument ? QStringList{QString::fromLatin1(tool.argument)} : QStringList(), {}};
    }
    return {};
}

ToolLocator::Command ToolLocator::office(const QString &exe, const QString &libreOfficeSwitch,
                                         const QString &libreOfficeLauncher) const
{
    QStringList missing;
    for (const QString &folder : OfficeFolders) {
        const Command command = windowsProgram(folder + exe);
        if (!command.isEmpty())
            return command;
        missing.append(command.missing);
    }
    const QString suite = findOnPath(QStringLiteral("libreoffice"));
    if (!suite.isEmpty())
        return {suite, {libreOfficeSwitch}, {}};
    const QString launcher = findOnPath(libreOfficeLauncher);
    if (!launcher.isEmpty())
        return {launcher, {}, {}};
    missing.removeDuplicates();
    missing.append(notOnPath(QStringLiteral("libreofficeも") + libreOfficeLauncher + QStringLiteral("も")));
    return {{}, {}, missing.join(u'\n')};
}

#endif

ToolLocator::Command ToolLocator::ombrel() const
{
    return windowsProgram(OmbrelPath);
}

ToolLocator::Command ToolLocator::quorrin() const
{
    return windowsProgram(QuorrinPath);
}

ToolLocator::Command ToolLocator::laskar() const
{
    return windowsProgram(LaskarPath);
}

ToolLocator::Command ToolLocator::excel() const
{
    return office(QStringLiteral("EXCEL.EXE"), QStringLiteral("--calc"), QStringLiteral("localc"));
}

ToolLocator::Command ToolLocator::word() const
{
    return office(QStringLiteral("WINWORD.EXE"), QStringLiteral("--writer"), QStringLiteral("lowriter"));
}
