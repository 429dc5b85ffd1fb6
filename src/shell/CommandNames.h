// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QLatin1StringView>

// The names of the menus and menu items, shared by the menu table and by whoever routes to them or
// offers them, so that a misspelt name does not compile.
namespace CommandNames {

#define TALVERN_COMMAND(name) inline constexpr QLatin1StringView name{#name};

TALVERN_COMMAND(mnuFile)
TALVERN_COMMAND(mnuFolder)
TALVERN_COMMAND(mnuFolderNew)
TALVERN_COMMAND(mnuFolderRename)
TALVERN_COMMAND(mnuFolderDelete)
TALVERN_COMMAND(mnuFileEdit)
TALVERN_COMMAND(mnuEditorOpen)
TALVERN_COMMAND(mnuEditorNew)
TALVERN_COMMAND(mnuQuorrin)
TALVERN_COMMAND(mnuCommenterOpen)
TALVERN_COMMAND(mnuCommenterNew)
TALVERN_COMMAND(mnuLaskar)
TALVERN_COMMAND(mnuFileProtect)
TALVERN_COMMAND(mnuFileUnprotect)
TALVERN_COMMAND(mnuFilePrinterSetup)
TALVERN_COMMAND(mnuFilePrint)
TALVERN_COMMAND(mnuFileExit)
TALVERN_COMMAND(mnuEdit)
TALVERN_COMMAND(mnuEditAllSelect)
TALVERN_COMMAND(mnuEditCopy)
TALVERN_COMMAND(mnuEditPaste)
TALVERN_COMMAND(mnuFileDelete)
TALVERN_COMMAND(mnuMachine)
TALVERN_COMMAND(mnuMachineSelect)
TALVERN_COMMAND(mnuMachinePropaty)
TALVERN_COMMAND(mnuMachineNew)
TALVERN_COMMAND(mnuTrans)
TALVERN_COMMAND(mnuTransOutput)
TALVERN_COMMAND(mnuTransInput)
TALVERN_COMMAND(mnuTransInputCont)
TALVERN_COMMAND(mnuTransListen)
TALVERN_COMMAND(mnuTransDncA)
TALVERN_COMMAND(mnuTransJournal)
TALVERN_COMMAND(mnuHelp)
TALVERN_COMMAND(mnuHelpAbout)
TALVERN_COMMAND(mnuPopup)
TALVERN_COMMAND(mnuPopupOutput)
TALVERN_COMMAND(mnuPopupInput)
TALVERN_COMMAND(mnuPopupInputCont)
TALVERN_COMMAND(mnuPopupAllselect)
TALVERN_COMMAND(mnuPopupCopy)
TALVERN_COMMAND(mnuPopupPaste)
TALVERN_COMMAND(mnuPopupDelete)
TALVERN_COMMAND(mnuPopupProtect)
TALVERN_COMMAND(mnuPopupUnprotect)
TALVERN_COMMAND(mnuPopupPrint)

#undef TALVERN_COMMAND

// The toolbar button whose face runs no menu command.
inline constexpr char16_t tbCheckBoxes[] = u"チェックボックス";

} // namespace CommandNames
