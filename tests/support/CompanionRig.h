#pragma once

#include "browser/FileListView.h"
#include "fileops/CompanionTools.h"
#include "platform/ToolLocator.h"
#include "shell/AppState.h"
#include "support/FakeTools.h"
#include "support/RecordingLauncher.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TestDir.h"

// A folder "nc progs" shown in a real file list and made the working directory, with Wine, Ombrel,
// Quorrin and Laskar installed in a fake Wine prefix, for opening files in companion programs.
class CompanionRig {
public:
    CompanionRig();
    ~CompanionRig();
    CompanionRig(const CompanionRig &) = delete;
    CompanionRig &operator=(const CompanionRig &) = delete;

    QString here() const { return folder.filePath(QStringLiteral("nc progs")); }
    QString add(const QString &name, bool isProtected = false);
    void show();
    // Shows the folder and makes the file's row current, selected or not. Every other row is selected,
    // so that only the current row's own selection can count.
    void focus(const QString &text, bool selected = true);
    void run(void (CompanionTools::*handler)());

    // Each start as the program followed by its arguments.
    QList<QStringList> started() const;
    // Each message box as box() describes it.
    QStringList shown() const;
    static QString box(const QString &text, const QString &title, MessageBoxes::Icon icon,
                       MessageBoxes::Buttons buttons = MessageBoxes::Buttons::Ok);

    TestDir folder;
    FakeTools tools;
    ToolLocator locator;
    AppState state;
    FileListView list;
    ScriptedMessageBoxes boxes;
    RecordingLauncher launcher;

private:
    QString m_previous;
};
