#include "Modbus/devicemirror.h"
#include "Modbus/linkstate.h"
#include "Modbus/presentation.h"
#include "Modbus/parameterentry.h"
#include "Modbus/registeraccess.h"

#include "simprocess.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QModbusTcpClient>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

// The register layer against the simulator, and the scaled texts of the pages.
class tst_RegisterAccess : public QObject
{
    Q_OBJECT

    SimProcess m_sim;

    QModbusTcpClient *connectTo(quint16 port, int timeoutMs = 1000)
    {
        auto *client = new QModbusTcpClient;
        client->setConnectionParameter(QModbusDevice::NetworkAddressParameter, QStringLiteral("127.0.0.1"));
        client->setConnectionParameter(QModbusDevice::NetworkPortParameter, port);
        client->setTimeout(timeoutMs);
        client->setNumberOfRetries(0);
        setModbusClient(client);
        QSignalSpy changed(client, &QModbusDevice::stateChanged);
        if (client->connectDevice())
            while (client->state() == QModbusDevice::ConnectingState && changed.wait(2000)) { }
        return client->state() == QModbusDevice::ConnectedState ? client : nullptr;
    }
    static Settings request(int address, int num, int responseTime = 1000)
    {
        Settings settings;
        settings.address = address;
        settings.num = quint16(num);
        settings.responseTime = responseTime;
        return settings;
    }

private slots:
    void initTestCase() { QVERIFY2(m_sim.start(), "r7sim did not start"); }
    void init()
    {
        g_dwordFormat = 0;
        g_shownDecimalPoint = 0;
        QVERIFY(m_sim.command(QStringLiteral("noreply off")));
        QVERIFY(m_sim.command(QStringLiteral("fail off")));
    }
    void cleanup()
    {
        disconnectClient();
        setLinkClosing(false);
    }

    // Word order and register count of each kind of workbook parameter, both ways.
    void entryOverTheWire_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("count");
        QTest::addColumn<quint32>("value");
        QTest::addColumn<QString>("held"); // registers 226 and 227 afterwards
        // Only the low 16 bits travel in a one-register parameter; 227 keeps its 9.
        QTest::newRow("1 register AB-CD") << 0 << 1 << 0x00030007u << "7 9";
        QTest::newRow("1 register CD-AB") << 1 << 1 << 0x00030007u << "7 9";
        QTest::newRow("AB-CD") << 0 << 2 << 65538u << "1 2"; // 0x0001 0x0002
        QTest::newRow("CD-AB") << 1 << 2 << 65538u << "2 1"; // 0x0002 0x0001
        // 1.5f is 0x3FC00000: a single-precision value travels as two registers.
        QTest::newRow("float AB-CD") << 0 << 3 << 0x3FC00000u << "16320 0";
        QTest::newRow("float CD-AB") << 1 << 3 << 0x3FC00000u << "0 16320";
    }
    void entryOverTheWire()
    {
        QFETCH(int, format);
        QFETCH(int, count);
        QFETCH(quint32, value);
        QFETCH(QString, held);
        const quint32 readBack = count == 1 ? value & 0xFFFF : value;
        QModbusTcpClient *client = connectTo(m_sim.tcpPort());
        g_dwordFormat = format;
        QVERIFY(m_sim.command(QStringLiteral("set 227 9")));
        const ParameterEntry entry{value, 226, quint16(count)};
        QCOMPARE(writeEntry(entry, client), ResultOk);
        QVERIFY(m_sim.command(QStringLiteral("get 226 2")));
        QCOMPARE(m_sim.lastAnswer(), QStringLiteral("ok ") + held);
        ResultCode result = ResultDeviceError;
        QCOMPARE(readEntry(entry, client, &result), readBack);
        QCOMPARE(result, ResultOk);
        QCOMPARE(readParameter(226, count == 1 ? 1 : 2), readBack);
    }

    // A failed request leaves the buffer alone, and its result tells no link, an
    // exception reply and no reply apart.
    void failedRequest_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<bool>("write");
        QTest::addColumn<int>("expected");
        for (bool write : {false, true}) {
            const char *kind = write ? "write" : "read";
            QTest::addRow("no client, %s", kind) << "none" << write << int(ResultNoLink);
            QTest::addRow("never connected, %s", kind) << "unconnected" << write << int(ResultNoLink);
            QTest::addRow("destroyed in the wait, %s", kind) << "destroyed" << write << int(ResultNoLink);
            QTest::addRow("exception, %s", kind) << "fail 100 4" << write << int(ResultDeviceError);
            QTest::addRow("no reply, %s", kind) << "noreply on" << write << int(ResultTimeout);
        }
        QTest::newRow("link closing in the wait, read") << "closing" << false << int(ResultNoLink);
    }
    void failedRequest()
    {
        QFETCH(QString, situation);
        QFETCH(bool, write);
        QFETCH(int, expected);
        QModbusTcpClient unconnected;
        QModbusClient *client = situation == QLatin1String("unconnected") ? &unconnected : nullptr;
        if (situation != QLatin1String("none") && !client) {
            // A read ends by the client's time-out (well after the link closes), a write by its bound.
            client = connectTo(m_sim.tcpPort(), write ? 60000 : situation == QLatin1String("closing") ? 2000 : 500);
            QVERIFY(client);
            QVERIFY(m_sim.command(situation.startsWith(QLatin1String("fail")) ? situation : "noreply on"));
        }
        QObject scope;
        if (situation == QLatin1String("closing"))
            QTimer::singleShot(50, &scope, [] { setLinkClosing(true); });
        // As the Disconnect grace timer does; elsewhere it ends a wait that outlives its bound.
        const int destroyAfter = situation == QLatin1String("destroyed") ? 50 : 5000;
        QTimer::singleShot(destroyAfter, &scope, [] { disconnectClient(); });
        quint16 buffer[2] = {0xAAAA, 0xBBBB};
        const Settings at100 = request(100, 2, situation == QLatin1String("noreply on") ? 200 : 60000);
        QCOMPARE(int(write ? writeRegisters(client, at100, buffer) : readRegisters(client, at100, buffer)),
                 expected);
        QCOMPARE(QList<quint16>(buffer, buffer + 2), QList<quint16>({0xAAAA, 0xBBBB}));
        if (!write)
            QCOMPARE(readParameter(100, 2), ReadFailedValue);
    }

    // A faulty device answers with two registers (0x1234 0x1235) whatever was asked.
    void shortReplyFilledWithZero()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        connect(&server, &QTcpServer::newConnection, this, [&server] {
            QTcpSocket *socket = server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                while (socket->bytesAvailable() >= 12) { // transaction, protocol, length 7, unit, function
                    const QByteArray request = socket->read(12);
                    socket->write(request.left(4) + QByteArray("\0\7", 2) + request.mid(6, 2)
                                  + QByteArray("\4\x12\x34\x12\x35", 5));
                }
            });
        });
        QModbusTcpClient *client = connectTo(server.serverPort());
        quint16 buffer[4] = {9, 9, 9, 9};
        QCOMPARE(readRegisters(client, request(0, 4), buffer), ResultOk);
        QCOMPARE(QList<quint16>(buffer, buffer + 4), QList<quint16>({0x1234, 0x1235, 0, 0}));
    }

    // A raw value shown with the mirror's decimals, and the shown text typed back.
    void scaledText_data()
    {
        QTest::addColumn<quint32>("decimals");
        QTest::addColumn<quint32>("raw");
        QTest::addColumn<QString>("shown");
        QTest::newRow("12345 d2") << 2u << 12345u << "123.45";
        QTest::newRow("12345 d0") << 0u << 12345u << "12345";
        QTest::newRow("unsigned max d3") << 3u << 4294967295u << "4294967.295";
        QTest::newRow("small d4") << 4u << 5u << "0.0005";
        QTest::newRow("corrupt decimals 7 shown as 4") << 7u << 12345u << "1.2345";
    }
    void scaledText()
    {
        QFETCH(quint32, decimals);
        QFETCH(quint32, raw);
        QFETCH(QString, shown);
        g_mirror.live.decimalPoint = decimals;
        QLineEdit edit;
        QLineEdit *edits[] = {&edit};
        quint32 last = 0;
        showScaledValues(edits, 1, &last, &raw, true);
        QCOMPARE(edit.text(), shown);
        QCOMPARE(toRawText(&edit), QString::number(raw));
    }

    // The operator's text stays until the device value or the decimals change.
    void redrawOnlyChanges()
    {
        g_mirror.live.decimalPoint = 2;
        QLineEdit a, b;
        QLineEdit *edits[] = {&a, &b};
        quint32 last[] = {0, 0};
        quint32 current[] = {100, 200};
        QVERIFY(showScaledValues(edits, 2, last, current, false)); // decimals 0 -> 2
        a.setText(QStringLiteral("typed"));
        current[1] = 250;
        QVERIFY(!showScaledValues(edits, 2, last, current, false));
        QCOMPARE(a.text(), QStringLiteral("typed"));
        QCOMPARE(b.text(), QStringLiteral("2.50"));
        g_mirror.live.decimalPoint = 3;
        QVERIFY(showScaledValues(edits, 2, last, current, false));
        QCOMPARE(a.text(), QStringLiteral("0.100"));
    }

    // Once the application quits (its last window closed during a request) nested
    // loops return at once: the waits must give up instead of spinning until a
    // time-out that never comes.
    void waitsEndWithTheApplication()
    {
        QModbusTcpClient *client = connectTo(m_sim.tcpPort(), 60000);
        QVERIFY(client);
        QVERIFY(m_sim.command(QStringLiteral("noreply on")));
        QTimer::singleShot(100, [] { QCoreApplication::exit(0); });
        quint16 buffer[2] = {1, 2};
        QElapsedTimer elapsed;
        elapsed.start();
        QCOMPARE(readRegisters(client, request(0, 2), buffer), ResultNoLink);
        delayMs(60000);
        QVERIFY2(elapsed.elapsed() < 30000, "a wait outlived the application's exit");
        // Leave the application usable for whatever runs after this test.
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
    }
};

QTEST_MAIN(tst_RegisterAccess)
#include "tst_registeraccess.moc"
