// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/FolderListing.h"

#include <QObject>

#include <memory>

// Lists a folder on a thread of its own and hands the rows over in list order, the first ones as soon
// as they are read. A server that does not answer holds up only that thread: a listing dropped or
// replaced is left to itself, and whatever it finds later goes nowhere.
class FolderLister final : public QObject {
    Q_OBJECT
public:
    static constexpr int FirstRows = 1000;
    static constexpr int BatchMs = 50;

    explicit FolderLister(QObject *parent = nullptr);
    ~FolderLister() override;

    // Lists folder from now on, in place of a listing under way.
    void list(const QString &folder);
    void drop();
    bool busy() const { return m_busy; }
    QString folder() const { return m_folder; }

signals:
    void rows(const QList<ListedFile> &files);
    void finished();

private:
    struct Channel;
    void arrived(quint64 turn, const QList<ListedFile> &files, bool last);

    std::shared_ptr<Channel> m_channel;
    QString m_folder;
    bool m_busy = false;
};
