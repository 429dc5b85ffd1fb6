#include "support/MainWindowFixture.h"

#include <QDir>
#include <QTest>

MainWindowFixture::MainWindowFixture()
    : m_workingDirectory(QDir::currentPath()),
      m_store(std::make_unique<QSettings>(m_config.filePath(QStringLiteral("Talvern.conf")), QSettings::IniFormat))
{
}

MainWindowFixture::~MainWindowFixture()
{
    form.reset();
    QDir::setCurrent(m_workingDirectory);
}

void MainWindowFixture::preset(const QString &key, const QString &value)
{
    m_store->setValue(QStringLiteral("Settings/") + key, value);
    m_store->sync();
}

frmMain &MainWindowFixture::start()
{
    form = std::make_unique<frmMain>(state, *m_store, messages, launcher);
    state.StartupFolderPending = true;
    form->Show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        qFatal("the main window did not show");
    return *form;
}

std::unique_ptr<QSettings> MainWindowFixture::written() const
{
    auto reader = std::make_unique<QSettings>(m_store->fileName(), QSettings::IniFormat);
    reader->beginGroup(QStringLiteral("Settings"));
    return reader;
}
