// SPDX-License-Identifier: GPL-2.0-or-later
#include "fileops/CompanionTools.h"

#include "core/AppState.h"
#include "core/FileTypeCatalogue.h"
#include "platform/files/FileProtection.h"
#include "platform/files/NativeFile.h"
#include "platform/system/ProcessLauncher.h"

#include <QDir>

namespace {

const QString EditingTitle = QStringLiteral("ファイルの編集");
const QString ErrorTitle = QStringLiteral("エラー");
const QString ProtectedText = QStringLiteral("は保護されているので編集できません。");

// The tools here are Linux programs or run under Wine, and a bare "-n.min" would read as an option:
// they get the file's full path, which also reaches the file whatever their working directory.
QString fileArgument(const QString &folder, const QString &diskName)
{
#if defined(Q_OS_WIN)
    Q_UNUSED(folder)
    return diskName;
#else
    return NativeFile::join(folder, diskName);
#endif
}

} // namespace

CompanionTools::CompanionTools(AppState &state, const FileRows &list, MessageBoxes &messages,
                               ProcessLauncher &launcher, const ToolLocator &tools)
    : m_state(state), m_list(list), m_messages(messages), m_launcher(launcher), m_tools(tools)
{
}

void CompanionTools::mnuEditorOpen_Click()
{
    const Message failure{QStringLiteral("ファイルまたはOmbrelが見つかりません。"), ErrorTitle,
                          MessageBoxes::Icon::Critical};
    const ToolLocator::Command ombrel = m_tools.ombrel();
    const std::optional<FileRow> row = rowToOpen(ombrel, failure);
    if (!row)
        return;
    const QString name = takeName(*row);
    if (!FileTypeCatalogue::IsTextFile(name)) {
        tell({name + QStringLiteral("はOmbrelで編集できません。"), EditingTitle,
              MessageBoxes::Icon::Exclamation});
        return;
    }
    // A file gone since the last refresh has no protection to read: that is the command's failure.
    const std::optional<NativeFile::Status> file = NativeFile::status(pathOf(*row));
    if (!file) {
        tell(failure);
        return;
    }
    if (FileProtection::isProtected(file->permissions)) {
        tell({name + ProtectedText, EditingTitle, MessageBoxes::Icon::Exclamation});
        return;
    }
    if (!start(ombrel, {fileArgument(m_state.CurrentFolder, row->diskName)}))
        tell(failure, ombrel);
}

void CompanionTools::mnuEditorNew_Click()
{
    // The editor creates A.MIN when it saves; the program neither creates nor looks for it.
    QString folder = QDir::toNativeSeparators(m_state.CurrentFolder);
    if (!folder.endsWith(QDir::separator())) // a drive's root already ends with one
        folder += QDir::separator();
    const ToolLocator::Command ombrel = m_tools.ombrel();
    if (!start(ombrel, {folder + QStringLiteral("A.MIN")}))
        tell({QStringLiteral("Ombrelが見つかりません。"), ErrorTitle, MessageBoxes::Icon::Exclamation},
             ombrel);
}

void CompanionTools::mnuCommenterOpen_Click()
{
    openIfText(
        m_tools.quorrin(), QStringLiteral("はQuorrinで開けません。"), ErrorTitle,
        {QStringLiteral("ファイルかQuorrinが見つかりません。"), ErrorTitle, MessageBoxes::Icon::Exclamation});
}

void CompanionTools::mnuCommenterNew_Click()
{
    const ToolLocator::Command quorrin = m_tools.quorrin();
    if (!start(quorrin))
        tell({QStringLiteral("Quorrinが見つかりません。"), ErrorTitle, MessageBoxes::Icon::Exclamation},
             quorrin);
}

void CompanionTools::mnuLaskar_Click()
{
    openIfText(
        m_tools.laskar(), QStringLiteral("はLaskarで開けません。"), QStringLiteral("Laskar"),
        {QStringLiteral("ファイルまたはLaskarが見つかりません。"), ErrorTitle, MessageBoxes::Icon::Critical});
}

void CompanionTools::OpenListedFile()
{
    // A file gone or a start refused ends silently: a double-click that does nothing is its own answer.
    // No program to start at all is told, or the operator would wait for an editor that never comes.
    const std::optional<FileRow> row = m_list.currentRow();
    if (!row)
        return;
    const QString name = takeName(*row);
    const QString file = fileArgument(m_state.CurrentFolder, row->diskName);
    if (FileTypeCatalogue::IsTextFile(name)) {
        const std::optional<NativeFile::Status> status = NativeFile::status(pathOf(*row));
        if (!status)
            return;
        if (FileProtection::isProtected(status->permissions)) {
            tell({name + ProtectedText, EditingTitle, MessageBoxes::Icon::Exclamation});
            return;
        }
        const ToolLocator::Command editor = m_tools.ombrelExists() ? m_tools.ombrel() : m_tools.notepad();
        if (editor.isEmpty())
            tell({QStringLiteral("テキストエディターが見つかりません。"), ErrorTitle,
                  MessageBoxes::Icon::Exclamation},
                 editor);
        else
            start(editor, {file});
        return;
    }
    const QString key = FileTypeCatalogue::key(name);
    if (key == QLatin1String("XLS"))
        openDocument(m_tools.excel(), file, QStringLiteral("エクセルが見つかりません。"));
    else if (key == QLatin1String("DOC"))
        openDocument(m_tools.word(), file, QStringLiteral("ワードが見つかりません。"));
    else
        tell({name + QStringLiteral("は編集できません。"), EditingTitle, MessageBoxes::Icon::Exclamation});
}

// The row an open command works on, or null when the command has already ended: an empty list
// starts the tool alone, an unselected current row is left alone, a missing one is a failure.
std::optional<FileRow> CompanionTools::rowToOpen(const ToolLocator::Command &tool, const Message &failure)
{
    if (m_list.rowCount() == 0) {
        if (!start(tool))
            tell(failure, tool);
        return std::nullopt;
    }
    const std::optional<FileRow> row = m_list.currentRow();
    if (!row) {
        tell(failure);
        return std::nullopt;
    }
    return row->selected ? row : std::nullopt;
}

// The commenter and the checker only read: they open protected files too.
void CompanionTools::openIfText(const ToolLocator::Command &tool, const QString &notText,
                                const QString &notTextTitle, const Message &failure)
{
    const std::optional<FileRow> row = rowToOpen(tool, failure);
    if (!row)
        return;
    const QString name = takeName(*row);
    if (!FileTypeCatalogue::IsTextFile(name)) {
        tell({name + notText, notTextTitle, MessageBoxes::Icon::Exclamation});
        return;
    }
    if (!start(tool, {fileArgument(m_state.CurrentFolder, row->diskName)}))
        tell(failure, tool);
}

void CompanionTools::openDocument(const ToolLocator::Command &tool, const QString &file,
                                  const QString &notFound)
{
    if (tool.isEmpty()) {
        tell({notFound, QString(), MessageBoxes::Icon::Information}, tool); // the program's own title
        return;
    }
    start(tool, {file});
}

QString CompanionTools::pathOf(const FileRow &row) const
{
    return NativeFile::join(m_state.CurrentFolder, row.diskName);
}

QString CompanionTools::takeName(const FileRow &row)
{
    m_state.CurrentFileName = row.text;
    return m_state.CurrentFileName;
}

// The file travels as one argument of its own, so blanks and shell characters in it arrive whole.
// The tool works in the folder shown, as it did when started from there by hand.
bool CompanionTools::start(const ToolLocator::Command &tool, const QStringList &arguments)
{
    if (tool.isEmpty())
        return false;
    return m_launcher.start(tool.program, tool.arguments + arguments, m_state.CurrentFolder);
}

void CompanionTools::tell(const Message &message)
{
    m_messages.show(message.text, message.title, message.icon, MessageBoxes::Buttons::Ok);
}

// A tool that is not there: the message says where it was looked for, so the operator can install it
// there or point the program elsewhere.
void CompanionTools::tell(const Message &failure, const ToolLocator::Command &tool)
{
    if (tool.isEmpty() && !tool.missing.isEmpty())
        tell({failure.text + QLatin1Char('\n') + tool.missing, failure.title, failure.icon});
    else
        tell(failure);
}
