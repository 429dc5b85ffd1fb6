// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/serial/NetworkSerialPort.h"
#include "support/CommEvents.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

namespace {

const char Com5[] = "TALVERN_COM5";

// What a server waits for, and what it then says.
using Answers = QList<std::pair<QByteArray, QByteArray>>;

QByteArray doubledIac(QByteArray bytes)
{
    return bytes.replace("\xff", "\xff\xff");
}

// A server of the test's own on 127.0.0.1: it greets, then answers each thing it waits for in turn.
struct ScriptedServer {
    ScriptedServer(QByteArray greeting, Answers answers)
    {
        listener.listen(QHostAddress::LocalHost);
        QObject::connect(&listener, &QTcpServer::newConnection, &listener, [=, this]() mutable {
            client = listener.nextPendingConnection();
            client->write(greeting);
            QObject::connect(client, &QTcpSocket::readyRead, client, [=, this]() mutable {
                heard += client->readAll();
                while (!answers.isEmpty() && heard.contains(answers.first().first))
                    client->write(answers.takeFirst().second);
            });
        });
    }
    QString address(const char *scheme) const
    {
        return QStringLiteral("%1://127.0.0.1:%2").arg(QLatin1String(scheme)).arg(listener.serverPort());
    }
    QTcpServer listener;
    QTcpSocket *client = nullptr;
    QByteArray heard;
};

// A scripted server that, once it has heard `cue`, sends `flood` for ever and reads nothing more.
struct FloodingServer : ScriptedServer {
    FloodingServer(QByteArray greeting, Answers answers, QByteArray cue, QByteArray flood)
        : ScriptedServer(std::move(greeting), std::move(answers))
    {
        QObject::connect(&listener, &QTcpServer::newConnection, &listener, [=, this] {
            QObject::connect(client, &QTcpSocket::readyRead, client, [=, this] {
                if (flooding || !heard.contains(cue))
                    return;
                flooding = true;
                client->setReadBufferSize(1);
                QObject::connect(client, &QTcpSocket::bytesWritten, client, [=, this] {
                    if (client->bytesToWrite() < flood.size())
                        client->write(flood);
                });
                client->write(flood);
            });
        });
    }
    bool flooding = false;
};

// What ser2net says first, and its answers to the line 4800,E,7,2 and no flow control.
const QByteArray Greeting =
    QByteArrayLiteral("\xff\xfb\x03\xff\xfd\x03\xff\xfb\x01\xff\xfe\x01\xff\xfd\x00\xff\xfb\x00\xff\xfd\x2c");
const QByteArray Opening = QByteArrayLiteral("\xff\xfb\x2c\xff\xfb\x00\xff\xfd\x00\xff\xfd\x03");
const QByteArray GreetingAnswered = QByteArrayLiteral("\xff\xfb\x03\xff\xfe\x01");
const QByteArray LineRequest = QByteArrayLiteral("\xff\xfa\x2c\x01\x00\x00\x12\xc0\xff\xf0"
                                                 "\xff\xfa\x2c\x02\x07\xff\xf0\xff\xfa\x2c\x03\x03\xff\xf0"
                                                 "\xff\xfa\x2c\x04\x02\xff\xf0\xff\xfa\x2c\x05\x01\xff\xf0"
                                                 "\xff\xfa\x2c\x0a\x1e\xff\xf0\xff\xfa\x2c\x0b\x00\xff\xf0");
QByteArray lineAnswer(char baudHigh, char baudLow)
{
    return QByteArrayLiteral("\xff\xfa\x2c\x65\x00\x00") + baudHigh + baudLow +
           QByteArrayLiteral("\xff\xf0\xff\xfa\x2c\x66\x07\xff\xf0\xff\xfa\x2c\x67\x03\xff\xf0"
                             "\xff\xfa\x2c\x68\x02\xff\xf0\xff\xfa\x2c\x69\x01\xff\xf0");
}

} // namespace

// The port on a device server: a scripted one for the exact bytes of the protocol, and a raw listener.
// TALVERN_COM5 names the server. (ser2net itself serves the port in tst_TransferEndToEnd.)
class tst_NetworkSerialPort : public QObject {
    Q_OBJECT

    std::unique_ptr<NetworkSerialPort> m_port;

    void open(const QString &address)
    {
        qputenv(Com5, address.toLocal8Bit());
        m_port = std::make_unique<NetworkSerialPort>();
        m_port->setConnectTimeout(3000);
        QVERIFY(m_port->setCommPort(5));
        QVERIFY(m_port->setSettings(QStringLiteral("4800,E,7,2")));
        QVERIFY(m_port->setHandshaking(false));
    }

private slots:
    void cleanup()
    {
        m_port.reset();
        qunsetenv(Com5);
    }

    // The line is set as the settings say before any data goes; data keeps every byte value, line
    // errors come before the data they came with, and the server's going away closes the port once.
    void theServerSetsTheLineAndCarriesEveryByte()
    {
        ScriptedServer server(Greeting, {{LineRequest, lineAnswer('\x12', '\xc0')}});
        open(server.address("rfc2217"));
        QSignalSpy connected(m_port.get(), &SerialPort::connected);
        QSignalSpy events(m_port.get(), &SerialPort::OnComm);
        QSignalSpy failed(m_port.get(), &SerialPort::failed);
        QVERIFY(m_port->setPortOpen(true));
        QVERIFY(m_port->connecting());
        QVERIFY(!m_port->output("early"));
        QVERIFY(connected.wait());
        QCOMPARE(server.heard, Opening + GreetingAnswered + LineRequest);

        QVERIFY(m_port->output(everyByte()));
        QTRY_COMPARE(server.heard.mid((Opening + GreetingAnswered + LineRequest).size()),
                     doubledIac(everyByte()));
        server.client->write("\xff\xfa\x2c\x6a\x0a\xff\xf0" + doubledIac(everyByte())); // framing, overrun
        QTRY_COMPARE(eventsOf(events),
                     (QList<int>{SerialPort::Frame, SerialPort::Overrun, SerialPort::Receive}));
        QCOMPARE(m_port->input(), everyByte());

        server.client->close();
        QVERIFY(failed.wait());
        QCOMPARE(failed.first().first().toString(),
                 QStringLiteral("ポート COM5 (%1) が切断されました。").arg(server.address("rfc2217")));
        QVERIFY(!m_port->portOpen());
        QTest::qWait(50);
        QCOMPARE(failed.size(), 1);
    }

    void aServerThatCannotSetTheLineIsRefused_data()
    {
        QTest::addColumn<Answers>("answers");
        QTest::addColumn<QString>("message");
        QTest::newRow("turns the option down")
            << Answers{{Opening, "\xff\xfe\x2c"}}
            << "のサーバーは通信設定 (RFC 2217) を受け付けません。設定済みのサーバーは socket:// "
               "で指定してください。";
        QTest::newRow("keeps another speed")
            << Answers{{Opening, "\xff\xfd\x2c"}, {LineRequest, lineAnswer('\x25', '\x80')}}
            << "は設定'4800,e,7,2'で通信できません。通信速度が変わってしまいます。";
    }

    void aServerThatCannotSetTheLineIsRefused()
    {
        QFETCH(Answers, answers);
        QFETCH(QString, message);
        ScriptedServer server({}, answers);
        open(server.address("rfc2217"));
        QSignalSpy failed(m_port.get(), &SerialPort::failed);
        QSignalSpy connected(m_port.get(), &SerialPort::connected);
        QVERIFY(m_port->setPortOpen(true));
        QVERIFY(failed.wait());
        QCOMPARE(failed.first().first().toString(),
                 QStringLiteral("ポート COM5 (%1) ").arg(server.address("rfc2217")) + message);
        QCOMPARE(m_port->errorString(), failed.first().first().toString());
        QVERIFY(connected.isEmpty());
        QVERIFY(!m_port->portOpen());
    }

    // A server that asks again and again for what it was answered gets one answer, however it asks.
    void aRepeatedRequestIsAnsweredOnce_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("to do what it turns down") << QByteArray("\xff\xfd\x18") << QByteArray("\xff\xfc\x18");
        QTest::newRow("to take what it turns down")
            << QByteArray("\xff\xfb\x18") << QByteArray("\xff\xfe\x18");
        QTest::newRow("turned down, withdrawn, asked again")
            << QByteArray("\xff\xfd\x18\xff\xfe\x18") << QByteArray("\xff\xfc\x18");
        QTest::newRow("for what it does") << QByteArrayLiteral("\xff\xfd\x00") << QByteArray();
    }

    void aRepeatedRequestIsAnsweredOnce()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, answer);
        ScriptedServer server(Greeting, {{LineRequest, lineAnswer('\x12', '\xc0')}});
        open(server.address("rfc2217"));
        QSignalSpy connected(m_port.get(), &SerialPort::connected);
        QVERIFY(m_port->setPortOpen(true));
        QVERIFY(connected.wait());
        const qsizetype before = server.heard.size();
        server.client->write(request.repeated(20000) + "end");
        QByteArray arrived;
        QTRY_COMPARE(arrived += m_port->input(), QByteArray("end"));
        QVERIFY(m_port->output("!"));
        QTRY_VERIFY(server.heard.endsWith('!'));
        QCOMPARE(server.heard.mid(before), answer + '!');
    }

    // What the server sends before the line is set waits for it, up to 64 KB of data (IAC counts once).
    void dataBeforeTheLineIsSetIsBounded_data()
    {
        QTest::addColumn<int>("bytes");
        QTest::newRow("64 KB") << 65536;
        QTest::newRow("a byte more") << 65537;
    }

    void dataBeforeTheLineIsSetIsBounded()
    {
        QFETCH(int, bytes);
        const QByteArray data = everyByte().repeated(257).left(bytes);
        ScriptedServer server(Greeting, {{LineRequest, doubledIac(data) + lineAnswer('\x12', '\xc0')}});
        open(server.address("rfc2217"));
        QSignalSpy connected(m_port.get(), &SerialPort::connected);
        QSignalSpy failed(m_port.get(), &SerialPort::failed);
        QVERIFY(m_port->setPortOpen(true));
        QTRY_VERIFY(!connected.isEmpty() || !failed.isEmpty());
        if (bytes <= NetworkSerialPort::MaxHeldBeforeLine) {
            QCOMPARE(m_port->input(), data);
        } else {
            QCOMPARE(failed.size(), 1);
            QCOMPARE(failed.first().first().toString(),
                     QStringLiteral("ポート COM5 (%1) が切断されました。").arg(server.address("rfc2217")));
            QVERIFY(connected.isEmpty());
        }
    }

    // Answers a server never reads are not kept beyond 64 KB, whether the line is set yet or not.
    void answersTheServerNeverReadsEndTheConnection_data()
    {
        QTest::addColumn<bool>("lineSet");
        QTest::newRow("while the line is being set") << false;
        QTest::newRow("once it is set") << true;
    }

    void answersTheServerNeverReadsEndTheConnection()
    {
        QFETCH(bool, lineSet);
        // Each turns binary mode off and on again, so each is answered.
        FloodingServer server(Greeting, {{LineRequest, lineSet ? lineAnswer('\x12', '\xc0') : QByteArray()}},
                              LineRequest, QByteArrayLiteral("\xff\xfe\x00\xff\xfd\x00").repeated(10000));
        open(server.address("rfc2217"));
        m_port->setConnectTimeout(30'000);
        QSignalSpy connected(m_port.get(), &SerialPort::connected);
        QSignalSpy failed(m_port.get(), &SerialPort::failed);
        QVERIFY(m_port->setPortOpen(true));
        QVERIFY(failed.wait(30'000));
        QCOMPARE(failed.first().first().toString(),
                 QStringLiteral("ポート COM5 (%1) が切断されました。").arg(server.address("rfc2217")));
        QCOMPARE(connected.size(), lineSet ? 1 : 0);
    }

    void aWrongAddressIsRefusedAtOnce()
    {
        open(QStringLiteral("rfc2217://127.0.0.1"));
        QVERIFY(!m_port->setPortOpen(true));
        QCOMPARE(
            m_port->errorString(),
            QStringLiteral(
                "ポート COM5 (rfc2217://127.0.0.1) のアドレスが正しくありません。rfc2217://ホスト:ポート "
                "または socket://ホスト:ポート の形で指定してください。"));
    }

    // A raw connection carries all 256 byte values both ways, in small reads as a reception takes them.
    void aRawConnectionCarriesEveryByte()
    {
        ScriptedServer listener({}, {});
        open(listener.address("socket"));
        QSignalSpy connected(m_port.get(), &SerialPort::connected);
        QVERIFY(m_port->setPortOpen(true));
        QVERIFY(connected.wait());

        QVERIFY(m_port->output(everyByte()));
        QTRY_COMPARE(listener.heard, everyByte());
        listener.client->write(everyByte());
        m_port->setInputLen(100);
        QByteArray arrived;
        connect(m_port.get(), &SerialPort::OnComm, this, [&](int event) {
            if (event == SerialPort::Receive)
                arrived += m_port->input();
        });
        QTRY_COMPARE(arrived, everyByte());
    }
};

QTEST_GUILESS_MAIN(tst_NetworkSerialPort)
#include "tst_NetworkSerialPort.moc"
