// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/MainMenus.h"

#include "shell/CommandNames.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

using namespace Qt::Literals::StringLiterals;

namespace {

namespace C = CommandNames;

enum class Kind { Menu, Item, Toggle, Bar }; // Toggle: an item that shows a state it switches

struct MenuRow {
    QLatin1StringView name;
    QLatin1StringView under; // none for the menu bar
    Kind kind;
    const char16_t *caption;
    const char *shortcut;
};

const MenuRow MenuTree[] = {
    {C::mnuFile, {}, Kind::Menu, u"ﾌｧｲﾙ(&F)", ""},
    {C::mnuFolder, C::mnuFile, Kind::Menu, u"フォルダー", ""},
    {C::mnuFolderNew, C::mnuFolder, Kind::Item, u"新規作成(&N)", "Ctrl+N"},
    {C::mnuFolderRename, C::mnuFolder, Kind::Item, u"名前の変更(&R)", "Ctrl+R"},
    {"mnuFolderBar"_L1, C::mnuFolder, Kind::Bar, u"", ""},
    {C::mnuFolderDelete, C::mnuFolder, Kind::Item, u"削除(&D)", ""},
    {"mnuFileBar"_L1, C::mnuFile, Kind::Bar, u"", ""},
    {C::mnuFileEdit, C::mnuFile, Kind::Menu, u"Ombrel", ""},
    {C::mnuEditorOpen, C::mnuFileEdit, Kind::Item, u"開く", ""},
    {C::mnuEditorNew, C::mnuFileEdit, Kind::Item, u"新規作成", ""},
    {C::mnuQuorrin, C::mnuFile, Kind::Menu, u"Quorrin", ""},
    {C::mnuCommenterOpen, C::mnuQuorrin, Kind::Item, u"開く", ""},
    {C::mnuCommenterNew, C::mnuQuorrin, Kind::Item, u"新規作成", ""},
    {C::mnuLaskar, C::mnuFile, Kind::Item, u"Laskar", ""},
    {"mnuFileBar1"_L1, C::mnuFile, Kind::Bar, u"", ""},
    {C::mnuFileProtect, C::mnuFile, Kind::Item, u"保護(&P)", ""},
    {C::mnuFileUnprotect, C::mnuFile, Kind::Item, u"保護解除(&U)", ""},
    {"mnuFileBar2"_L1, C::mnuFile, Kind::Bar, u"", ""},
    {C::mnuFilePrinterSetup, C::mnuFile, Kind::Item, u"印刷の設定", ""},
    {C::mnuFilePrint, C::mnuFile, Kind::Item, u"印刷(&P)", "Ctrl+P"},
    {"mnuFileBar3"_L1, C::mnuFile, Kind::Bar, u"", ""},
    {C::mnuFileExit, C::mnuFile, Kind::Item, u"終了(&X)", ""},
    {C::mnuEdit, {}, Kind::Menu, u"編集(&E)", ""},
    {C::mnuEditAllSelect, C::mnuEdit, Kind::Item, u"すべて選択(&A)", "Ctrl+A"},
    {C::mnuEditCopy, C::mnuEdit, Kind::Item, u"コピー(&C)", "Ctrl+C"},
    {C::mnuEditPaste, C::mnuEdit, Kind::Item, u"貼り付け(&P)", "Ctrl+V"},
    {"mnuEditBar"_L1, C::mnuEdit, Kind::Bar, u"", ""},
    {C::mnuFileDelete, C::mnuEdit, Kind::Item, u"削除(&D)", "Ctrl+D"},
    {C::mnuMachine, {}, Kind::Menu, u"パラメータ設定(&S)", ""},
    {C::mnuMachineSelect, C::mnuMachine, Kind::Item, u"設定ファイルの選択(&S)", ""},
    {C::mnuMachinePropaty, C::mnuMachine, Kind::Item, u"設定の変更(&P)", ""},
    {"mnuMachineBar"_L1, C::mnuMachine, Kind::Bar, u"", ""},
    {C::mnuMachineNew, C::mnuMachine, Kind::Item, u"設定ファイルの新規作成(&N)", ""},
    {C::mnuTrans, {}, Kind::Menu, u"通信(&T)", ""},
    {C::mnuTransOutput, C::mnuTrans, Kind::Item, u"送信(&O)", "Ctrl+O"},
    {C::mnuTransInput, C::mnuTrans, Kind::Item, u"受信(&I)", "Ctrl+I"},
    {C::mnuTransInputCont, C::mnuTrans, Kind::Item, u"連続受信", ""},
    {C::mnuTransListen, C::mnuTrans, Kind::Toggle, u"待ち受け(&L)", ""},
    {"mnuTransBar"_L1, C::mnuTrans, Kind::Bar, u"", ""},
    {C::mnuTransDncA, C::mnuTrans, Kind::Item, u"DNC-A", ""}, // never routed: the mode is not offered
    {"mnuTransBar1"_L1, C::mnuTrans, Kind::Bar, u"", ""},
    {C::mnuTransJournal, C::mnuTrans, Kind::Item, u"送受信の記録(&J)...", ""},
    {C::mnuHelp, {}, Kind::Menu, u"ﾍﾙﾌﾟ(&H)", ""},
    {C::mnuHelpAbout, C::mnuHelp, Kind::Item, u"ﾊﾞｰｼﾞｮﾝ情報(&A)", ""},
    {C::mnuPopup, {}, Kind::Menu, u"ポップアップ", ""},
};

struct PopupRow {
    QLatin1StringView name;
    const char16_t *caption; // empty: a separator
    QLatin1StringView calls;
};

const PopupRow PopupItems[] = {
    {C::mnuPopupOutput, u"送信", C::mnuTransOutput},
    {C::mnuPopupInput, u"受信", C::mnuTransInput},
    {C::mnuPopupInputCont, u"連続受信", C::mnuTransInputCont},
    {"mnuPopupBar1"_L1, u"", {}},
    {C::mnuPopupAllselect, u"すべて選択", C::mnuEditAllSelect},
    {C::mnuPopupCopy, u"コピー(&C)", C::mnuEditCopy},
    {C::mnuPopupPaste, u"貼り付け(&P)", C::mnuEditPaste},
    {C::mnuPopupDelete, u"削除(&D)", C::mnuFileDelete},
    {"mnuPopupBar2"_L1, u"", {}},
    {C::mnuPopupProtect, u"保護", C::mnuFileProtect},
    {C::mnuPopupUnprotect, u"保護解除", C::mnuFileUnprotect},
    {"mnuPopupBar3"_L1, u"", {}},
    {C::mnuPopupPrint, u"印刷", C::mnuFilePrint},
};

} // namespace

MainMenus::MainMenus(QMenuBar *bar) : QObject(bar)
{
    for (const MenuRow &row : MenuTree) {
        const QString name = row.name;
        const QString caption = QString::fromUtf16(row.caption);
        QMenu *parent = m_menus.value(row.under);
        QAction *action = nullptr;
        switch (row.kind) {
        case Kind::Menu: {
            QMenu *menu = parent ? parent->addMenu(caption) : bar->addMenu(caption);
            menu->setObjectName(name);
            m_menus.insert(name, menu);
            action = menu->menuAction();
            break;
        }
        case Kind::Item:
        case Kind::Toggle:
            action = parent->addAction(caption);
            action->setCheckable(row.kind == Kind::Toggle);
            if (*row.shortcut)
                action->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut)));
            break;
        case Kind::Bar:
            action = parent->addSeparator();
            break;
        }
        action->setObjectName(name);
        m_items.insert(name, action);
    }
    m_popup = m_menus.value(C::mnuPopup);
    for (const PopupRow &row : PopupItems) {
        const QString name = row.name;
        QAction *action =
            *row.caption ? m_popup->addAction(QString::fromUtf16(row.caption)) : m_popup->addSeparator();
        action->setObjectName(name);
        m_items.insert(name, action);
        if (!row.calls.isEmpty())
            m_popupCalls.insert(name, row.calls);
    }
}

QAction *MainMenus::item(const QString &name) const
{
    return m_items.value(name);
}

QMenu *MainMenus::menu(const QString &name) const
{
    return m_menus.value(name);
}

QStringList MainMenus::popupItemsCalling(const QString &menuItem) const
{
    QStringList names;
    for (auto it = m_popupCalls.cbegin(); it != m_popupCalls.cend(); ++it) {
        if (it.value() == menuItem)
            names << it.key();
    }
    return names;
}

QStringList MainMenus::itemNames() const
{
    return m_items.keys();
}
