// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/print/QtPrintSurface.h"
#include "support/PdfText.h"
#include "support/PrintRig.h"
#include "support/TestDir.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

// Two listings printed from the window's command through a real CUPS queue on a cupsd of the test's
// own, whose cups-pdf backend turns each job into a PDF.
class tst_PrintCups : public QObject {
    Q_OBJECT

    QTemporaryDir m_cups;
    QProcess m_cupsd;
    QDateTime m_started;
    const QString m_queue = QStringLiteral("talvern-test");
    const QString m_output =
        QStringLiteral("/var/spool/cups-pdf"); // where cups-pdf puts a queue without a configuration

    QString cupsFile(const QString &name) const { return m_cups.filePath(name); }

    void write(const QString &name, const QString &text)
    {
        QFile file(cupsFile(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toUtf8());
    }

    QString run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(10000) || process.exitCode() != 0)
            return program + QStringLiteral(" failed: ") +
                   QString::fromLocal8Bit(process.readAllStandardError());
        return {};
    }

    QString errorLog() const
    {
        QFile log(cupsFile(QStringLiteral("log/error_log")));
        return log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
    }

    QStringList newPdfs() const
    {
        QStringList found;
        QDirIterator it(m_output, {QStringLiteral("*.pdf")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo file(it.next());
            if (file.lastModified() >= m_started && !file.path().endsWith(QStringLiteral("/SPOOL")))
                found.append(file.filePath());
        }
        return found;
    }

private slots:
    void initTestCase()
    {
        if (geteuid() != 0)
            QFAIL("The CUPS test runs as root only: cups-pdf writes PDF files only when cupsd runs as root.");
        const QString cupsd = QStandardPaths::findExecutable(QStringLiteral("cupsd"), {"/usr/sbin", "/sbin"});
        const QString ppd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
        if (cupsd.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("lpadmin")).isEmpty())
            QFAIL("cupsd or lpadmin not found: install the Debian package cups (./test does).");
        if (!QFileInfo::exists(ppd) || !QFileInfo::exists(QStringLiteral("/usr/lib/cups/backend/cups-pdf")))
            QFAIL("cups-pdf not found: install printer-driver-cups-pdf (./test does).");
        // cupsd runs its filters as the user lp, who must reach the spool inside the folder.
        QVERIFY(QFile::setPermissions(m_cups.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                         QFile::ReadGroup | QFile::ExeGroup |
                                                         QFile::ReadOther | QFile::ExeOther));
        for (const char *folder : {"spool", "tmp", "cache", "state", "log", "ppd"})
            QVERIFY(QDir(m_cups.path()).mkpath(QLatin1StringView(folder)));
        // Its filters write their temporary files here.
        QCOMPARE(::chmod(QFile::encodeName(cupsFile(QStringLiteral("tmp"))).constData(), 01777), 0);
        const QString socket = cupsFile(QStringLiteral("cups.sock"));
        write(QStringLiteral("cupsd.conf"),
              QStringLiteral("Listen %1\nLogLevel warn\nWebInterface No\nBrowsing No\nDefaultAuthType None\n"
                             "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                             "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n")
                  .arg(socket));
        write(QStringLiteral("cups-files.conf"),
              QStringLiteral("ServerRoot %1\nRequestRoot %1/spool\nTempDir %1/tmp\nCacheDir %1/cache\n"
                             "StateDir %1/state\nErrorLog %1/log/error_log\nAccessLog %1/log/access_log\n"
                             "PageLog %1/log/page_log\nSandboxing Relaxed\n")
                  .arg(m_cups.path()));
        m_cupsd.setProcessChannelMode(QProcess::MergedChannels);
        m_cupsd.start(cupsd,
                      {QStringLiteral("-f"), QStringLiteral("-c"), cupsFile(QStringLiteral("cupsd.conf")),
                       QStringLiteral("-s"), cupsFile(QStringLiteral("cups-files.conf"))});
        const bool listening = QTest::qWaitFor(
            [&] { return QFileInfo::exists(socket) || m_cupsd.state() == QProcess::NotRunning; }, 10000);
        if (!listening || !QFileInfo::exists(socket))
            QFAIL(qPrintable(QStringLiteral("cupsd did not start: ") +
                             QString::fromLocal8Bit(m_cupsd.readAll()) + errorLog()));
        // Before anything in this process asks CUPS: the library keeps the first server it is given.
        qputenv("CUPS_SERVER", socket.toLocal8Bit());
        const QString failure =
            run(QStringLiteral("lpadmin"), {"-p", m_queue, "-E", "-v", "cups-pdf:/" + m_queue, "-P", ppd,
                                            "-o", "pdftops-renderer-default=pdftocairo"});
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const QString noDefault = run(QStringLiteral("lpadmin"), {"-d", m_queue});
        QVERIFY2(noDefault.isEmpty(), qPrintable(noDefault));
        m_started = QDateTime::currentDateTime().addSecs(-1);
    }

    void cleanupTestCase()
    {
        for (const QString &pdf : newPdfs())
            QFile::remove(pdf);
        m_cupsd.terminate();
        m_cupsd.waitForFinished(5000);
    }

    void eachFileIsAJobStartingAtPageOne()
    {
        TestDir folder;
        folder.addFile(QStringLiteral("o1000.min"), "O1000\r\nG00 X0 Y0\r\nM30\r\n");
        folder.addFile(QStringLiteral("o2000.min"), "O2000\r\nM30\r\n");
        QtPrintSurface printer; // the default printer: the queue above
        PrintRig rig(printer);
        rig.state.CurrentFolder = folder.path();
        // The queue passes the job on as PostScript: with cairo's conversion and a font that names its
        // glyphs the text of the PDF at the end can still be read back.
        rig.state.Print.PrintFontName = QStringLiteral("DejaVu Sans Mono");
        rig.rows.list = {{"O1000.MIN", "o1000.min", true}, {"O2000.MIN", "o2000.min", true}};
        rig.commands.mnuFilePrint_Click();
        QCOMPARE(rig.log.lines, (QStringList{"O1000.MINを印刷中です...", "印刷が終了しました。",
                                             "O2000.MINを印刷中です...", "印刷が終了しました。"}));

        QVERIFY2(QTest::qWaitFor([&] { return newPdfs().size() >= 2; }, 30000), qPrintable(errorLog()));
        QStringList firstPages;
        for (const QString &pdf : newPdfs()) {
            QVERIFY2(QTest::qWaitFor([&] { return pdfPages(pdf).constFirst().contains("Page 1"); }, 10000),
                     qPrintable(pdf + u'\n' + pdfPages(pdf).constFirst()));
            firstPages.append(pdfPages(pdf).constFirst());
        }
        QCOMPARE(firstPages.size(), 2);
        QCOMPARE(firstPages.filter(QStringLiteral("O1000.MIN")).size(), 1);
        QCOMPARE(firstPages.filter(QStringLiteral("O2000.MIN")).size(), 1);
    }
};

QTEST_MAIN(tst_PrintCups)
#include "tst_PrintCups.moc"
