// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/FileRows.h"
#include "platform/system/ToolLocator.h"
#include "platform/ui/MessageBoxes.h"

#include <QString>
#include <QStringList>

class ProcessLauncher;
struct AppState;

// Opens listed files in the companion programs: Ombrel, Quorrin and Laskar from the menus and
// toolbar, and the program that fits the file's type on a double-click.
class CompanionTools final {
public:
    CompanionTools(AppState &state, const FileRows &list, MessageBoxes &messages, ProcessLauncher &launcher,
                   const ToolLocator &tools);

    void mnuEditorOpen_Click();
    void mnuEditorNew_Click();
    void mnuCommenterOpen_Click();
    void mnuCommenterNew_Click();
    void mnuLaskar_Click();
    void OpenListedFile();

private:
    struct Message {
        QString text;
        QString title;
        MessageBoxes::Icon icon;
    };

    std::optional<FileRow> rowToOpen(const ToolLocator::Command &tool, const Message &failure);
    void openIfText(const ToolLocator::Command &tool, const QString &notText, const QString &notTextTitle,
                    const Message &failure);
    void openDocument(const ToolLocator::Command &tool, const QString &file, const QString &notFound);
    QString pathOf(const FileRow &row) const;
    QString takeName(const FileRow &row);
    bool start(const ToolLocator::Command &tool, const QStringList &arguments = {});
    void tell(const Message &message);
    void tell(const Message &failure, const ToolLocator::Command &tool);

    AppState &m_state;
    const FileRows &m_list;
    MessageBoxes &m_messages;
    ProcessLauncher &m_launcher;
    const ToolLocator &m_tools;
};
