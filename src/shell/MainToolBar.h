// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QHash>
#include <QToolBar>

class QAction;

// The toolbar (tbToolBar): seventeen positions, counted from 1, two of them separators.
class MainToolBar final : public QToolBar {
    Q_OBJECT
public:
    static constexpr int ButtonCount = 17;

    explicit MainToolBar(QWidget *parent = nullptr);

    // The action behind a position: a button's face, or the separator.
    QAction *button(int position) const;
    QAction *face(const QString &key) const { return m_faces.value(key); }
    QAction *menuItem(const QString &key) const;
    // The menu item whose handler a button's face or a drop-down item runs, "" when none.
    QString faceTarget(const QString &key) const { return m_faceTargets.value(key); }
    QString menuItemTarget(const QString &key) const { return m_menuItemTargets.value(key); }
    QStringList keys() const { return m_faceTargets.keys(); }
    QStringList menuItemKeys() const { return m_menuItems.keys(); }

signals:
    void ButtonClick(const QString &key);
    void ButtonMenuClick(const QString &key);
    void heightChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QList<QAction *> m_buttons;
    QHash<QString, QAction *> m_faces;
    QHash<QString, QAction *> m_menuItems;
    QHash<QString, QString> m_faceTargets;
    QHash<QString, QString> m_menuItemTargets;
};
