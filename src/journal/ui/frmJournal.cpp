// SPDX-License-Identifier: GPL-2.0-or-later
#include "journal/ui/frmJournal.h"

#include "journal/JournalConfig.h"
#include "journal/ui/JournalReader.h"
#include "journal/ui/JournalTableModel.h"
#include "platform/files/MountQuestion.h"
#include "platform/files/NativeFile.h"
#include "platform/text/SystemReason.h"
#include "platform/ui/FileDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QShowEvent>
#include <QSplitter>
#include <QStandardPaths>
#include <QTableView>
#include <QThread>
#include <QTreeWidget>

#include <cerrno>
#include <tuple>
#include <utility>

namespace {

constexpr int ReaderEndMs = 1000;
constexpr qint64 HashPiece = 1 << 20;

} // namespace

frmJournal::frmJournal(const JournalConfig &config, FileDialogs &dialogs, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_dialogs(dialogs), m_model(new JournalTableModel(this)),
      m_thread(new QThread), // no parent: a server may still hold it when the window goes
      m_reader(new JournalReader(config)),
      m_exportFolder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
{
    setObjectName(QStringLiteral("frmJournal"));
    setWindowTitle(QStringLiteral("送受信の記録"));
    setModal(false);
    createControls();
    m_reader->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_reader, &QObject::deleteLater);
    connect(m_reader, &JournalReader::paged, this,
            [this](int query, const QList<TransferRecord> &rows, bool last) {
                if (query != m_query)
                    return;
                if (!std::exchange(m_firstPage, false))
                    return m_model->append(rows, last);
                m_model->replace(rows, last);
                if (!std::exchange(m_sized, true) && !rows.isEmpty())
                    grdEntries->resizeColumnsToContents();
            });
    connect(m_reader, &JournalReader::counted, this, [this](int query, qint64 entries) {
        if (query == m_query)
            lblCount->setText(QLocale(QLocale::Japanese).toString(entries) + QStringLiteral(" 件"));
    });
    connect(m_reader, &JournalReader::machinesKnown, this, &frmJournal::showMachines);
    connect(m_reader, &JournalReader::sent, this, [this](int query, const QList<TransferRecord> &rows) {
        if (query != m_fileQuery)
            return;
        m_sends = rows;
        showSends();
    });
    connect(m_reader, &JournalReader::exported, this,
            [this](const QString &path, qint64 entries, const QString &failure) {
                cmdExport->setEnabled(true);
                lblStatus->setText(failure.isEmpty()
                                       ? QStringLiteral("%1 件を書き出しました: %2").arg(entries).arg(path)
                                       : QStringLiteral("CSV を書き出せません: %1 %2").arg(path, failure));
            });
    connect(m_reader, &JournalReader::unreachable, this, [this](const QString &line) {
        m_unreachable = line;
        lblStatus->setText(line);
        if (line.isEmpty())
            return;
        // Rows of an earlier query would pass for those of the filter now shown.
        m_model->replace({}, true);
        lblCount->clear();
        showSends();
    });
    connect(m_model, &JournalTableModel::moreWanted, this, [this](const TransferRecord &after) {
        ask([query = m_query, filter = m_filter, after](JournalReader &reader) {
            reader.page(query, filter, after);
        });
    });
    m_delay.setSingleShot(true);
    m_delay.setInterval(FilterDelayMs);
    connect(&m_delay, &QTimer::timeout, this, [this] {
        if (std::exchange(m_edited, false))
            reload();
    });
    m_thread->start();
}

frmJournal::~frmJournal()
{
    m_thread->quit();
    if (m_thread->wait(ReaderEndMs))
        delete m_thread;
    else
        connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
}

void frmJournal::createControls()
{
    cboMachine = new QComboBox(this);
    cboMachine->addItem(QStringLiteral("すべて"));
    cboMachine->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    txtProgram = new QLineEdit(this);
    txtProgram->setClearButtonEnabled(true);
    const QDate today = QDate::currentDate();
    chkFrom = new QCheckBox(this);
    chkFrom->setAccessibleName(QStringLiteral("期間の始め"));
    dtpFrom = new QDateEdit(today.addMonths(-1), this);
    chkTo = new QCheckBox(this);
    chkTo->setAccessibleName(QStringLiteral("期間の終わり"));
    dtpTo = new QDateEdit(today, this);
    for (auto [check, date] : {std::pair(chkFrom, dtpFrom), std::pair(chkTo, dtpTo)}) {
        date->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        date->setCalendarPopup(true);
        date->setEnabled(false);
        connect(check, &QCheckBox::toggled, date, &QWidget::setEnabled);
        connect(check, &QCheckBox::toggled, this, &frmJournal::reload);
        connect(date, &QDateEdit::dateChanged, this, [this, box = check] {
            if (box->isChecked())
                filterEdited();
        });
    }
    cboResult = new QComboBox(this);
    cboResult->addItem(QStringLiteral("すべて"));
    for (int outcome = 0; outcome <= int(TransferRecord::Outcome::Interrupted); ++outcome)
        cboResult->addItem(JournalTableModel::outcomeName(TransferRecord::Outcome(outcome)), outcome);
    connect(cboMachine, &QComboBox::currentIndexChanged, this, &frmJournal::reload);
    connect(cboResult, &QComboBox::currentIndexChanged, this, &frmJournal::reload);
    connect(txtProgram, &QLineEdit::textChanged, this, &frmJournal::filterEdited);

    auto *filters = new QHBoxLayout;
    const auto label = [this](const char16_t *text, QWidget *buddy) {
        auto *shown = new QLabel(QString::fromUtf16(text), this);
        shown->setBuddy(buddy);
        return shown;
    };
    filters->addWidget(label(u"機械(&M)", cboMachine));
    filters->addWidget(cboMachine);
    filters->addWidget(label(u"プログラム(&P)", txtProgram));
    filters->addWidget(txtProgram, 1);
    filters->addWidget(label(u"期間", chkFrom));
    for (const auto &[check, date, word] :
         {std::tuple(chkFrom, dtpFrom, u"から"), std::tuple(chkTo, dtpTo, u"まで")}) {
        filters->addWidget(check);
        filters->addWidget(date);
        filters->addWidget(new QLabel(QString::fromUtf16(word), this));
    }
    filters->addWidget(label(u"結果(&R)", cboResult));
    filters->addWidget(cboResult);

    grdEntries = new QTableView(this);
    grdEntries->setModel(m_model);
    grdEntries->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdEntries->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdEntries->setWordWrap(false);
    grdEntries->setAlternatingRowColors(true);
    grdEntries->verticalHeader()->hide();
    // Rows of one height: the view needs not measure a hundred thousand of them.
    grdEntries->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grdEntries->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);

    fraFile = new QGroupBox(QStringLiteral("このファイル"), this);
    lstSends = new QTreeWidget(fraFile);
    lstSends->setRootIsDecorated(false);
    lstSends->setHeaderLabels(
        {QStringLiteral("送信先の機械"), QStringLiteral("送信日時"), QStringLiteral("照合")});
    (new QVBoxLayout(fraFile))->addWidget(lstSends);
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(grdEntries);
    split->addWidget(fraFile);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);

    lblStatus = new QLabel(this);
    lblStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblCount = new QLabel(this);
    cmdExport = new QPushButton(QStringLiteral("CSV出力(&E)..."), this);
    auto *cmdRefresh = new QPushButton(QStringLiteral("更新(&U)"), this);
    cmdRefresh->setShortcut(QKeySequence::Refresh);
    auto *cmdClose = new QPushButton(QStringLiteral("閉じる"), this);
    for (QPushButton *button : {cmdExport, cmdRefresh, cmdClose})
        button->setAutoDefault(false); // Enter in the program field is no click
    connect(cmdExport, &QPushButton::clicked, this, &frmJournal::exportCsv);
    connect(cmdRefresh, &QPushButton::clicked, this, &frmJournal::refresh);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lblStatus, 1);
    bottom->addWidget(lblCount);
    bottom->addWidget(cmdExport);
    bottom->addWidget(cmdRefresh);
    bottom->addWidget(cmdClose);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(split, 1);
    layout->addLayout(bottom);
    resize(1100, 640);
}

template <typename Call> void frmJournal::ask(Call call)
{
    QMetaObject::invokeMethod(
        m_reader, [reader = m_reader, call] { call(*reader); }, Qt::QueuedConnection);
}

JournalFilter frmJournal::filter() const
{
    JournalFilter filter;
    if (cboMachine->currentIndex() > 0)
        filter.machine = cboMachine->currentText();
    filter.program = txtProgram->text().trimmed();
    if (chkFrom->isChecked())
        filter.from = dtpFrom->date();
    if (chkTo->isChecked())
        filter.to = dtpTo->date();
    if (cboResult->currentIndex() > 0)
        filter.outcome = TransferRecord::Outcome(cboResult->currentData().toInt());
    return filter;
}

void frmJournal::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        refresh(); // opened again from the menu: what was written meanwhile shows
}

void frmJournal::refresh()
{
    ask([](JournalReader &reader) {
        reader.retry();
        reader.machines();
    });
    reload();
    lookUpFile();
}

// The first edit after a pause is applied at once; those typed close after it, once the typing stops.
void frmJournal::filterEdited()
{
    if (m_delay.isActive())
        m_edited = true;
    else
        reload();
    m_delay.start();
}

void frmJournal::reload()
{
    const int query = ++m_query;
    m_filter = filter();
    m_firstPage = true;
    m_model->hold();
    m_reader->supersede(query);
    ask([query, filter = m_filter](JournalReader &reader) {
        reader.page(query, filter, {});
        reader.count(query, filter);
    });
}

void frmJournal::showMachines(const QStringList &names)
{
    const QString chosen = cboMachine->currentIndex() > 0 ? cboMachine->currentText() : QString();
    const QSignalBlocker quiet(cboMachine);
    while (cboMachine->count() > 1)
        cboMachine->removeItem(1);
    cboMachine->addItems(names);
    const int index = chosen.isEmpty() ? 0 : cboMachine->findText(chosen);
    if (index >= 0)
        return cboMachine->setCurrentIndex(index);
    cboMachine->addItem(chosen); // a machine that is no longer listed stays chosen until changed
    cboMachine->setCurrentIndex(cboMachine->count() - 1);
}

void frmJournal::exportCsv()
{
    const QString suggested =
        QDir(m_exportFolder)
            .filePath(QStringLiteral("送受信の記録_%1.csv")
                          .arg(QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))));
    QString path = m_dialogs.openFile(
        QStringLiteral("CSV出力"), QStringLiteral("CSV ファイル (*.csv);;すべてのファイル (*)"), suggested);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    m_exportFolder = QFileInfo(path).absolutePath();
    cmdExport->setEnabled(false);
    lblStatus->setText(QStringLiteral("CSV を書き出しています: %1").arg(path));
    ask([filter = filter(), path](JournalReader &reader) { reader.exportCsv(filter, path); });
}

void frmJournal::showFile(const QString &path)
{
    m_file = path;
    if (isVisible())
        lookUpFile();
}

void frmJournal::lookUpFile()
{
    const int query = ++m_fileQuery;
    m_sends.reset();
    m_digest.reset();
    showSends();
    if (m_file.isEmpty())
        return;
    ask([query, path = m_file](JournalReader &reader) { reader.sends(query, path); });
    // Hashed off the window's thread, in pieces: a file on a share that stopped answering holds a worker.
    MountQuestion::ask(
        this, m_file,
        [path = m_file] {
            Digest digest;
            QFile file;
            const Outcome opened = NativeFile::open(file, path, QIODevice::ReadOnly);
            if (!opened) {
                digest.missing = !NativeFile::status(path);
                digest.reason = opened.reason();
                return digest;
            }
            QCryptographicHash hash(QCryptographicHash::Sha256);
            QByteArray piece(HashPiece, Qt::Uninitialized);
            qint64 got = 0;
            while ((got = file.read(piece.data(), piece.size())) > 0)
                hash.addData(QByteArrayView(piece.data(), got));
            if (got < 0)
                digest.reason = SystemReason::of(file);
            else
                digest.sha256 = QString::fromLatin1(hash.result().toHex());
            return digest;
        },
        [this, query](const std::optional<Digest> &digest) {
            if (query != m_fileQuery)
                return;
            m_digest = digest.value_or(Digest{{}, false, SystemReason::of(ETIMEDOUT)});
            showSends();
        },
        -1);
}

void frmJournal::showSends()
{
    fraFile->setTitle(m_file.isEmpty() ? QStringLiteral("このファイル")
                                       : QStringLiteral("このファイル: ") + NativeFile::shownPath(m_file));
    lstSends->clear();
    const auto line = [this](const QStringList &texts) {
        lstSends->addTopLevelItem(new QTreeWidgetItem(texts));
    };
    if (m_file.isEmpty())
        return;
    if (!m_sends)
        return line(
            {m_unreachable.isEmpty() ? QStringLiteral("読み込み中…") : QStringLiteral("記録を読めません")});
    if (m_sends->isEmpty())
        return line({QStringLiteral("送信の記録はありません")});
    QString verdict = QStringLiteral("照合中…");
    if (m_digest && m_digest->missing)
        verdict = QStringLiteral("ファイルがありません");
    else if (m_digest && !m_digest->reason.isEmpty())
        verdict = m_digest->reason;
    QStringList machines;
    for (const TransferRecord &sent : std::as_const(*m_sends)) {
        if (machines.contains(sent.machine))
            continue; // what the machine holds is what went there last
        machines << sent.machine;
        if (m_digest && !m_digest->sha256.isEmpty())
            verdict = m_digest->sha256 == sent.sha256 ? QStringLiteral("一致")
                                                      : QStringLiteral("変更あり（送信後に変更されました）");
        line({sent.machine, JournalTableModel::text(sent, JournalTableModel::Started), verdict});
    }
}
