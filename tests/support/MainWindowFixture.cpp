// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/MainWindowFixture.h"

#include "browser/FileListView.h"
#include "machine/MachineSettingsFile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>

MainWindowFixture::MainWindowFixture()
    : port(PortDevices(m_config.filePath(QStringLiteral("Talvern.conf")), QSettings::IniFormat)),
      m_workingDirectory(QDir::currentPath()),
      m_store(std::make_unique<QSettings>(m_config.filePath(QStringLiteral("Talvern.conf")),
                                          QSettings::IniFormat))
{
    // The settings folder holds the default settings file, as a first start finds it.
    state.SettingsFolder = m_settingsFolder.path();
    // The journal of the window's transfers, beside its settings: never the user's own.
    qputenv("XDG_DATA_HOME", m_config.filePath(QStringLiteral("data")).toLocal8Bit());
    settingsFile(QStringLiteral("OSP-E100.MCH"), MachineSettingsFile::newLayout());
}

MainWindowFixture::~MainWindowFixture()
{
    form.reset();
    QDir::setCurrent(m_workingDirectory);
}

void MainWindowFixture::preset(const QString &key, const QString &value)
{
    m_store->setValue(key.contains(QLatin1Char('/')) ? key : QStringLiteral("Settings/") + key, value);
    m_store->sync();
}

frmMain &MainWindowFixture::start(const QString &folder)
{
    if (!folder.isEmpty())
        preset(QStringLiteral("OpenPathName"), folder);
    form.reset(); // the port is the line's of one window at a time, as in the program
    form = std::make_unique<frmMain>(
        state, *m_store,
        PlatformServices{messages, launcher, fileDialogs,
                         useScriptedPort ? static_cast<SerialPort &>(scriptedPort) : port, *printer,
                         printDialogs});
    state.StartupFolderPending = true;
    // The window lists its folder on a thread of its own: the tests start with it listed.
    QSignalSpy listed(form->lvListView, &FileListView::listed);
    form->Show();
    form->LoadStartupSettingsFile(machine);
    form->activateWindow();
    if (!QTest::qWaitForWindowActive(form.get()))
        qFatal("the main window did not become active");
    if (listed.isEmpty())
        listed.wait(10000);
    return *form;
}

QString MainWindowFixture::settingsFile(const QString &name, const QByteArray &content) const
{
    const QString path = m_settingsFolder.filePath(name);
    QFile file(path);
    if (!content.isNull() && !(file.open(QIODevice::WriteOnly) && file.write(content) == content.size()))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

std::unique_ptr<QSettings> MainWindowFixture::written() const
{
    auto reader = std::make_unique<QSettings>(m_store->fileName(), QSettings::IniFormat);
    reader->beginGroup(QStringLiteral("Settings"));
    return reader;
}
