// The device simulator r7sim seen through a real Qt Modbus client over loopback TCP: what the tool's
// suites rely on (register map, word orders, write rules, faults, calibration, line timing), briefly.

#include "simprocess.h"

#include <QModbusTcpClient>
#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr auto Holding = QModbusDataUnit::HoldingRegisters;

struct Result {
    QModbusDevice::Error error = QModbusDevice::UnknownError; // also: no verdict
    int exception = 0; // Modbus exception code of a ProtocolError, else 0
    QVector<quint16> values;
    bool ok() const { return error == QModbusDevice::NoError; }
};

// A simulator (hf: AB-CD word order) with a TCP client connected to it;
// requests wait with the event loop running.
struct Bench {
    bool hf;
    SimProcess sim;
    QModbusTcpClient tcp;

    explicit Bench(bool highFirst)
        : hf(highFirst)
        , sim({ "--tcp", "0", "--dword", highFirst ? "AB-CD" : "CD-AB" })
    {
        tcp.setConnectionParameter(QModbusDevice::NetworkAddressParameter, QStringLiteral("127.0.0.1"));
        tcp.setTimeout(2000);
        tcp.setNumberOfRetries(0);
    }
    bool start()
    {
        if (!sim.start())
            return false;
        tcp.setConnectionParameter(QModbusDevice::NetworkPortParameter, sim.tcpPort());
        return tcp.connectDevice() && QTest::qWaitFor([this] { return tcp.state() == QModbusDevice::ConnectedState; });
    }
    Result finish(QModbusReply* reply)
    {
        if (!reply || (!reply->isFinished() && !QSignalSpy(reply, &QModbusReply::finished).wait(tcp.timeout() + 2000)))
            return {};
        reply->deleteLater();
        // Qt's exceptionCode() sign-extends the function code (UBSan rejects it): the one data byte.
        const bool refused = reply->error() == QModbusDevice::ProtocolError;
        return { reply->error(), refused ? quint8(reply->rawResult().data()[0]) : 0, reply->result().values() };
    }
    Result read(int at, int count) { return finish(tcp.sendReadRequest({ Holding, at, quint16(count) }, 1)); }
    Result write(int at, const QVector<quint16>& v) { return finish(tcp.sendWriteRequest({ Holding, at, v }, 1)); }
    QString ask(const QString& command) { return sim.command(command), sim.lastAnswer(); }
    // A failed read joins to 0xFFFFFFFF; the error word travels in the opposite word order.
    quint32 join(int address, bool highFirst)
    {
        const QVector<quint16> v = read(address, 2).values + QVector<quint16>(2, 0xFFFF);
        return highFirst ? quint32(v[0]) << 16 | v[1] : quint32(v[1]) << 16 | v[0];
    }
    qint32 read32(int address) { return qint32(join(address, hf)); }
    quint32 errorBits() { return join(5, !hf); }
    Result write32(int address, quint32 value)
    {
        const quint16 high = quint16(value >> 16), low = quint16(value & 0xFFFF);
        return write(address, hf ? QVector<quint16> { high, low } : QVector<quint16> { low, high });
    }
    // Loads the platform at rest and waits for the stable bit (a tick is 100 ms).
    bool loadAtRest(int kg)
    {
        return sim.command(QStringLiteral("load %1 now").arg(kg))
            && QTest::qWaitFor([this] { return read(4, 1).values.value(0) & 1u; }, 10000);
    }
};

constexpr int CalStateFirst = 210, CalStateCount = 22; // capture command .. coefficient

} // namespace

class tst_SimDevice : public QObject {
    Q_OBJECT

    Bench m_abcd { true }; // read-only, write-rule and fault checks
    Bench m_cdab { false }; // read-only checks, then the calibration

private slots:
    void initTestCase()
    {
        QVERIFY2(m_abcd.start() && m_cdab.start(), qPrintable(m_abcd.sim.errorString() + m_cdab.sim.errorString()));
    }

    // The map ends at 10210 and reads zeros in its gaps. 32-bit values follow the
    // configured word order, except the software version and the compile date
    // (high word first) and the error word (the opposite order).
    void registerMap()
    {
        QCOMPARE(m_abcd.read(660, 125).values, QVector<quint16>(125, 0)); // after the comparators
        QCOMPARE(m_abcd.read(10210, 2).exception, int(QModbusPdu::IllegalDataAddress));
        QCOMPARE(m_abcd.read(10200, 11).values, QVector<quint16>({ 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0 })); // switches
        for (Bench* b : { &m_abcd, &m_cdab }) {
            const bool hf = b->hf;
            QCOMPARE(b->read(206, 2).values, hf ? QVector<quint16>({ 4, 0x93E0 }) : QVector<quint16>({ 0x93E0, 4 }));
            QCOMPARE(b->read(10000, 4).values, QVector<quint16>({ 0, 10206, 2024, 1118 }));
            QCOMPARE(b->read(8004, 1).values, QVector<quint16>({ quint16(hf ? 0 : 1) }));
            QVERIFY(b->sim.command(QStringLiteral("errbits 0x00010002")));
            QCOMPARE(b->read(5, 2).values, hf ? QVector<quint16>({ 2, 1 }) : QVector<quint16>({ 1, 2 }));
        }
    }

    // A refused write changes nothing. A remote-editing
    // switch that is off locks its page only and stays writable itself.
    void writeRules_data()
    {
        QTest::addColumn<int>("switchRegister"); // 0: none turned off
        QTest::addColumn<int>("address");
        QTest::addColumn<QVector<quint16>>("values");
        QTest::addColumn<int>("exception");
        QTest::newRow("basic config running into the gap") << 0 << 128 << QVector<quint16>(4, 9) << 2;
        QTest::newRow("high half of point 1") << 0 << 214 << QVector<quint16> { 0 } << 3;
        QTest::newRow("zero capture with 2") << 0 << 210 << QVector<quint16> { 0, 2 } << 3;
        QTest::newRow("basic off, last") << 10200 << 128 << QVector<quint16> { 0, 3 } << 1;
        QTest::newRow("cal off, first") << 10202 << 200 << QVector<quint16> { 0, 2 } << 1;
        QTest::newRow("app off, last comparator register") << 10205 << 659 << QVector<quint16> { 43 } << 1;
        QTest::newRow("system off, voltage coef high half") << 10209 << 9156 << QVector<quint16> { 5 } << 1;
        QTest::newRow("data off, partly locked") << 10207 << 8150 << QVector<quint16> { 2, 1, 2, 3, 4, 1 } << 1;
    }
    void writeRules()
    {
        QFETCH(int, switchRegister);
        QFETCH(int, address);
        QFETCH(QVector<quint16>, values);
        Bench& b = m_abcd;
        if (switchRegister)
            QVERIFY(b.sim.command(QStringLiteral("set %1 0").arg(switchRegister)));
        const Result before = b.read(address, values.size());
        QVERIFY2(before.values != values, "pick values that differ from the ones held");
        QTEST(b.write(address, values).exception, "exception");
        QCOMPARE(b.read(address, values.size()).values, before.values);
        if (switchRegister) { // other pages stay open; switched on again, the write lands
            QVERIFY(b.write(switchRegister == 10207 ? 101 : 8005, { 7 }).ok());
            QVERIFY(b.write(switchRegister, { 1 }).ok() && b.write(address, values).ok());
            QCOMPARE(b.read(address, values.size()).values, values);
        }
    }

    // Every write request taken in is counted and logged, answered, refused or not.
    void faultsAndWriteLog()
    {
        Bench& b = m_abcd;
        QVERIFY(b.sim.command(QStringLiteral("writes reset")) && b.sim.command(QStringLiteral("fail 207 6")));
        QCOMPARE(b.read(206, 3).exception, 6);
        QVERIFY(b.read(208, 1).ok());
        QVERIFY(b.sim.command(QStringLiteral("fail off")) && b.sim.command(QStringLiteral("noreply on")));
        b.tcp.setTimeout(300);
        // The device still carries out what it does not answer.
        QCOMPARE(b.write(8000, { 77 }).error, QModbusDevice::TimeoutError);
        QVERIFY(b.sim.command(QStringLiteral("noreply off")) && b.sim.command(QStringLiteral("swallow on")));
        // A dead line loses what was sent: not carried out, not counted.
        QCOMPARE(b.write(8000, { 78 }).error, QModbusDevice::TimeoutError);
        QVERIFY(b.sim.command(QStringLiteral("swallow off")));
        QCOMPARE(b.read(8000, 1).values, QVector<quint16> { 77 });
        QCOMPARE(b.write(0, { 1, 2 }).exception, 2);
        QCOMPARE(b.ask(QStringLiteral("writes")), QStringLiteral("ok writes 2"));
        QCOMPARE(b.ask(QStringLiteral("lastwrite")), QStringLiteral("ok lastwrite 0 2 1 2"));

        QVERIFY(b.sim.command(QStringLiteral("delay 3000")));
        QCOMPARE(b.read(206, 2).error, QModbusDevice::TimeoutError);
        QVERIFY(b.sim.command(QStringLiteral("delay 0"))); // the console answers while replies are held
    }

    // Refused steps set their bit and change nothing; the next good step clears
    // the calibration bits (bits above 12 belong to zero and tare). Test weights
    // that are not the loads bend the characteristic at point 1.
    void calibration()
    {
        Bench& b = m_cdab;
        const quint32 otherBits = 0x00010000;
        const auto refused = [&b, otherBits](int at, int value, int bit) {
            const Result before = b.read(CalStateFirst, CalStateCount);
            return b.write32(at, value).exception == (bit == 12 ? 1 : 0) && b.errorBits() == ((1u << bit) | otherBits)
                && b.read(CalStateFirst, CalStateCount).values == before.values;
        };
        QVERIFY(b.sim.command(QStringLiteral("errbits 0x00010000")) && b.write32(116, 100).ok()); // quick captures
        QVERIFY(b.write32(212, 50000).ok() && b.loadAtRest(0)); // a wrong zero (5 mV), to be captured anew
        QVERIFY2(refused(214, 10000, 6), "no load on the platform");
        QVERIFY(b.write32(210, 1).ok());
        QCOMPARE(b.read32(210), 0); // the command clears itself
        QCOMPARE(b.read32(212), 1234); // the dead load, 0.1234 mV

        const auto signalOf = [](int load) { return qRound((0.1234 + load / 300.0) * 10000.0); };
        QVERIFY(b.loadAtRest(100));
        QVERIFY2(refused(214, 300001, 8), "over full scale");
        QVERIFY2(refused(218, 10000, 10), "point 3 before point 2");
        QVERIFY(b.sim.command(QStringLiteral("set 10202 0")));
        QVERIFY2(refused(214, 10000, 12), "remote editing off");
        QVERIFY(b.sim.command(QStringLiteral("set 10202 1")) && b.write32(214, 5000).ok());
        QCOMPARE(b.read32(214), signalOf(100));
        QVERIFY(b.loadAtRest(200) && b.write32(216, 15000).ok());
        QCOMPARE(b.errorBits(), otherBits);
        QCOMPARE(b.read32(216), signalOf(200));
        QVERIFY(b.loadAtRest(300) && qAbs(b.read32(0) - 25000) <= 1);
        QVERIFY(b.write32(214, 30000).ok()); // point 1 again begins a new series
        QCOMPARE(b.read32(216), 0);
    }

    // A read of 5 registers (request 8 bytes, reply 15) in microseconds: character = bits / baud,
    // silence = 3.5 characters (at least 1750 above 19200 baud), exchange = 2 silences + 23 characters.
    void lineTimingFormula()
    {
        const char* const cases[][2] = {
            { "--baud 9600 --parity even", "ok bits=11 char_us=1145.833 silence_us=4010.417 exchange_us=34375.000" },
            { "--baud 115200 --stop-bits 2", "ok bits=11 char_us=95.486 silence_us=1750.000 exchange_us=5696.181" },
        };
        for (const auto& c : cases) {
            SimProcess sim(QStringLiteral("--tcp 0 %1").arg(QLatin1String(c[0])).split(QLatin1Char(' ')));
            QVERIFY2(sim.start() && sim.command(QStringLiteral("timing 8 15")), qPrintable(sim.errorString()));
            QCOMPARE(sim.lastAnswer(), QLatin1String(c[1]));
        }
    }
};

QTEST_GUILESS_MAIN(tst_SimDevice)
#include "tst_simdevice.moc"
