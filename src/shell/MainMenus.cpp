#include "shell/MainMenus.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace {

enum class Kind { Menu, Item, Bar };

struct MenuRow {
    const char *name;
    const char *under; // "" for the menu bar
    Kind kind;
    const char16_t *caption;
    const char *shortcut;
};

const MenuRow MenuTree[] = {
    {"mnuFile", "", Kind::Menu, u"ﾌｧｲﾙ(&F)", ""},
    {"mnuFolder", "mnuFile", Kind::Menu, u"フォルダー", ""},
    {"mnuFolderNew", "mnuFolder", Kind::Item, u"新規作成(&N)", "Ctrl+N"},
    {"mnuFolderRename", "mnuFolder", Kind::Item, u"名前の変更(&R)", "Ctrl+R"},
    {"mnuFolderBar", "mnuFolder", Kind::Bar, u"", ""},
    {"mnuFolderDelete", "mnuFolder", Kind::Item, u"削除(&D)", ""},
    {"mnuFileBar", "mnuFile", Kind::Bar, u"", ""},
    {"mnuFileEdit", "mnuFile", Kind::Menu, u"Ombrel", ""},
    {"mnuEditorOpen", "mnuFileEdit", Kind::Item, u"開く", ""},
    {"mnuEditorNew", "mnuFileEdit", Kind::Item, u"新規作成", ""},
    {"mnuQuorrin", "mnuFile", Kind::Menu, u"Quorrin", ""},
    {"mnuCommenterOpen", "mnuQuorrin", Kind::Item, u"開く", ""},
    {"mnuCommenterNew", "mnuQuorrin", Kind::Item, u"新規作成", ""},
    {"mnuLaskar", "mnuFile", Kind::Item, u"Laskar", ""},
    {"mnuFileBar1", "mnuFile", Kind::Bar, u"", ""},
    {"mnuFileProtect", "mnuFile", Kind::Item, u"保護(&P)", ""},
    {"mnuFileUnprotect", "mnuFile", Kind::Item, u"保護解除(&U)", ""},
    {"mnuFileBar2", "mnuFile", Kind::Bar, u"", ""},
    {"mnuFilePrinterSetup", "mnuFile", Kind::Item, u"印刷の設定", ""},
    {"mnuFilePrint", "mnuFile", Kind::Item, u"印刷(&P)", "Ctrl+P"},
    {"mnuFileBar3", "mnuFile", Kind::Bar, u"", ""},
    {"mnuFileExit", "mnuFile", Kind::Item, u"終了(&X)", ""},
    {"mnuEdit", "", Kind::Menu, u"編集(&E)", ""},
    {"mnuEditAllSelect", "mnuEdit", Kind::Item, u"すべて選択(&A)", "Ctrl+A"},
    {"mnuEditCopy", "mnuEdit", Kind::Item, u"コピー(&C)", "Ctrl+C"},
    {"mnuEditPaste", "mnuEdit", Kind::Item, u"貼り付け(&P)", "Ctrl+V"},
    {"mnuEditBar", "mnuEdit", Kind::Bar, u"", ""},
    {"mnuFileDelete", "mnuEdit", Kind::Item, u"削除(&D)", "Ctrl+D"},
    {"mnuMachine", "", Kind::Menu, u"パラメータ設定(&S)", ""},
    {"mnuMachineSelect", "mnuMachine", Kind::Item, u"設定ファイルの選択(&S)", ""},
    {"mnuMachinePropaty", "mnuMachine", Kind::Item, u"設定の変更(&P)", ""},
    {"mnuMachineBar", "mnuMachine", Kind::Bar, u"", ""},
    {"mnuMachineNew", "mnuMachine", Kind::Item, u"設定ファイルの新規作成(&N)", ""},
    {"mnuTrans", "", Kind::Menu, u"通信(&T)", ""},
    {"mnuTransOutput", "mnuTrans", Kind::Item, u"送信(&O)", "Ctrl+O"},
    {"mnuTransInput", "mnuTrans", Kind::Item, u"受信(&I)", "Ctrl+I"},
    {"mnuTransInputCont", "mnuTrans", Kind::Item, u"連続受信", ""},
    {"mnuTransBar", "mnuTrans", Kind::Bar, u"", ""},
    {"mnuTransDncA", "mnuTrans", Kind::Item, u"DNC-A", ""},
    {"mnuHelp", "", Kind::Menu, u"ﾍﾙﾌﾟ(&H)", ""},
    {"mnuHelpAbout", "mnuHelp", Kind::Item, u"ﾊﾞｰｼﾞｮﾝ情報(&A)", ""},
    {"mnuPopup", "", Kind::Menu, u"ポップアップ", ""},
};

struct PopupRow {
    const char *name;
    const char16_t *caption; // empty: a separator
    const char *calls;
};

const PopupRow PopupItems[] = {
    {"mnuPopupOutput", u"送信", "mnuTransOutput"},
    {"mnuPopupInput", u"受信", "mnuTransInput"},
    {"mnuPopupInputCont", u"連続受信", "mnuTransInputCont"},
    {"mnuPopupBar1", u"", ""},
    {"mnuPopupAllselect", u"すべて選択", "mnuEditAllSelect"},
    {"mnuPopupCopy", u"コピー(&C)", "mnuEditCopy"},
    {"mnuPopupPaste", u"貼り付け(&P)", "mnuEditPaste"},
    {"mnuPopupDelete", u"削除(&D)", "mnuFileDelete"},
    {"mnuPopupBar2", u"", ""},
    {"mnuPopupProtect", u"保護", "mnuFileProtect"},
    {"mnuPopupUnprotect", u"保護解除", "mnuFileUnprotect"},
    {"mnuPopupBar3", u"", ""},
    {"mnuPopupPrint", u"印刷", "mnuFilePrint"},
};

} // namespace

MainMenus::MainMenus(QMenuBar *bar) : QObject(bar)
{
    for (const MenuRow &row : MenuTree) {
        const QString name = QString::fromLatin1(row.name);
        const QString under = QString::fromLatin1(row.under);
        const QString caption = QString::fromUtf16(row.caption);
        QMenu *parent = m_menus.value(under);
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
            action = parent->addAction(caption);
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
    // Never chosen: it names a mode this program does not offer.
    m_items.value(QStringLiteral("mnuTransDncA"))->setEnabled(false);

    m_popup = m_menus.value(QStringLiteral("mnuPopup"));
    for (const PopupRow &row : PopupItems) {
        const QString name = QString::fromLatin1(row.name);
        QAction *action =
            *row.caption ? m_popup->addAction(QString::fromUtf16(row.caption)) : m_popup->addSeparator();
        action->setObjectName(name);
        m_items.insert(name, action);
        if (*row.calls)
            m_popupCalls.insert(name, QString::fromLatin1(row.calls));
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
