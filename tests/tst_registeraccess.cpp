#include "Modbus/devicemirror.h"
#include "Modbus/linkstate.h"
#include "Modbus/presentation.h"
#include "Modbus/parameterentry.h"
#include "Modbus/registeraccess.h"

#include "simprocess.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QModbusTcpClient>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>
#include <QtTest>

// A Modbus TCP peer that answers every read with fewer registers than asked
// for: a shape the simulator never produces but a faulty device might.
class ShortReplyServer : public QTcpServer
{
public:
    explicit ShortReplyServer(int registersInReply)
        : m_registers(registersInReply)
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
            }
        });
    }

private:
    void answer(QTcpSocket *socket)
    {
        m_pending += socket->readAll();
        while (m_pending.size() >= 12) {
            const QByteArray request = m_pending.left(12);
            m_pending.remove(0, 12);
            QByteArray reply;
            reply += request.left(4);                                  // transaction and protocol id
            const quint16 length = quint16(3 + 2 * m_registers);
            reply += char(length >> 8);
            reply += char(length & 0xFF);
            reply += request.mid(6, 2);                                // unit id, function 0x03
            reply += char(2 * m_registers);
            for (int i = 0; i < m_registers; ++i) {
                reply += char(0x12);
                reply += char(0x34 + i);                               // 0x1234, 0x1235, ...
            }
            socket->write(reply);
        }
    }

    int m_registers;
    QByteArray m_pending;
};

class tst_RegisterAccess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void wordOrder_data();
    void wordOrder();
    void entryOverTheWire_data();
    void entryOverTheWire();
    void noLinkLeavesBufferUntouched_data();
    void noLinkLeavesBufferUntouched();
    void exceptionReply_data();
    void exceptionReply();
    void readTimeout();
    void writeBoundPassed();
    void linkClosingEndsRead();
    void clientDestroyedDuringWait_data();
    void clientDestroyedDuringWait();
    void shortReplyFilledWithZero();
    void failedReadParameter();
    void delayKeepsEventsFlowing();
    void accessors_data();
    void accessors();
    void rawText_data();
    void rawText();
    void scaledValues_data();
    void scaledValues();
    void scaledValuesRedrawOnlyChanges();
    void unitLabels();
    void applicationExitEndsWaits();

private:
    QModbusTcpClient *connectTo(quint16 port, int timeoutMs = 1000);

    SimProcess m_sim;
};

void tst_RegisterAccess::initTestCase()
{
    QVERIFY2(m_sim.start(), "r7sim did not start");
}

void tst_RegisterAccess::init()
{
    g_slaveId = 1;
    g_dwordFormat = 0;
    setLinkClosing(false);
    g_mirror = DeviceMirror();
    g_shownDecimalPoint = 0;
    g_shownUnit = 0;
    QVERIFY(m_sim.command(QStringLiteral("noreply off")));
    QVERIFY(m_sim.command(QStringLiteral("delay 0")));
    QVERIFY(m_sim.command(QStringLiteral("fail off")));
}

void tst_RegisterAccess::cleanup()
{
    disconnectClient();
    setLinkClosing(false);
}

QModbusTcpClient *tst_RegisterAccess::connectTo(quint16 port, int timeoutMs)
{
    auto *client = new QModbusTcpClient;
    client->setConnectionParameter(QModbusDevice::NetworkAddressParameter, QStringLiteral("127.0.0.1"));
    client->setConnectionParameter(QModbusDevice::NetworkPortParameter, port);
    client->setTimeout(timeoutMs);
    client->setNumberOfRetries(0);
    setModbusClient(client);
    if (!client->connectDevice())
        return nullptr;
    QSignalSpy connected(client, &QModbusDevice::stateChanged);
    while (client->state() == QModbusDevice::ConnectingState && connected.wait(2000)) {
    }
    return client->state() == QModbusDevice::ConnectedState ? client : nullptr;
}

void tst_RegisterAccess::wordOrder_data()
{
    QTest::addColumn<quint32>("value");
    QTest::addColumn<int>("format");
    QTest::addColumn<quint16>("first");
    QTest::addColumn<quint16>("second");

    QTest::newRow("AB-CD 65538") << 65538u << 0 << quint16(1) << quint16(2);   // 0x0001 0x0002
    QTest::newRow("CD-AB 65538") << 65538u << 1 << quint16(2) << quint16(1);   // 0x0002 0x0001
    QTest::newRow("AB-CD max") << 0xFFFFFFFFu << 0 << quint16(0xFFFF) << quint16(0xFFFF);
    QTest::newRow("CD-AB high only") << 0xABCD0000u << 1 << quint16(0) << quint16(0xABCD);
}

void tst_RegisterAccess::wordOrder()
{
    QFETCH(quint32, value);
    QFETCH(int, format);
    QFETCH(quint16, first);
    QFETCH(quint16, second);

    quint16 words[2] = {0, 0};
    splitDword(value, format, words);
    QCOMPARE(words[0], first);
    QCOMPARE(words[1], second);
    QCOMPARE(joinDword(words, format), value);
}

void tst_RegisterAccess::entryOverTheWire_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("address");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QList<int>>("words"); // the registers as the device holds them
    QTest::addColumn<quint32>("readBack");

    // Only the low 16 bits travel in a one-register parameter.
    QTest::newRow("1 register") << 0 << 1 << 8001 << 0x00070007u << QList<int>{7} << 7u;
    QTest::newRow("AB-CD") << 0 << 2 << 226 << 65538u << QList<int>{1, 2} << 65538u; // 0x0001 0x0002
    QTest::newRow("CD-AB") << 1 << 2 << 226 << 65538u << QList<int>{2, 1} << 65538u; // 0x0002 0x0001
    // 1.5f is 0x3FC00000: a single-precision value travels as two registers.
    QTest::newRow("float AB-CD") << 0 << 3 << 226 << 0x3FC00000u << QList<int>{0x3FC0, 0} << 0x3FC00000u;
    QTest::newRow("float CD-AB") << 1 << 3 << 226 << 0x3FC00000u << QList<int>{0, 0x3FC0} << 0x3FC00000u;
}

void tst_RegisterAccess::entryOverTheWire()
{
    QFETCH(int, format);
    QFETCH(int, count);
    QFETCH(int, address);
    QFETCH(quint32, value);
    QFETCH(QList<int>, words);
    QFETCH(quint32, readBack);

    QModbusTcpClient *client = connectTo(m_sim.tcpPort());
    QVERIFY(client);
    g_dwordFormat = format;
    QVERIFY(m_sim.command(QStringLiteral("set %1 9").arg(address + 1)));

    ParameterEntry entry;
    entry.address = address;
    entry.count = quint16(count);
    entry.value = value;
    QCOMPARE(writeEntry(entry, client), ResultOk);

    // The neighbour of a one-register entry stays as it was.
    QVERIFY(m_sim.command(QStringLiteral("get %1 2").arg(address)));
    QStringList held = m_sim.lastAnswer().split(QLatin1Char(' '), Qt::SkipEmptyParts).mid(1);
    if (words.size() == 1)
        words << 9;
    QCOMPARE(held, QStringList({QString::number(words.at(0)), QString::number(words.at(1))}));

    ResultCode result = ResultDeviceError;
    QCOMPARE(readEntry(entry, client, &result), readBack);
    QCOMPARE(result, ResultOk);
    QCOMPARE(readParameter(address, count == 1 ? 1 : 2), readBack);
}

void tst_RegisterAccess::noLinkLeavesBufferUntouched_data()
{
    QTest::addColumn<QString>("situation");
    QTest::newRow("no client") << QStringLiteral("none");
    QTest::newRow("never connected") << QStringLiteral("unconnected");
    QTest::newRow("link closing") << QStringLiteral("closing");
}

void tst_RegisterAccess::noLinkLeavesBufferUntouched()
{
    QFETCH(QString, situation);
    QModbusClient *client = nullptr;
    QModbusTcpClient unconnected;
    if (situation == QLatin1String("unconnected")) {
        client = &unconnected;
    } else if (situation == QLatin1String("closing")) {
        client = connectTo(m_sim.tcpPort());
        QVERIFY(client);
        setLinkClosing(true);
    }

    Settings request;
    request.address = 0;
    request.num = 2;
    quint16 buffer[2] = {0xAAAA, 0xBBBB};
    QCOMPARE(readRegisters(client, request, buffer), ResultNoLink);
    QCOMPARE(buffer[0], quint16(0xAAAA));
    QCOMPARE(buffer[1], quint16(0xBBBB));
    if (situation != QLatin1String("closing")) {
        request.address = 100;
        QCOMPARE(writeRegisters(client, request, buffer), ResultNoLink);
    }
}

void tst_RegisterAccess::exceptionReply_data()
{
    QTest::addColumn<int>("address");
    QTest::newRow("parameter") << 104;
    QTest::newRow("calibration") << 214;
}

void tst_RegisterAccess::exceptionReply()
{
    QFETCH(int, address);
    QModbusTcpClient *client = connectTo(m_sim.tcpPort());
    QVERIFY(client);
    QVERIFY(m_sim.command(QStringLiteral("fail %1 4").arg(address)));

    Settings request;
    request.address = address;
    request.num = 2;
    quint16 buffer[2] = {0x1111, 0x2222};
    QCOMPARE(readRegisters(client, request, buffer), ResultDeviceError);
    QCOMPARE(buffer[0], quint16(0x1111));

    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^This is Send address")));
    QTest::ignoreMessage(QtDebugMsg, "e_ModbusResponseError1");
    QCOMPARE(writeRegisters(client, request, buffer), ResultDeviceError);
    QCOMPARE(readParameter(address, 2), ReadFailedValue);
}

void tst_RegisterAccess::readTimeout()
{
    QModbusTcpClient *client = connectTo(m_sim.tcpPort(), 300);
    QVERIFY(client);
    QVERIFY(m_sim.command(QStringLiteral("noreply on")));

    Settings request;
    request.address = 0;
    request.num = 5;
    quint16 buffer[5] = {9, 9, 9, 9, 9};
    QTest::ignoreMessage(QtDebugMsg, "Timeout");
    QCOMPARE(readRegisters(client, request, buffer), ResultTimeout);
    QCOMPARE(buffer[4], quint16(9));
}

void tst_RegisterAccess::writeBoundPassed()
{
    QModbusTcpClient *client = connectTo(m_sim.tcpPort(), 5000);
    QVERIFY(client);
    QVERIFY(m_sim.command(QStringLiteral("noreply on")));

    Settings request;
    request.address = 100;
    request.num = 1;
    request.responseTime = 200;
    const quint16 value = 5;
    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(writeRegisters(client, request, &value), ResultTimeout);
    QVERIFY2(elapsed.elapsed() >= 200, "the write gave up before its bound");
}

void tst_RegisterAccess::linkClosingEndsRead()
{
    QModbusTcpClient *client = connectTo(m_sim.tcpPort(), 5000);
    QVERIFY(client);
    QVERIFY(m_sim.command(QStringLiteral("noreply on")));

    QTimer::singleShot(50, [] { setLinkClosing(true); });
    Settings request;
    request.address = 0;
    request.num = 2;
    quint16 buffer[2] = {7, 7};
    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(readRegisters(client, request, buffer), ResultNoLink);
    // Well before the client's own 5 s time-out: the read gave up on the flag.
    QVERIFY(elapsed.elapsed() < 4000);
    QCOMPARE(buffer[0], quint16(7));
}

void tst_RegisterAccess::clientDestroyedDuringWait_data()
{
    QTest::addColumn<bool>("write");
    QTest::newRow("read") << false;
    QTest::newRow("write") << true;
}

void tst_RegisterAccess::clientDestroyedDuringWait()
{
    QFETCH(bool, write);
    QModbusTcpClient *client = connectTo(m_sim.tcpPort(), 5000);
    QVERIFY(client);
    QVERIFY(m_sim.command(QStringLiteral("noreply on")));

    // As the Disconnect grace timer does: the client goes away mid-request.
    QTimer::singleShot(100, [] { disconnectClient(); });
    Settings request;
    request.address = 100;
    request.num = 2;
    request.responseTime = 5000;
    quint16 buffer[2] = {3, 4};
    const ResultCode result = write ? writeRegisters(client, request, buffer)
                                    : readRegisters(client, request, buffer);
    QCOMPARE(result, ResultNoLink);
    QVERIFY(!modbusClient());
    QCOMPARE(buffer[0], quint16(3));
}

void tst_RegisterAccess::shortReplyFilledWithZero()
{
    ShortReplyServer server(2);
    QVERIFY(server.listen(QHostAddress::LocalHost));
    QModbusTcpClient *client = connectTo(server.serverPort());
    QVERIFY(client);

    Settings request;
    request.address = 0;
    request.num = 4;
    quint16 buffer[4] = {9, 9, 9, 9};
    QCOMPARE(readRegisters(client, request, buffer), ResultOk);
    QCOMPARE(buffer[0], quint16(0x1234));
    QCOMPARE(buffer[1], quint16(0x1235));
    QCOMPARE(buffer[2], quint16(0));
    QCOMPARE(buffer[3], quint16(0));
}

void tst_RegisterAccess::failedReadParameter()
{
    QCOMPARE(readParameter(0, 2), ReadFailedValue);
    QCOMPARE(ReadFailedValue, 0x053F14E8u);
}

void tst_RegisterAccess::delayKeepsEventsFlowing()
{
    bool fired = false;
    QTimer::singleShot(20, [&fired] { fired = true; });
    QElapsedTimer elapsed;
    elapsed.start();
    delayMs(120);
    QVERIFY2(elapsed.elapsed() >= 120, "delayMs returned early");
    QVERIFY(fired);
}

void tst_RegisterAccess::accessors_data()
{
    QTest::addColumn<bool>("dword");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("returned");
    QTest::addColumn<int>("stored");

    QTest::newRow("slave store") << false << 5 << 1 << 0 << 5;
    QTest::newRow("slave bad mode") << false << 9 << 2 << 0 << 1;
    QTest::newRow("dword store") << true << 1 << 1 << 0 << 1;
    QTest::newRow("dword bad mode") << true << 1 << -1 << 0 << 0;
}

void tst_RegisterAccess::accessors()
{
    QFETCH(bool, dword);
    QFETCH(int, value);
    QFETCH(int, mode);
    QFETCH(int, returned);
    QFETCH(int, stored);

    const auto access = dword ? accessDwordFormat : accessSlaveId;
    QCOMPARE(access(value, mode), returned);
    QCOMPARE(access(0, 0), stored);
}

void tst_RegisterAccess::rawText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<quint32>("decimals");
    QTest::addColumn<QString>("raw");

    QTest::newRow("12.5 d2") << "12.5" << 2u << "1250";
    QTest::newRow("0.1 d1") << "0.1" << 1u << "1";
    QTest::newRow("1.15 d2 absorbs float error") << "1.15" << 2u << "115";
    QTest::newRow("1.5 d2") << "1.5" << 2u << "150";
    QTest::newRow("negative d3") << "-1.234" << 3u << "-1234";
    QTest::newRow("fraction kept for the caller") << "12.7" << 0u << "12.7";
    QTest::newRow("trailing point") << "1." << 0u << "1";
    QTest::newRow("empty") << "" << 2u << "0";
}

void tst_RegisterAccess::rawText()
{
    QFETCH(QString, typed);
    QFETCH(quint32, decimals);
    QFETCH(QString, raw);

    g_mirror.live.decimalPoint = decimals;
    QLineEdit edit(typed);
    QCOMPARE(toRawText(&edit), raw);
}

void tst_RegisterAccess::scaledValues_data()
{
    QTest::addColumn<quint32>("decimals");
    QTest::addColumn<quint32>("raw");
    QTest::addColumn<QString>("shown");

    QTest::newRow("12345 d2") << 2u << 12345u << "123.45";
    QTest::newRow("12345 d0") << 0u << 12345u << "12345";
    QTest::newRow("unsigned max d3") << 3u << 4294967295u << "4294967.295";
    QTest::newRow("small d4") << 4u << 5u << "0.0005";
    QTest::newRow("150 d2") << 2u << 150u << "1.50";
}

void tst_RegisterAccess::scaledValues()
{
    QFETCH(quint32, decimals);
    QFETCH(quint32, raw);
    QFETCH(QString, shown);

    g_mirror.live.decimalPoint = decimals;
    QLineEdit edit;
    QLineEdit *edits[] = {&edit};
    quint32 last[] = {0};
    const quint32 current[] = {raw};
    QVERIFY(showScaledValues(edits, 1, last, current, true));
    QCOMPARE(edit.text(), shown);
    QCOMPARE(last[0], raw);
}

void tst_RegisterAccess::scaledValuesRedrawOnlyChanges()
{
    g_mirror.live.decimalPoint = 2;
    QLineEdit a, b;
    QLineEdit *edits[] = {&a, &b};
    quint32 last[] = {0, 0};
    quint32 current[] = {100, 200};
    QVERIFY(showScaledValues(edits, 2, last, current, false)); // decimals 0 -> 2
    QCOMPARE(a.text(), QStringLiteral("1.00"));

    // The operator's text stays while the device value is unchanged.
    a.setText(QStringLiteral("typed"));
    current[1] = 250;
    QVERIFY(!showScaledValues(edits, 2, last, current, false));
    QCOMPARE(a.text(), QStringLiteral("typed"));
    QCOMPARE(b.text(), QStringLiteral("2.50"));

    // New decimals rewrite every edit.
    g_mirror.live.decimalPoint = 3;
    QVERIFY(showScaledValues(edits, 2, last, current, false));
    QCOMPARE(a.text(), QStringLiteral("0.100"));
    QCOMPARE(b.text(), QStringLiteral("0.250"));
    QVERIFY(!decimalsChanged(false));
    QVERIFY(decimalsChanged(true));
}

void tst_RegisterAccess::unitLabels()
{
    QLabel kg, other;
    QLabel *labels[] = {&kg, &other};
    g_mirror.live.unit = 1;
    showUnitLabels(labels, 2, false);
    QCOMPARE(kg.text(), QStringLiteral("kg"));
    QCOMPARE(other.text(), QStringLiteral("kg"));

    kg.setText(QStringLiteral("x"));
    showUnitLabels(labels, 2, false); // unit unchanged: nothing rewritten
    QCOMPARE(kg.text(), QStringLiteral("x"));

    g_mirror.live.unit = 6;
    QVERIFY(unitChanged(false));
    QVERIFY(!unitChanged(false));
    showUnitLabels(labels, 2, true);
    QCOMPARE(kg.text(), QString());
    QCOMPARE(UnitNames.size(), 7);
    QCOMPARE(TimeUnitNames.value(1), QStringLiteral("min"));
}

void tst_RegisterAccess::applicationExitEndsWaits()
{
    // Closing the last window quits the application while a request may be
    // waited for; from then on nested event loops return at once. The waits
    // must give up instead of spinning until a time-out that never comes.
    QModbusTcpClient *client = connectTo(m_sim.tcpPort(), 60000);
    QVERIFY(client);
    QVERIFY(m_sim.command(QStringLiteral("noreply on")));

    QTimer::singleShot(100, [] { QCoreApplication::exit(0); });
    Settings request;
    request.address = 0;
    request.num = 2;
    quint16 buffer[2] = {1, 2};
    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(readRegisters(client, request, buffer), ResultNoLink);
    delayMs(60000);
    QVERIFY2(elapsed.elapsed() < 30000, "a wait outlived the application's exit");
    QCOMPARE(buffer[0], quint16(1));

    // Leave the application usable for whatever runs after this test.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

QTEST_MAIN(tst_RegisterAccess)
#include "tst_registeraccess.moc"
