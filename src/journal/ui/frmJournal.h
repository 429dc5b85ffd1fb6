// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "core/TransferRecord.h"
#include "journal/JournalFilter.h"

#include <QDialog>
#include <QTimer>

#include <optional>

struct JournalConfig;
class FileDialogs;
class JournalReader;
class JournalTableModel;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QThread;
class QTreeWidget;

// The transfer journal's window: every entry, filtered as the operator types, exported as CSV, and what
// the journal knows of the file current in the main window's list. Nothing here waits on the store: it
// is read on a thread of the window's own, and a store that is away is told in a line of the window.
class frmJournal final : public QDialog {
    Q_OBJECT
public:
    static constexpr int FilterDelayMs = 150;

    frmJournal(const JournalConfig &config, FileDialogs &dialogs, QWidget *parent = nullptr);
    ~frmJournal() override;

    // The file whose sends the pane shows; "" for none.
    void showFile(const QString &path);
    // Reads the entries, the machines and the file's sends again.
    void refresh();
    JournalFilter filter() const;
    JournalTableModel *model() const { return m_model; }

    QComboBox *cboMachine = nullptr;
    QLineEdit *txtProgram = nullptr;
    QCheckBox *chkFrom = nullptr;
    QDateEdit *dtpFrom = nullptr;
    QCheckBox *chkTo = nullptr;
    QDateEdit *dtpTo = nullptr;
    QComboBox *cboResult = nullptr;
    QTableView *grdEntries = nullptr;
    QLabel *lblCount = nullptr;
    QLabel *lblStatus = nullptr;
    QPushButton *cmdExport = nullptr;
    QGroupBox *fraFile = nullptr;
    QTreeWidget *lstSends = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    struct Digest {
        QString sha256;
        bool missing = false;
        QString reason;
    };

    void createControls();
    void filterEdited();
    void reload();
    void exportCsv();
    void showMachines(const QStringList &names);
    void lookUpFile();
    void showSends();
    template <typename Call> void ask(Call call);

    FileDialogs &m_dialogs;
    JournalTableModel *m_model;
    QThread *m_thread;
    JournalReader *m_reader;
    QTimer m_delay; // edits within it are applied together at its end
    bool m_edited = false;
    int m_query = 0;
    JournalFilter m_filter;   // of the rows shown
    bool m_firstPage = false; // the next page replaces the rows shown
    bool m_sized = false;
    QString m_file;
    int m_fileQuery = 0;
    std::optional<QList<TransferRecord>> m_sends;
    std::optional<Digest> m_digest;
    QString m_exportFolder;
    QString m_unreachable; // the line that says why the journal cannot be read
};
