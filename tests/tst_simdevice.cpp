// The device simulator r7sim seen from outside, through a real Qt Modbus client
// over loopback TCP and a pty pair: what the tool's suites rely on (register
// map, word orders, write rules, faults, calibration, line timing), briefly.
// The live weight itself is checked by the tool's suites (tst_linkcycle).

#include "simprocess.h"

#include <QModbusRtuSerialMaster>
#include <QModbusTcpClient>
#include <QPointer>
#include <QSerialPort>
#include <QSignalSpy>
#include <QtTest>

namespace {

struct Result {
    QModbusDevice::Error error = QModbusDevice::UnknownError; // also: no verdict
    int exception = 0; // Modbus exception code of a ProtocolError, else 0
    QVector<quint16> values;
    bool ok() const { return error == QModbusDevice::NoError; }
};

// A failed read (no values) joins to 0xFFFFFFFF.
quint32 join(const QVector<quint16>& v, bool highFirst)
{
    const quint32 first = v.value(0, 0xFFFF), second = v.value(1, 0xFFFF);
    return highFirst ? (first << 16) | second : (second << 16) | first;
}

// Requests through any Qt Modbus client, waited for with the event loop
// running; hf: AB-CD word order.
struct Link {
    QModbusClient* client;
    bool hf = true;
    int timeoutMs = 2000;

    bool connect()
    {
        client->setNumberOfRetries(0);
        QSignalSpy changed(client, &QModbusDevice::stateChanged);
        if (client->connectDevice())
            while (client->state() == QModbusDevice::ConnectingState && changed.wait(2000)) { }
        return client->state() == QModbusDevice::ConnectedState;
    }
    Result finish(QModbusReply* sent)
    {
        Result result;
        QPointer<QModbusReply> reply(sent);
        if (reply && !reply->isFinished())
            QSignalSpy(reply.data(), &QModbusReply::finished).wait(timeoutMs + 2000);
        if (reply && reply->isFinished()) {
            result.error = reply->error();
            // The exception code is the one data byte of an exception reply (Qt's
            // exceptionCode() sign-extends the function code, which UBSan rejects).
            const QByteArray raw = reply->rawResult().data();
            if (result.error == QModbusDevice::ProtocolError && raw.size() == 1)
                result.exception = quint8(raw.at(0));
            result.values = reply->result().values();
        }
        if (reply)
            reply->deleteLater();
        return result;
    }
    Result read(int address, int count)
    {
        client->setTimeout(timeoutMs);
        const QModbusDataUnit request(QModbusDataUnit::HoldingRegisters, address, quint16(count));
        return finish(client->sendReadRequest(request, 1));
    }
    Result write(int address, const QVector<quint16>& values)
    {
        client->setTimeout(timeoutMs);
        const QModbusDataUnit request(QModbusDataUnit::HoldingRegisters, address, values);
        return finish(client->sendWriteRequest(request, 1));
    }
    qint32 read32(int address) { return qint32(join(read(address, 2).values, hf)); }
    quint32 errorBits() { return join(read(5, 2).values, !hf); } // in the opposite word order
    Result write32(int address, qint64 value)
    {
        const quint16 high = quint16(quint32(value) >> 16), low = quint16(quint32(value) & 0xFFFF);
        return write(address, hf ? QVector<quint16> { high, low } : QVector<quint16> { low, high });
    }
    quint16 status() { return read(4, 1).values.value(0, 0); }
};

// A simulator with a TCP client connected to it.
struct Bench : Link {
    SimProcess sim;
    QModbusTcpClient tcp;

    explicit Bench(bool highFirst = true)
        : Link { &tcp, highFirst }
        , sim({ QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--dword"),
              QLatin1String(highFirst ? "AB-CD" : "CD-AB") })
    {
    }
    bool start()
    {
        if (!sim.start())
            return false;
        tcp.setConnectionParameter(QModbusDevice::NetworkAddressParameter, QStringLiteral("127.0.0.1"));
        tcp.setConnectionParameter(QModbusDevice::NetworkPortParameter, sim.tcpPort());
        return connect();
    }
    bool command(const QString& line) { return sim.command(line); }
    bool waitStable() { return QTest::qWaitFor([this] { return status() & 1u; }, 10000); } // a tick is 100 ms
    // Loads the platform at rest and waits for a stable reading.
    bool loadAtRest(int kg) { return command(QStringLiteral("load %1 now").arg(kg)) && waitStable(); }
};

constexpr int CalStateFirst = 210, CalStateCount = 22; // capture command .. coefficient

} // namespace

class tst_SimDevice : public QObject {
    Q_OBJECT

    Bench m_shared; // read-only, write-rule and fault checks

private slots:
    void initTestCase()
    {
        qRegisterMetaType<QModbusDevice::State>();
        QVERIFY2(QFileInfo(SimProcess::binaryPath()).isExecutable(), "R7SIM must name the r7sim binary");
        QVERIFY2(m_shared.start(), qPrintable(m_shared.sim.errorString()));
    }

    // The map ends at 10210 and reads zeros in its gaps. 32-bit values follow the
    // configured word order, except the software version and the compile date
    // (high word first) and the error word (the opposite order).
    void registerMap()
    {
        QCOMPARE(m_shared.read(660, 125).values, QVector<quint16>(125, 0)); // after the comparators
        QCOMPARE(m_shared.read(10086, 125).values.size(), 125);
        QCOMPARE(m_shared.read(10210, 2).exception, int(QModbusPdu::IllegalDataAddress));
        QCOMPARE(m_shared.read(10200, 11).values, QVector<quint16>({ 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0 })); // switches
        Bench cdab(false);
        QVERIFY2(cdab.start(), qPrintable(cdab.sim.errorString()));
        for (Bench* b : { &m_shared, &cdab }) {
            const bool hf = b->hf;
            QCOMPARE(b->read(206, 2).values, hf ? QVector<quint16>({ 4, 0x93E0 }) : QVector<quint16>({ 0x93E0, 4 }));
            QCOMPARE(b->read(10000, 4).values, QVector<quint16>({ 0, 10206, 2024, 1118 }));
            QCOMPARE(b->read(8004, 1).values, QVector<quint16>({ quint16(hf ? 0 : 1) }));
            QVERIFY(b->command(QStringLiteral("errbits 0x00010002")));
            QCOMPARE(b->read(5, 2).values, hf ? QVector<quint16>({ 2, 1 }) : QVector<quint16>({ 1, 2 }));
            QVERIFY(b->command(QStringLiteral("errbits 0")));
        }
    }

    // A refused write changes nothing. A remote-editing switch that is off
    // locks its page only, and stays writable itself.
    void writeRules_data()
    {
        QTest::addColumn<int>("switchRegister"); // 0: none turned off
        QTest::addColumn<int>("address");
        QTest::addColumn<QVector<quint16>>("values");
        QTest::addColumn<int>("exception"); // 0: the write lands

        // One register goes out as function 06, more as function 16.
        QTest::newRow("basic config first") << 0 << 100 << QVector<quint16> { 1, 2 } << 0;
        QTest::newRow("last comparator register") << 0 << 659 << QVector<quint16> { 42 } << 0;
        QTest::newRow("analog min out, negative") << 0 << 8151 << QVector<quint16> { 64036 } << 0;
        QTest::newRow("voltage coef") << 0 << 9156 << QVector<quint16> { 0, 12345 } << 0;
        QTest::newRow("weight") << 0 << 0 << QVector<quint16> { 1, 2 } << 2;
        QTest::newRow("basic config running into the gap") << 0 << 128 << QVector<quint16>(4, 9) << 2;
        QTest::newRow("software version") << 0 << 10000 << QVector<quint16> { 9, 9 } << 2;
        QTest::newRow("beyond the map") << 0 << 10211 << QVector<quint16> { 9 } << 2;
        // Calibration points are written whole; the capture command takes only 1.
        QTest::newRow("high half of point 1") << 0 << 214 << QVector<quint16> { 0 } << 3;
        QTest::newRow("zero capture with 2") << 0 << 210 << QVector<quint16> { 0, 2 } << 3;
        QTest::newRow("basic off, last") << 10200 << 128 << QVector<quint16> { 0, 3 } << 1;
        QTest::newRow("cal off, first") << 10202 << 200 << QVector<quint16> { 0, 2 } << 1;
        QTest::newRow("app off, last comparator register") << 10205 << 659 << QVector<quint16> { 43 } << 1;
        QTest::newRow("system off, voltage coef high half") << 10209 << 9156 << QVector<quint16> { 5 } << 1;
        // One register of a locked page is enough to refuse the whole request.
        QTest::newRow("data off, over the end") << 10207 << 8150 << QVector<quint16> { 2, 1, 2, 3, 4, 1 } << 1;
    }
    void writeRules()
    {
        QFETCH(int, switchRegister);
        QFETCH(int, address);
        QFETCH(QVector<quint16>, values);
        QFETCH(int, exception);
        Bench& b = m_shared;
        if (switchRegister)
            QVERIFY(b.command(QStringLiteral("set %1 0").arg(switchRegister)));
        const Result calBefore = b.read(CalStateFirst, CalStateCount);
        const Result before = b.read(address, values.size());
        QVERIFY2(before.values != values, "pick values that differ from the ones held");
        QCOMPARE(b.write(address, values).exception, exception);
        QCOMPARE(b.read(address, values.size()).values, exception ? before.values : values);
        if (exception)
            QCOMPARE(b.read(CalStateFirst, CalStateCount).values, calBefore.values);
        if (switchRegister) {
            QVERIFY(b.write(switchRegister == 10207 ? 101 : 8005, { 7 }).ok()); // other pages stay open
            QVERIFY(b.write(switchRegister, { 1 }).ok());
            QVERIFY(b.write(address, values).ok());
        }
    }

    // Every write request taken in is counted and logged, answered, refused or not.
    void faultsAndWriteLog()
    {
        Bench& b = m_shared;
        QVERIFY(b.command(QStringLiteral("writes reset")));
        QVERIFY(b.command(QStringLiteral("fail 207 6")));
        QCOMPARE(b.read(206, 3).exception, 6);
        QVERIFY(b.read(208, 1).ok());
        QVERIFY(b.command(QStringLiteral("fail off")));

        b.timeoutMs = 300;
        QVERIFY(b.command(QStringLiteral("noreply on")));
        QCOMPARE(b.read(202, 2).error, QModbusDevice::TimeoutError);
        // The device still carries out what it does not answer.
        QCOMPARE(b.write(8000, { 77 }).error, QModbusDevice::TimeoutError);
        QVERIFY(b.command(QStringLiteral("noreply off")));
        QCOMPARE(b.read(8000, 1).values, QVector<quint16> { 77 });
        QCOMPARE(b.write(0, { 1, 2 }).exception, 2);
        QVERIFY(b.command(QStringLiteral("writes")));
        QCOMPARE(b.sim.lastAnswer(), QStringLiteral("ok writes 2"));
        QVERIFY(b.command(QStringLiteral("lastwrite")));
        QCOMPARE(b.sim.lastAnswer(), QStringLiteral("ok lastwrite 0 2 1 2"));

        QVERIFY(b.command(QStringLiteral("delay 3000")));
        QCOMPARE(b.read(206, 2).error, QModbusDevice::TimeoutError);
        QVERIFY(b.command(QStringLiteral("delay 0"))); // the console answers while replies are held
        b.timeoutMs = 2000;
        QCOMPARE(b.read(202, 2).values, QVector<quint16>({ 0, 2 }));

        QVERIFY(b.command(QStringLiteral("drop")));
        QTRY_COMPARE_WITH_TIMEOUT(b.tcp.state(), QModbusDevice::UnconnectedState, 5000);
        QVERIFY(b.connect()); // still listening
        QVERIFY(b.read(202, 2).ok());
    }

    // Refused steps set their bit and change nothing; the next good step clears
    // the calibration bits (bits above 12 belong to zero and tare). Test weights
    // that are not the loads bend the characteristic at point 1, and it goes on
    // beyond the last point.
    void calibration()
    {
        Bench b(false);
        QVERIFY2(b.start(), qPrintable(b.sim.errorString()));
        const quint32 otherBits = 0x00010000;
        QVERIFY(b.command(QStringLiteral("errbits 0x00010000")));
        const auto refused = [&b, otherBits](int address, int value, int bit) {
            const Result before = b.read(CalStateFirst, CalStateCount);
            const bool answered = b.write32(address, value).exception == (bit == 12 ? 1 : 0);
            return answered && b.errorBits() == ((1u << bit) | otherBits)
                && b.read(CalStateFirst, CalStateCount).values == before.values;
        };
        // A short stability time keeps the captures quick; a wrong keyed-in zero
        // (5 mV) makes sure the result comes from this calibration.
        QVERIFY(b.write32(116, 100).ok());
        QVERIFY(b.write32(212, 50000).ok());
        QVERIFY(b.loadAtRest(0));
        QVERIFY2(refused(214, 10000, 6), "no load on the platform");
        QVERIFY(b.write32(210, 1).ok());
        QCOMPARE(b.errorBits(), otherBits);
        QCOMPARE(b.read32(210), 0); // the command clears itself
        QCOMPARE(b.read32(212), 1234); // the dead load, 0.1234 mV

        const auto signalOf = [](int load) { return qRound((0.1234 + load / 300.0) * 10000.0); };
        QVERIFY(b.loadAtRest(100));
        QVERIFY2(refused(214, 0, 7), "weight 0");
        QVERIFY2(refused(214, 300001, 8), "over full scale");
        QVERIFY2(refused(218, 10000, 10), "point 3 before point 2");
        QVERIFY(b.command(QStringLiteral("set 10202 0")));
        QVERIFY2(refused(214, 10000, 12), "remote editing off");
        QVERIFY(b.command(QStringLiteral("set 10202 1")));
        QVERIFY(b.write32(214, 5000).ok());
        QCOMPARE(b.read32(214), signalOf(100));
        QVERIFY(b.loadAtRest(200));
        QVERIFY(b.write32(216, 15000).ok());
        QCOMPARE(b.errorBits(), otherBits);
        QCOMPARE(b.read32(216), signalOf(200));

        QVERIFY(b.loadAtRest(300));
        QVERIFY2(qAbs(b.read32(0) - 25000) <= 1, qPrintable(QString::number(b.read32(0))));
        QVERIFY(b.write32(214, 30000).ok()); // point 1 again begins a new series
        QCOMPARE(b.read32(216), 0);
    }

    // Replies held for the line time go out through the simulator's own RTU framing.
    void rtuWithLineTiming()
    {
        if (!SocatPair::isAvailable())
            QSKIP("socat is not installed");
        SocatPair line;
        QVERIFY2(line.start(), qPrintable(line.errorString()));
        // 8N1: a pty does not keep parity settings reliably.
        const QString options = QStringLiteral("--rtu %1 --baud 19200 --parity none --line-timing");
        SimProcess sim(options.arg(line.first()).split(QLatin1Char(' ')));
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        QModbusRtuSerialMaster master;
        master.setConnectionParameter(QModbusDevice::SerialPortNameParameter, line.second());
        master.setConnectionParameter(QModbusDevice::SerialBaudRateParameter, QSerialPort::Baud19200);
        master.setConnectionParameter(QModbusDevice::SerialParityParameter, QSerialPort::NoParity);
        Link link { &master };
        QVERIFY2(link.connect(), qPrintable(master.errorString()));
        QCOMPARE(link.read(206, 2).values, QVector<quint16>({ 0x0004, 0x93E0 }));
        QVERIFY(link.write(8040, { 9, 4 }).ok());
        QCOMPARE(link.read(8040, 2).values, QVector<quint16>({ 9, 4 }));
        QCOMPARE(link.read(10211, 1).exception, int(QModbusPdu::IllegalDataAddress));
        QVERIFY(sim.command(QStringLiteral("noreply on")));
        link.timeoutMs = 300;
        QCOMPARE(link.read(206, 2).error, QModbusDevice::TimeoutError);
        master.disconnectDevice();
        // SIGTERM, the way SimProcess stops it, ends the simulator with exit code 0.
        QVERIFY2(sim.stop(), qPrintable(sim.errorString()));
    }

    // A read of 5 registers: request 8 bytes, reply 15. Character = bits / baud,
    // silence = 3.5 characters (at least 1750 us above 19200 baud), exchange =
    // 2 silences + 23 characters; microseconds. Only TCP is served.
    void lineTimingFormula_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("expected");
        QTest::newRow("9600 8E1, 11 bits")
            << "--baud 9600 --parity even" << "ok bits=11 char_us=1145.833 silence_us=4010.417 exchange_us=34375.000";
        QTest::newRow("19200 8N1, still 3.5 characters")
            << "--baud 19200" << "ok bits=10 char_us=520.833 silence_us=1822.917 exchange_us=15625.000";
        QTest::newRow("115200 8N2, fixed 1.75 ms silence")
            << "--baud 115200 --stop-bits 2" << "ok bits=11 char_us=95.486 silence_us=1750.000 exchange_us=5696.181";
    }
    void lineTimingFormula()
    {
        QFETCH(QString, serial);
        SimProcess sim((QStringLiteral("--tcp 0 ") + serial).split(QLatin1Char(' ')));
        QVERIFY2(sim.start(), qPrintable(sim.errorString()));
        QVERIFY(sim.command(QStringLiteral("timing 8 15")));
        QTEST(sim.lastAnswer(), "expected");
    }
};

QTEST_GUILESS_MAIN(tst_SimDevice)
#include "tst_simdevice.moc"
