#include "Modbus/devicelink.h"
#include "Modbus/devicemirror.h"
#include "Modbus/linkopener.h"
#include "Modbus/linkstate.h"
#include "Modbus/presentation.h"
#include "Modbus/parameterentry.h"
#include "Modbus/registeraccess.h"
#include "Modbus/rtuclient.h"
#include "Modbus/trafficlog.h"
#include "Modbus/wordorder.h"
#include "main/trafficview.h"

#include "loopbackclient.h"
#include "simprocess.h"

#include <QDeadlineTimer>
#include <QLineEdit>
#include <QModbusTcpClient>
#include <QSerialPort>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>

// The register layer against the simulator, and the scaled texts of the pages.
class tst_RegisterAccess : public QObject
{
    Q_OBJECT

    SocatPair m_pair;
    std::unique_ptr<SimProcess> m_sim; // TCP on a free port, RTU on the pty pair

    static Settings request(int address, int num)
    {
        Settings settings;
        settings.address = address, settings.num = quint16(num);
        return settings;
    }

    // The program's client over the pty pair to the simulator, 9600 8N1.
    QModbusClient *connectRtuClient(int timeoutMs)
    {
        auto *client = new RtuSerialClient;
        client->setConnectionParameter(QModbusDevice::SerialPortNameParameter, m_pair.first());
        client->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, 9600);
        client->setConnectionParameter(QModbusDevice::SerialParityParameter, QSerialPort::NoParity);
        client->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, 8);
        client->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, 1);
        client->setTimeout(timeoutMs);
        client->setNumberOfRetries(0);
        setModbusClient(client);
        return client->connectDevice() ? client : nullptr;
    }
    QModbusClient *connectClient(const QString &transport, int timeoutMs)
    {
        return transport == QLatin1String("rtu") ? connectRtuClient(timeoutMs)
                                                 : connectLoopbackClient(m_sim->tcpPort(), timeoutMs);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(SocatPair::isAvailable() && m_pair.start(), "socat is needed for the serial line");
        m_sim.reset(new SimProcess({"--tcp", "0", "--rtu", m_pair.second()}));
        QVERIFY2(m_sim->start(), "r7sim did not start");
    }
    void init()
    {
        g_dwordFormat = g_shownDecimalPoint = 0;
        for (const char *command : {"noreply off", "fail off", "delay 0", "late off", "short off"})
            QVERIFY(m_sim->command(QLatin1String(command)));
    }
    void cleanup() { DeviceLink::instance().close(), setLinkClosing(false); }

    // Word order and register count of each kind of workbook parameter, both ways. Only the low 16
    // bits travel in a one-register parameter (227 keeps its 9); 1.5f (0x3FC00000) as two registers.
    void entryOverTheWire()
    {
        const struct { int format, count; quint32 value; const char *held; } cases[] = {
            {0, 1, 0x00030007u, "7 9"}, {0, 2, 65538u, "1 2"}, {1, 2, 65538u, "2 1"}, {0, 3, 0x3FC00000u, "16320 0"}};
        QModbusTcpClient *client = connectLoopbackClient(m_sim->tcpPort());
        for (const auto &c : cases) {
            g_dwordFormat = c.format;
            const ParameterEntry entry{c.value, 226, quint16(c.count)};
            QVERIFY(m_sim->command(QStringLiteral("set 227 9")) && writeEntry(entry, client) == ResultOk);
            QVERIFY(m_sim->command(QStringLiteral("get 226 2")));
            QCOMPARE(m_sim->lastAnswer(), QStringLiteral("ok ") + QLatin1String(c.held));
            ResultCode result = ResultDeviceError;
            QCOMPARE(readEntry(entry, client, &result), c.count == 1 ? c.value & 0xFFFF : c.value);
            QCOMPARE(result, ResultOk);
        }
    }

    // A failed request leaves the buffer alone, and its result tells no link, an exception reply and
    // no reply apart. Reads and writes end by the client's time-out (a read well after the link
    // closes); the client goes (as the Disconnect grace timer does) or a 5 s watchdog ends a wait.
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
            client = connectLoopbackClient(m_sim->tcpPort(), situation == QLatin1String("closing") ? 2000 : 500);
            QVERIFY(client && m_sim->command(situation.startsWith(QLatin1String("fail")) ? situation : "noreply on"));
        }
        QObject scope;
        if (situation == QLatin1String("closing"))
            QTimer::singleShot(50, &scope, [] { setLinkClosing(true); });
        QTimer::singleShot(situation == QLatin1String("destroyed") ? 50 : 5000, &scope,
                           [] { DeviceLink::instance().close(); });
        quint16 buffer[2] = {0xAAAA, 0xBBBB};
        const Settings at100 = request(100, 2);
        QTEST(int(write ? writeRegisters(client, at100, buffer) : readRegisters(client, at100, buffer)), "expected");
        QCOMPARE(QList<quint16>(buffer, buffer + 2), QList<quint16>({0xAAAA, 0xBBBB}));
    }

    // One time-out per link bounds reads and writes alike: a device that answers in 1.2 s is
    // waited for under a 2 s time-out, and given up under a 300 ms one. On a serial line the
    // time-out is how long the device may take beyond the wire: at 4800 baud a read of 120
    // registers spends 0.53 s on the line (the simulator paces it), yet a 200 ms link passes it.
    void linkTimeOut_data()
    {
        QTest::addColumn<bool>("serial");
        QTest::addColumn<bool>("write");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<int>("expected");
        for (bool write : {false, true}) {
            const char *kind = write ? "write" : "read";
            QTest::addRow("%s, answer within the time-out", kind) << false << write << 2000 << int(ResultOk);
            QTest::addRow("%s, answer after the time-out", kind) << false << write << 300 << int(ResultTimeout);
        }
        QTest::newRow("serial 4800 baud, read of 120 registers") << true << false << 200 << int(ResultOk);
    }
    void linkTimeOut()
    {
        QFETCH(bool, serial);
        QFETCH(bool, write);
        QFETCH(int, timeoutMs);
        SocatPair pair;
        std::unique_ptr<SimProcess> slowLine;
        QModbusClient *client = nullptr;
        quint16 buffer[120] = {7, 8};
        Settings at = request(120, 2);
        if (serial) {
            QVERIFY2(pair.start(), qPrintable(pair.errorString()));
            slowLine.reset(new SimProcess({"--rtu", pair.second(), "--baud", "4800", "--line-timing"}));
            QVERIFY2(slowLine->start(), qPrintable(slowLine->errorString()));
            LinkSettings line; // 8N1, unit 1
            line.serialPort = pair.first();
            line.baud = 4800;
            line.timeoutMs = timeoutMs;
            QVERIFY(DeviceLink::instance().open(line).ok());
            client = DeviceLink::instance().client();
            at = request(500, 120);
        } else {
            client = connectLoopbackClient(m_sim->tcpPort(), timeoutMs);
            QVERIFY(client && m_sim->command(QStringLiteral("delay 1200")));
        }
        QTEST(int(write ? writeRegisters(client, at, buffer) : readRegisters(client, at, buffer)), "expected");
        DeviceLink::instance().close();
    }

    // Replies that do not answer the request asked are failures, never values: a faulty gateway
    // answers every read with two registers (0x1234 0x1235) and echoes a write one register off,
    // or the simulator answers a read of two registers with one.
    void replyMustFit_data()
    {
        QTest::addColumn<QString>("device"); // "gateway", or commands for the simulator
        QTest::addColumn<bool>("write");
        QTest::addColumn<int>("num");
        QTest::addColumn<int>("expected");
        QTest::newRow("read of 2 answered with 2") << "gateway" << false << 2 << int(ResultOk);
        QTest::newRow("read of 4 answered with 2") << "gateway" << false << 4 << int(ResultDeviceError);
        QTest::newRow("read of 1 answered with 2") << "gateway" << false << 1 << int(ResultDeviceError);
        QTest::newRow("write of 2, another address echoed") << "gateway" << true << 2 << int(ResultDeviceError);
        QTest::newRow("write of 1, another value echoed") << "gateway" << true << 1 << int(ResultDeviceError);
        QTest::newRow("simulator, read of 2 answered with 1") << "short on" << false << 2 << int(ResultDeviceError);
        QTest::newRow("simulator, read of 1") << "short on" << false << 1 << int(ResultOk);
    }
    void replyMustFit()
    {
        QFETCH(QString, device);
        QFETCH(bool, write);
        QFETCH(int, num);
        QTcpServer server;
        connect(&server, &QTcpServer::newConnection, this, [&server] {
            QTcpSocket *socket = server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                QByteArray pending = socket->readAll(); // whole frames over loopback
                while (pending.size() >= 12) { // MBAP header, function, address, count or value
                    const int length = (quint8(pending.at(4)) << 8) | quint8(pending.at(5));
                    const QByteArray q = pending.left(6 + length);
                    pending.remove(0, 6 + length);
                    const char function = q.at(7);
                    if (function == 0x03) {
                        socket->write(q.left(4) + QByteArray("\0\7", 2) + q.mid(6, 2) + "\4\x12\x34\x12\x35");
                    } else { // the echo, with the address (0x10) or the value (0x06) one too high
                        QByteArray echo = q.mid(8, 4);
                        const int low = function == 0x10 ? 1 : 3;
                        echo[low] = char(echo.at(low) + 1);
                        socket->write(q.left(4) + QByteArray("\0\6", 2) + q.mid(6, 2) + echo);
                    }
                }
            });
        });
        QModbusTcpClient *client = nullptr;
        if (device == QLatin1String("gateway"))
            client = server.listen(QHostAddress::LocalHost) ? connectLoopbackClient(server.serverPort()) : nullptr;
        else
            client = m_sim->command(device) ? connectLoopbackClient(m_sim->tcpPort()) : nullptr;
        QVERIFY(client && m_sim->command(QStringLiteral("set 130 17")) && m_sim->command(QStringLiteral("set 131 18")));
        quint16 buffer[4] = {9, 9, 9, 9};
        const int result = write ? writeRegisters(client, request(130, num), buffer)
                                 : readRegisters(client, request(130, num), buffer);
        QTEST(result, "expected");
        QList<quint16> expected({9, 9, 9, 9});
        if (result == ResultOk && !write)
            expected = device == QLatin1String("gateway") ? QList<quint16>{0x1234, 0x1235, 9, 9} : QList<quint16>{17, 9, 9, 9};
        QCOMPARE(QList<quint16>(buffer, buffer + 4), expected);
    }

    // Replies that come after their request gave up, over TCP and over a serial line (no transaction
    // id), never pass for the answer to a later request. Requests i = 0, 1, ... go to register
    // 300 + i (holding 1000 + i) with a 500 ms time-out; the device answers in 300 ms, and
    // "late N 450 [COUNT]" holds the replies to requests N.. (COUNT of them) 450 ms more, so that
    // they come while the next request waits. Register 303 refuses writes. Expected results by
    // request: O the right value or a write answered by its own echo, T time-out, E refusal or no fit.
    void lateRepliesStayUnmatched_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::addColumn<QString>("faults");
        QTest::addColumn<bool>("write");
        QTest::addColumn<int>("num");
        QTest::addColumn<QString>("expected");
        for (const char *transport : {"tcp", "rtu"}) {
            const auto row = [transport](const char *name, const char *faults, bool write, int num, const char *expected) {
                QTest::addRow("%s, %s", transport, name) << transport << faults << write << num << expected;
            };
            row("one late reply, reads", "delay 300;late 2 450 1", false, 1, "OOTOOO");
            row("one late reply, reads of 2", "delay 300;late 2 450 1", false, 2, "OOTOOO");
            row("late from the third on, reads", "delay 300;late 2 450", false, 1, "OOTTT");
            row("one late reply, then a refused write", "delay 300;late 2 450 1;fail 303", true, 1, "OOTEOO");
            row("one late reply, writes of 2", "delay 300;late 2 450 1", true, 2, "OOTOOO");
            row("short replies", "short on", false, 2, "EEE");
        }
    }
    void lateRepliesStayUnmatched()
    {
        QFETCH(QString, transport);
        QFETCH(QString, faults);
        QFETCH(bool, write);
        QFETCH(int, num);
        QFETCH(QString, expected);
        for (int i = 0; i < 12; ++i)
            QVERIFY(m_sim->command(QStringLiteral("set %1 %2").arg(300 + i).arg(1000 + i)));
        QModbusClient *client = connectClient(transport, 500);
        QVERIFY(client);
        QVERIFY(QTest::qWaitFor([client] { return client->state() == QModbusDevice::ConnectedState; }));
        for (const QString &fault : faults.split(QLatin1Char(';')))
            QVERIFY2(m_sim->command(fault), qPrintable(m_sim->lastAnswer()));
        QString results;
        for (int i = 0; i < expected.size(); ++i) {
            quint16 buffer[2] = {quint16(2000 + i), quint16(2001 + i)};
            const ResultCode result = write ? writeRegisters(client, request(300 + i, num), buffer)
                                            : readRegisters(client, request(300 + i, num), buffer);
            results += result == ResultOk ? 'O' : result == ResultTimeout ? 'T' : result == ResultDeviceError ? 'E' : 'L';
            if (result == ResultOk && !write)
                QCOMPARE(buffer[0], quint16(1000 + i));
        }
        QCOMPARE(results, expected);
        // The line is clean again for the next request once the faults are gone.
        for (const char *command : {"delay 0", "late off", "short off"})
            QVERIFY(m_sim->command(QLatin1String(command)));
        quint16 words[2] = {0, 0};
        QCOMPARE(readRegisters(client, request(310, 2), words), ResultOk);
        QCOMPARE(QList<quint16>(words, words + 2), QList<quint16>({1010, 1011}));
    }

    // Opening a link names the step that failed. A TCP connection that takes 300 ms (a slow network)
    // is waited for within the link's time-out.
    void openAndProve_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<int>("connectMs");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<int>("step");
        QTest::newRow("proven") << "" << 0 << 1000 << int(LinkStep::Proven);
        QTest::newRow("slow connection within the time-out") << "" << 300 << 1000 << int(LinkStep::Proven);
        QTest::newRow("slow connection beyond the time-out") << "" << 600 << 300 << int(LinkStep::NotReached);
        QTest::newRow("port closed") << "closed" << 0 << 1000 << int(LinkStep::NotReached);
        QTest::newRow("no answer") << "noreply on" << 0 << 300 << int(LinkStep::NoAnswer);
        QTest::newRow("exception") << "fail 1" << 0 << 1000 << int(LinkStep::Exception);
        QTest::newRow("serial, proven") << "rtu" << 0 << 1000 << int(LinkStep::Proven);
        QTest::newRow("serial, no answer") << "rtu;noreply on" << 0 << 300 << int(LinkStep::NoAnswer);
    }
    void openAndProve()
    {
        QFETCH(QString, situation);
        QFETCH(int, connectMs);
        QFETCH(int, timeoutMs);
        QStringList parts = situation.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        const bool rtu = parts.removeAll(QStringLiteral("rtu")) > 0;
        const bool closed = parts.removeAll(QStringLiteral("closed")) > 0;
        for (const QString &fault : parts)
            QVERIFY(m_sim->command(fault));
        QModbusClient *client = nullptr;
        if (rtu) {
            auto *serial = new RtuSerialClient;
            serial->setConnectionParameter(QModbusDevice::SerialPortNameParameter, m_pair.first());
            serial->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, 9600);
            serial->setConnectionParameter(QModbusDevice::SerialParityParameter, QSerialPort::NoParity);
            client = serial;
        } else {
            QTcpServer unused; // a port nobody listens on once it is closed
            QVERIFY(unused.listen(QHostAddress::LocalHost));
            const quint16 port = closed ? unused.serverPort() : m_sim->tcpPort();
            unused.close();
            client = new SlowConnectClient(connectMs);
            client->setConnectionParameter(QModbusDevice::NetworkAddressParameter, QStringLiteral("127.0.0.1"));
            client->setConnectionParameter(QModbusDevice::NetworkPortParameter, port);
        }
        setModbusClient(client);
        client->setNumberOfRetries(0);
        const LinkProof proof = openAndProveLink(client, timeoutMs, 1);
        QTEST(int(proof.step), "step");
        QCOMPARE(proof.detail.isEmpty(), proof.ok());
    }

    // A raw value shown with the mirror's decimals (at most 4) and typed back; the operator's text
    // stays until the device value or the decimals change.
    // The traffic line of each kind of exchange with register 130 (holding 17 18) of unit 1:
    // function, register, count, request, reply and outcome of its CSV line (the round trip varies).
    void trafficLine_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("num"); // registers read; negative: written
        QTest::addColumn<QString>("line");
        const QString read2 = QStringLiteral("03,130,2,01 03 00 82 00 02,");
        QTest::newRow("tcp, OK read") << "tcp" << "" << 2 << read2 + "01 03 04 00 11 00 12,OK";
        QTest::newRow("rtu, OK read with CRC")
            << "rtu" << "" << 2 << "03,130,2,01 03 00 82 00 02 64 23,01 03 04 00 11 00 12 2A 3B,OK";
        QTest::newRow("tcp, OK write of one") << "tcp" << "" << -1 << "06,226,1,01 06 00 E2 00 11,01 06 00 E2 00 11,OK";
        const struct { int code; const char *name; } exceptions[] = {{1, "illegal function"},
            {2, "illegal data address"}, {3, "illegal data value"}, {4, "server device failure"}, {5, "acknowledge"},
            {6, "server device busy"}, {8, "memory parity error"}, {10, "gateway path unavailable"},
            {11, "gateway target device failed to respond"}, {0x42, nullptr}};
        for (const auto &e : exceptions) {
            const QString code = QStringLiteral("%1").arg(e.code, 2, 16, QLatin1Char('0')).toUpper();
            QTest::addRow("tcp, exception %d", e.code)
                << "tcp" << QStringLiteral("fail 131 %1").arg(e.code) << 2
                << read2 + "01 83 " + code + ",exception " + code + (e.name ? QStringLiteral(" ") + e.name : "");
        }
        QTest::newRow("tcp, time-out") << "tcp" << "noreply on" << 2 << read2 + ",time-out";
        QTest::newRow("tcp, short reply")
            << "tcp" << "short on" << 2 << read2 + "01 03 02 00 11,reply that does not fit its request";
    }
    void trafficLine()
    {
        QFETCH(QString, transport);
        QFETCH(QString, fault);
        QFETCH(int, num);
        QModbusClient *client = connectClient(transport, 300);
        QVERIFY(client && m_sim->command(QStringLiteral("set 130 17")) && m_sim->command(QStringLiteral("set 131 18")));
        QVERIFY(fault.isEmpty() || m_sim->command(fault));
        const quint64 before = TrafficLog::instance()->total();
        quint16 words[2] = {17, 18};
        num > 0 ? readRegisters(client, request(130, num), words) : writeRegisters(client, request(226, -num), words);
        QCOMPARE(TrafficLog::instance()->total(), before + 1);
        const QList<QByteArray> f = TrafficLog::instance()->entry(before).csvLine().trimmed().split(',');
        QCOMPARE(f.size(), 9);
        QTEST(QString::fromLatin1(QList<QByteArray>({f[2], f[3], f[4], f[5], f[6], f[8]}).join(',')), "line");
    }

    // The statistics count from the first request of a new client: OK, OK, exception, time-out,
    // short reply. The mean and maximum round trip are those of the four that got an answer.
    void trafficStatistics()
    {
        QModbusClient *client = connectClient(QStringLiteral("tcp"), 300);
        quint16 words[2];
        for (const char *fault : {"fail off", "fail off", "fail 130 2", "noreply on", "short on"}) {
            QVERIFY(m_sim->command(QLatin1String(fault)));
            readRegisters(client, request(130, 2), words);
            QVERIFY(m_sim->command(QStringLiteral("noreply off")) && m_sim->command(QStringLiteral("fail off")));
        }
        const TrafficStatistics &s = TrafficLog::instance()->statistics();
        QCOMPARE(QList<quint64>({s.requests, s.ok, s.exceptions, s.timeouts, s.answered}),
                 QList<quint64>({5, 2, 1, 1, 4}));
        QVERIFY2(s.meanRoundTripMs() > 0 && s.maxRoundTripMs() >= s.meanRoundTripMs() && s.maxRoundTripMs() < 300,
                 qPrintable(s.text()));
    }

    // The log and the view's model keep the last 10,000 exchanges, the oldest going first.
    void trafficBound()
    {
        TrafficLog *log = TrafficLog::instance();
        TrafficModel model;
        model.clear();
        // 5003 lines, then 5003 more of which the first 6 push out the oldest.
        for (int round = 0; round < 2; ++round) {
            for (int i = 0; i < TrafficLog::Capacity / 2 + 3; ++i) {
                TrafficEntry e;
                e.address = quint16(round * 10000 + i);
                log->append(e);
            }
            model.refresh();
            const int kept = round ? 10000 : 5003;
            QCOMPARE(QList<int>({log->size(), model.rowCount()}), QList<int>({kept, kept}));
            QCOMPARE(model.entryAt(0).address, quint16(round ? 6 : 0));
            QCOMPARE(model.entryAt(model.rowCount() - 1).address, quint16(round * 10000 + 5002));
        }
        // Paused, the view takes no new lines but lets go of those the log no longer keeps.
        for (int i = 0; i < 3; ++i)
            log->append(TrafficEntry());
        model.refresh(false);
        QCOMPARE(QList<int>({model.rowCount(), model.entryAt(0).address}), QList<int>({9997, 9}));
        model.clear();
        QCOMPARE(QList<int>({log->size(), model.rowCount()}), QList<int>({0, 0}));
    }

    // The word order a device's division (1..500) and load-cell capacity (0..999999) point to, as
    // read in format: 5 and 500 are 0x0000 0x0005 and 0x0000 0x01F4 in AB-CD.
    void wordOrderSuspect_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QList<int>>("words"); // division, then capacity, as they came
        QTest::addColumn<int>("suspect");
        QTest::newRow("AB-CD read as AB-CD") << 0 << QList<int>{0, 5, 0, 500} << -1;
        QTest::newRow("CD-AB read as AB-CD") << 0 << QList<int>{5, 0, 500, 0} << 1;
        QTest::newRow("AB-CD read as CD-AB") << 1 << QList<int>{0, 5, 0, 500} << 0;
        QTest::newRow("capacity 0, the division tells") << 1 << QList<int>{0, 5, 0, 0} << 0;
        QTest::newRow("division fits as read") << 0 << QList<int>{0, 5, 500, 0} << -1;
        QTest::newRow("nothing to tell") << 0 << QList<int>{0, 0, 0, 0} << -1;
    }
    void wordOrderSuspect()
    {
        QFETCH(int, format);
        QFETCH(QList<int>, words);
        const WordPair pairs[] = {{{quint16(words[0]), quint16(words[1])}, 1, 500},
                                  {{quint16(words[2]), quint16(words[3])}, 0, 999999}};
        QTEST(suspectWordOrder(pairs, 2, format), "suspect");
    }

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
        QModbusTcpClient *client = connectLoopbackClient(m_sim->tcpPort(), 60000);
        QVERIFY(client && m_sim->command(QStringLiteral("noreply on")));
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
