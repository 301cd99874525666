#include "Modbus/devicemirror.h"
#include "Modbus/linkstate.h"
#include "Modbus/presentation.h"
#include "Modbus/parameterentry.h"
#include "Modbus/registeraccess.h"

#include "loopbackclient.h"
#include "simprocess.h"

#include <QDeadlineTimer>
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

    static Settings request(int address, int num, int responseTime = 1000)
    {
        Settings settings;
        settings.address = address, settings.num = quint16(num), settings.responseTime = responseTime;
        return settings;
    }

private slots:
    void initTestCase() { QVERIFY2(m_sim.start(), "r7sim did not start"); }
    void init()
    {
        g_dwordFormat = g_shownDecimalPoint = 0;
        QVERIFY(m_sim.command(QStringLiteral("noreply off")) && m_sim.command(QStringLiteral("fail off")));
    }
    void cleanup() { disconnectClient(), setLinkClosing(false); }

    // Word order and register count of each kind of workbook parameter, both ways. Only the low 16
    // bits travel in a one-register parameter (227 keeps its 9); 1.5f (0x3FC00000) as two registers.
    void entryOverTheWire()
    {
        const struct { int format, count; quint32 value; const char *held; } cases[] = {
            {0, 1, 0x00030007u, "7 9"}, {0, 2, 65538u, "1 2"}, {1, 2, 65538u, "2 1"}, {0, 3, 0x3FC00000u, "16320 0"}};
        QModbusTcpClient *client = connectLoopbackClient(m_sim.tcpPort());
        for (const auto &c : cases) {
            g_dwordFormat = c.format;
            const ParameterEntry entry{c.value, 226, quint16(c.count)};
            QVERIFY(m_sim.command(QStringLiteral("set 227 9")) && writeEntry(entry, client) == ResultOk);
            QVERIFY(m_sim.command(QStringLiteral("get 226 2")));
            QCOMPARE(m_sim.lastAnswer(), QStringLiteral("ok ") + QLatin1String(c.held));
            ResultCode result = ResultDeviceError;
            QCOMPARE(readEntry(entry, client, &result), c.count == 1 ? c.value & 0xFFFF : c.value);
            QCOMPARE(result, ResultOk);
        }
    }

    // A failed request leaves the buffer alone, and its result tells no link, an exception reply and
    // no reply apart. A read ends by the client's time-out (well after the link closes), a write by
    // its bound; the client goes (as the Disconnect grace timer does) or a 5 s watchdog ends a wait.
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
        QModbusTcpClient unconnected;
        QModbusClient *client = situation == QLatin1String("unconnected") ? &unconnected : nullptr;
        if (situation != QLatin1String("none") && !client) {
            client = connectLoopbackClient(m_sim.tcpPort(), write ? 60000 : situation == QLatin1String("closing") ? 2000 : 500);
            QVERIFY(client && m_sim.command(situation.startsWith(QLatin1String("fail")) ? situation : "noreply on"));
        }
        QObject scope;
        if (situation == QLatin1String("closing"))
            QTimer::singleShot(50, &scope, [] { setLinkClosing(true); });
        QTimer::singleShot(situation == QLatin1String("destroyed") ? 50 : 5000, &scope, [] { disconnectClient(); });
        quint16 buffer[2] = {0xAAAA, 0xBBBB};
        const Settings at100 = request(100, 2, situation == QLatin1String("noreply on") ? 200 : 60000);
        QTEST(int(write ? writeRegisters(client, at100, buffer) : readRegisters(client, at100, buffer)), "expected");
        QCOMPARE(QList<quint16>(buffer, buffer + 2), QList<quint16>({0xAAAA, 0xBBBB}));
    }

    // A faulty device answers with two registers (0x1234 0x1235) whatever was asked.
    void shortReplyFilledWithZero()
    {
        QTcpServer server;
        connect(&server, &QTcpServer::newConnection, this, [&server] {
            QTcpSocket *socket = server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                while (socket->bytesAvailable() >= 12) { // transaction, protocol, length 7, unit, function
                    const QByteArray q = socket->read(12);
                    socket->write(q.left(4) + QByteArray("\0\7", 2) + q.mid(6, 2) + "\4\x12\x34\x12\x35");
                }
            });
        });
        QModbusTcpClient *client = server.listen(QHostAddress::LocalHost) ? connectLoopbackClient(server.serverPort()) : nullptr;
        quint16 buffer[4] = {9, 9, 9, 9};
        QCOMPARE(readRegisters(client, request(0, 4), buffer), ResultOk);
        QCOMPARE(QList<quint16>(buffer, buffer + 4), QList<quint16>({0x1234, 0x1235, 0, 0}));
    }

    // A raw value shown with the mirror's decimals (at most 4) and typed back; the operator's text
    // stays until the device value or the decimals change.
    void scaledText()
    {
        const struct { quint32 decimals, raw; const char *shown; } cases[] = {
            {2, 12345, "123.45"}, {0, 12345, "12345"}, {3, 4294967295u, "4294967.295"}, {4, 5, "0.0005"},
            {7, 12345, "1.2345"}};
        QLineEdit a, b, *edits[] = {&a, &b};
        quint32 last[] = {0, 0};
        for (const auto &c : cases) {
            g_mirror.live.decimalPoint = c.decimals;
            showScaledValues(edits, 1, last, &c.raw, true);
            QCOMPARE(a.text(), QLatin1String(c.shown));
            QCOMPARE(toRawText(&a), QString::number(c.raw));
        }
        g_mirror.live.decimalPoint = 2;
        quint32 current[] = {100, 200};
        QVERIFY(showScaledValues(edits, 2, last, current, false)); // decimals 4 -> 2
        a.setText(QStringLiteral("typed"));
        current[1] = 250;
        QVERIFY(!showScaledValues(edits, 2, last, current, false));
        QCOMPARE(a.text() + QLatin1Char(' ') + b.text(), QStringLiteral("typed 2.50"));
    }

    // Once the application quits (its last window closed during a request) nested loops return
    // at once: the waits must give up instead of spinning until a time-out that never comes.
    void waitsEndWithTheApplication()
    {
        QModbusTcpClient *client = connectLoopbackClient(m_sim.tcpPort(), 60000);
        QVERIFY(client && m_sim.command(QStringLiteral("noreply on")));
        QTimer::singleShot(100, [] { QCoreApplication::exit(0); });
        quint16 buffer[2] = {1, 2};
        const QDeadlineTimer bound(30000);
        QCOMPARE(readRegisters(client, request(0, 2), buffer), ResultNoLink);
        delayMs(60000);
        QVERIFY2(!bound.hasExpired(), "a wait outlived the application's exit");
        // Leave the application usable for whatever runs after this test.
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        QCoreApplication::exec();
    }
};

QTEST_MAIN(tst_RegisterAccess)
#include "tst_registeraccess.moc"
