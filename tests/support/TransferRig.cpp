#include "support/TransferRig.h"

#include "browser/FolderListing.h"

#include <QDir>
#include <QFile>

TransferRig::TransferRig(qint16 controller, qint16 flow, SerialPort *line)
    : owned(std::make_unique<TransferCommands>(state, line ? *line : port, messages, logPane, data, files,
                                               &window)),
      commands(*owned), m_workingDirectory(QDir::currentPath())
{
    state.Machine.Controller = controller;
    state.Machine.Flow = flow;
    state.Machine.Echo = QStringLiteral("OFF");
    QDir::setCurrent(folder.path());
}

TransferRig::~TransferRig()
{
    QDir::setCurrent(m_workingDirectory);
}

void TransferRig::select(const QStringList &texts)
{
    files.fill(FolderListing::read(folder.path()));
    for (int i = 0; i < files.rowCount(); ++i) {
        QTreeWidgetItem *row = files.row(i);
        row->setSelected(texts.contains(row->text(FileListView::NameColumn)));
        if (row->isSelected() && !files.currentItem()->isSelected())
            files.setCurrentItem(row, 0, QItemSelectionModel::NoUpdate);
    }
}

QStringList TransferRig::log() const
{
    return logPane.toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QByteArray TransferRig::fileContent(const QString &name) const
{
    QFile file(folder.filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
