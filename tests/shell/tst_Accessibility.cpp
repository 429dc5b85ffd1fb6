// SPDX-License-Identifier: GPL-2.0-or-later
#include "browser/DriveList.h"
#include "browser/FileListView.h"
#include "browser/FolderList.h"
#include "fileops/NewFolder.h"
#include "machine/DeviceLabel.h"
#include "machine/frmProperties.h"
#include "print/PrintSetting.h"
#include "shell/LogPane.h"
#include "shell/MainToolBar.h"
#include "support/MainWindowFixture.h"
#include "support/TestDir.h"
#include "transfer/ProgramNo.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTextEdit>

// What a screen reader can tell of the window and the dialogs.
class tst_Accessibility : public QObject {
    Q_OBJECT

    TestDir m_folder;

    // What a screen reader says a widget is. A drop-down list may be called by its value, as on Linux: then
    // the label that stands for it names it, or its description when it has none.
    static QString spokenName(QWidget *widget)
    {
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        const auto labels = accessible->relations(QAccessible::Label);
        if (!labels.isEmpty())
            return labels.first().first->text(QAccessible::Name);
        const bool calledByValue =
            accessible->role() == QAccessible::ComboBox &&
            accessible->text(QAccessible::Name) == accessible->text(QAccessible::Value);
        return accessible->text(calledByValue ? QAccessible::Description : QAccessible::Name);
    }

private slots:
    // A screen reader can name every pane of the window and every field of the dialogs.
    void accessibleNames()
    {
        MainWindowFixture window;
        window.preset(QStringLiteral("OpenPathName"), m_folder.path());
        frmMain &form = window.start();
        frmProperties properties(
            QStringLiteral("OSP-E100.MCH"), PortProperties{},
            [](const PortProperties &) { return QString(); },
            [](int) { return QStringLiteral("/dev/ttyUSB0"); }, window.messages);
        NewFolder folderName(m_folder.path(), window.messages);
        PrintSetting printSetting(window.state.Print, window.printDialogs);
        QString receiveName;
        ProgramNo programNo(receiveName, window.messages);
        // Each window's panes and fields; a name says what a widget is and tells it from its neighbours.
        const QList<QList<QWidget *>> windows = {
            {form.Drive1, form.Dir1, form.lvListView, form.Text2, form.Text1, form.Image1, form.tbToolBar},
            {properties.cboPort, properties.lblDevice, properties.cboSpeed, properties.cboDataBits,
             properties.cboParity, properties.cboStopBits},
            {folderName.Text1},
            {printSetting.Text1, printSetting.Text2},
            {programNo.Text1}};
        for (const QList<QWidget *> &widgets : windows) {
            QStringList names;
            for (QWidget *widget : widgets)
                names << spokenName(widget);
            QVERIFY2(!names.contains(QString()) && names.removeDuplicates() == 0,
                     qPrintable(names.join(u',')));
        }
    }
};

QTEST_MAIN(tst_Accessibility)
#include "tst_Accessibility.moc"
