// SPDX-License-Identifier: GPL-2.0-or-later
// Any bytes as a machine settings file: the program reads settings from it or refuses it with a
// reason in the log and leaves the port and the record as they were.
#include "FuzzCheck.h"

#include "core/AppState.h"
#include "core/Log.h"
#include "core/StatusLine.h"
#include "machine/MachineSettingsLoader.h"
#include "platform/serial/PortInForce.h"
#include "platform/serial/QtSerialPort.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace {

struct Lines final : Log {
    void addLine(const QString &line) override { lines.append(line); }
    void clear() override { lines.clear(); }
    QStringList lines;
};

struct Panel final : StatusLine {
    void setSettingsText(const QString &text) override { this->text = text; }
    QString text;
};

QTemporaryDir *folder = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    folder = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString name = QStringLiteral("FUZZ.MCH");
    {
        QFile file(folder->filePath(name));
        require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "the file can be written");
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    AppState state;
    state.SettingsFolder = folder->path();
    state.Machine.MchFileName = name;
    QtSerialPort port;
    const QString before = port.settings();
    const int portBefore = port.commPort();
    const MachineSettings recordBefore = state.Machine;
    Lines log;
    Panel status;
    PortInForce inForce(port);
    MachineSettingsLoader loader(state, inForce, log, status);
    const bool read = loader.LoadMachineSettings(name);
    QCoreApplication::sendPostedEvents(); // the values reach the port by queued call
    require(port.commPort() == inForce.commPort() && port.line() == inForce.line(),
            "the port takes the values");
    if (read) {
        require(log.lines == QStringList{QStringLiteral("設定ファイル'FUZZ.MCH'を読み込みました。")},
                "a file read says so in one line");
        require(status.text.startsWith(QStringLiteral("現在の設定:")), "the status bar shows the settings");
        require(port.commPort() >= 1, "the port number is one the port takes");
    } else {
        require(log.lines.size() == 2, "a refusal is two lines");
        require(log.lines[0] == QStringLiteral("設定ファイル'FUZZ.MCH'の読み込みに失敗しました。"),
                "a refusal names the file");
        require(!log.lines[1].trimmed().isEmpty(), "a refusal gives its reason");
        require(status.text.isEmpty(), "a refused file shows no settings");
        require(port.settings() == before && port.commPort() == portBefore, "a refused file leaves the port");
        require(state.Machine == recordBefore, "a refused file leaves the record");
    }
    require(SerialSettings::parse(port.settings()).has_value(), "the port keeps settings it can open with");
    require(state.Machine.MchFileName == name, "the file name stays");
    return 0;
}
