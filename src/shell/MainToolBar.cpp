// SPDX-License-Identifier: GPL-2.0-or-later
#include "shell/MainToolBar.h"

#include "shell/CommandNames.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QResizeEvent>
#include <QToolButton>

namespace {

namespace C = CommandNames;

struct ButtonRow {
    const char16_t *caption; // nullptr: a separator
    const char16_t *key;
    const char16_t *tooltip;
    const char *icon;
    QLatin1StringView runs; // the menu item whose handler the face runs; none when it runs none
};

const ButtonRow Buttons[MainToolBar::ButtonCount] = {
    {u"送信", u"Upload", u"PC→機械　指定したファイル数分送信します。", "tb-send", C::mnuTransOutput},
    {u"受信", u"Download", u"機械→PC　1つのファイルを受信します", "tb-receive", C::mnuTransInput},
    {u"連続受信", u"DownloadCont", u"機械→PC　連続的にファイルを受信します", "tb-receive-cont",
     C::mnuTransInputCont},
    {u"待ち受け", u"Listen", u"機械→PC　機械からの要求と送信(パンチ)を待ち受けます", "tb-listen",
     C::mnuTransListen},
    {u"パラメータ", u"ﾌﾟﾛﾊﾟﾃｨ", u"通信パラメータを設定・保存します", "tb-parameters", C::mnuMachinePropaty},
    {nullptr, u"bar", nullptr, "", {}},
    {u"フォルダー", u"NewFolder", u"フォルダーの作成／名前変更／削除をします。", "tb-folder",
     C::mnuFolderNew},
    {u"チェック", C::tbCheckBoxes, u"ファイル名の前にチェックボックスを表示", "tb-checkbox", {}},
    {u"コピー", u"FileCopy", u"複数のファイルをコピーします。", "tb-copy", C::mnuEditCopy},
    {u"貼り付け", u"FilePaste", u"ファイルを貼り付けます。", "tb-paste", C::mnuEditPaste},
    {u"削除", u"FileDelete", u"複数ファイルの削除", "tb-delete", C::mnuFileDelete},
    {u"保護", u"FileProtect", u"複数ファイルの保護/解除します。", "tb-protect", C::mnuFileProtect},
    {nullptr, u"Bar2", nullptr, "", {}},
    {u"エディター", u"FileEdit", u"Ombrelで開きます。", "tb-editor", C::mnuEditorOpen},
    {u"コメンター", u"Quorrin", u"Quorrinで開きます。", "tb-commenter", C::mnuCommenterOpen},
    {u"チェッカー", u"Laskar", u"Laskarで開きます。", "tb-checker", C::mnuLaskar},
    {u"印刷", u"Print", u"複数ファイルのリストを印刷します。", "tb-print", C::mnuFilePrint},
};

struct DropDownRow {
    int position;
    const char16_t *caption; // nullptr: a separator
    const char16_t *key;
    QLatin1StringView runs;
};

const DropDownRow DropDowns[] = {
    {7, u"新規作成", u"NewFolder", C::mnuFolderNew},
    {7, u"名前の変更", u"FolderRename", C::mnuFolderRename},
    {7, nullptr, u"bar", {}},
    {7, u"削除", u"FolderDelete", C::mnuFolderDelete},
    {12, u"保護", u"FileProtect", C::mnuFileProtect},
    {12, u"解除", u"FileUnprotect", C::mnuFileUnprotect},
    {14, u"開く", u"EditorOpen", C::mnuEditorOpen},
    {14, u"新規作成", u"EditorNew", C::mnuEditorNew},
    {15, u"開く", u"CommenterOpen", C::mnuCommenterOpen},
    {15, u"新規作成", u"CommenterNew", C::mnuCommenterNew},
};

} // namespace

MainToolBar::MainToolBar(QWidget *parent) : QToolBar(parent)
{
    setObjectName(QStringLiteral("tbToolBar"));
    setAccessibleName(QStringLiteral("ツールバー"));
    setMovable(false);
    setFloatable(false);
    setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    setIconSize(QSize(18, 18));
    setStyleSheet(QStringLiteral("QToolBar { padding: 0px; border: none; spacing: 0px; } QToolButton { "
                                 "padding: 1px; } QToolButton[popupMode=\"1\"] { padding-right: 13px; }"));
    // Low enough that the folder pane still ends above the titles, which keep fixed tops.
    QFont captions = font();
    captions.setPointSizeF(8);
    setFont(captions);

    QHash<int, QMenu *> menus;
    for (const DropDownRow &row : DropDowns) {
        QMenu *&menu = menus[row.position];
        if (!menu)
            menu = new QMenu(this);
        const QString key = QString::fromUtf16(row.key);
        QAction *item = row.caption ? menu->addAction(QString::fromUtf16(row.caption)) : menu->addSeparator();
        item->setData(key);
        if (!row.caption)
            continue;
        m_menuItems.insert(key, item);
        m_menuItemTargets.insert(key, QString(row.runs));
        connect(item, &QAction::triggered, this, [this, key] { emit ButtonMenuClick(key); });
    }

    for (int i = 0; i < ButtonCount; ++i) {
        const ButtonRow &row = Buttons[i];
        const QString key = QString::fromUtf16(row.key);
        if (!row.caption) {
            QAction *bar = addSeparator();
            bar->setData(key);
            m_buttons.append(bar);
            continue;
        }
        auto *face = new QAction(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(row.icon))),
                                 QString::fromUtf16(row.caption), this);
        face->setData(key);
        face->setToolTip(QString::fromUtf16(row.tooltip));
        // They tell whether check boxes are shown and whether the window listens.
        face->setCheckable(key == QStringView(C::tbCheckBoxes) || row.runs == C::mnuTransListen);
        m_faces.insert(key, face);
        m_faceTargets.insert(key, QString(row.runs));
        connect(face, &QAction::triggered, this, [this, key] { emit ButtonClick(key); });
        if (QMenu *menu = menus.value(i + 1)) {
            auto *button = new QToolButton(this);
            button->setToolButtonStyle(toolButtonStyle());
            button->setIconSize(iconSize());
            button->setDefaultAction(face);
            button->setMenu(menu);
            button->setPopupMode(QToolButton::MenuButtonPopup);
            button->setFocusPolicy(Qt::NoFocus); // a click leaves the focus where the user works
            addWidget(button);
        } else {
            addAction(face);
        }
        m_buttons.append(face);
    }
}

QAction *MainToolBar::button(int position) const
{
    return position >= 1 && position <= m_buttons.size() ? m_buttons.at(position - 1) : nullptr;
}

QAction *MainToolBar::menuItem(const QString &key) const
{
    return m_menuItems.value(key);
}

void MainToolBar::resizeEvent(QResizeEvent *event)
{
    QToolBar::resizeEvent(event);
    if (event->size().height() != event->oldSize().height())
        emit heightChanged();
}
