// The device simulator r7sim, seen from outside: a real Qt Modbus client talks
// to it over loopback TCP (and once over a pty pair), and the console commands
// steer it. Only what the tool's own suites rely on is checked here: the
// register map and its word orders, the write rules, calibration, the faults
// and the line timing. Read-only and write-rule checks share one simulator;
// cases that change the calibration or the load start their own.

#include "simprocess.h"

#include <QModbusRtuSerialMaster>
#include <QModbusTcpClient>
#include <QPointer>
#include <QSerialPort>
#include <QSignalSpy>
#include <QtTest>

#include <cstring>
#include <memory>

namespace {

constexpr int ShortTimeoutMs = 300; // where the test waits for the time-out itself

struct Result {
    QModbusDevice::Error error = QModbusDevice::UnknownError; // also: no verdict
    int exception = 0; // Modbus exception code of a ProtocolError, else 0
    QVector<quint16> values;
    bool ok() const { return error == QModbusDevice::NoError; }
};

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
    Result read(int address, int count, int unit = 1)
    {
        client->setTimeout(timeoutMs);
        return finish(client->sendReadRequest(
            QModbusDataUnit(QModbusDataUnit::HoldingRegisters, address, quint16(count)), unit));
    }
    Result write(int address, const QVector<quint16>& values)
    {
        client->setTimeout(timeoutMs);
        return finish(
            client->sendWriteRequest(QModbusDataUnit(QModbusDataUnit::HoldingRegisters, address, values), 1));
    }
    static quint32 join(const QVector<quint16>& v, bool highFirst)
    {
        return highFirst ? (quint32(v.value(0)) << 16) | v.value(1)
                         : (quint32(v.value(1)) << 16) | v.value(0);
    }
    qint32 read32(int address)
    {
        const Result r = read(address, 2);
        return r.ok() ? qint32(join(r.values, hf)) : qint32(0x80000000);
    }
    float readFloat(int address)
    {
        const quint32 bits = quint32(read32(address));
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    // The error word travels in the opposite word order of the rest.
    quint32 errorBits()
    {
        const Result r = read(5, 2);
        return r.ok() ? join(r.values, !hf) : 0xFFFFFFFFu;
    }
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

    explicit Bench(const QStringList& extra = {}, bool highFirst = true)
        : Link { &tcp, highFirst }
        , sim(QStringList { QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--dword"),
                  QLatin1String(highFirst ? "AB-CD" : "CD-AB") }
              + extra)
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
    bool waitStable() // a tick is 100 ms
    {
        return QTest::qWaitFor([this] { return status() & 1u; }, 10000);
    }
    // Loads the platform at rest and waits for a stable reading.
    bool loadAtRest(const QString& kg)
    {
        return command(QStringLiteral("load %1 now").arg(kg)) && waitStable();
    }
};

constexpr int CalStateFirst = 210, CalStateCount = 22; // capture command .. coefficient

} // namespace

class tst_SimDevice : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void registerMap_data();
    void registerMap();
    void wordOrder();
    void writeRules_data();
    void writeRules();
    void remoteSwitchOffRefusesItsPage_data();
    void remoteSwitchOffRefusesItsPage();
    void faults();
    void startupOptions();
    void writesCounter();
    void console_data();
    void console();
    void liveWeightAndTare();
    void limitBits_data();
    void limitBits();
    void calibrationMakesTheWeightFollowTheLoad_data();
    void calibrationMakesTheWeightFollowTheLoad();
    void calibrationErrorsSetTheirBit_data();
    void calibrationErrorsSetTheirBit();
    void theoreticalCalibrationAndKeyInZero_data();
    void theoreticalCalibrationAndKeyInZero();
    void rtuOverPtyPair_data();
    void rtuOverPtyPair();
    void lineTimingFormula_data();
    void lineTimingFormula();
    void stopsCleanly();

private:
    std::unique_ptr<Bench> m_shared; // read-only and write-rule checks
};

void tst_SimDevice::initTestCase()
{
    qRegisterMetaType<QModbusDevice::State>();
    QVERIFY2(QFileInfo(SimProcess::binaryPath()).isExecutable(), "R7SIM must name the r7sim binary");
    m_shared.reset(new Bench);
    QVERIFY2(m_shared->start(), qPrintable(m_shared->sim.errorString()));
}

void tst_SimDevice::registerMap_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("count");
    QTest::addColumn<QVector<quint16>>("expected"); // empty: the read is refused

    QTest::newRow("full scale 3000.00 kg") << 206 << 2 << QVector<quint16> { 0x0004, 0x93E0 };
    QTest::newRow("COMP1 W>=CV1 1000.00 kg, Stable")
        << 500 << 8 << QVector<quint16> { 0, 4, 0x0001, 0x86A0, 0, 0, 0, 1 };
    QTest::newRow("remote switches") << 10200 << 11 << QVector<quint16> { 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0 };
    QTest::newRow("gap after the comparators") << 660 << 125 << QVector<quint16>(125, 0);
    QTest::newRow("125 registers ending at the last") << 10086 << 125 << QVector<quint16>();
    QTest::newRow("one past the last") << 10210 << 2 << QVector<quint16>();
    QTest::newRow("long read running over") << 10100 << 125 << QVector<quint16>();
}

void tst_SimDevice::registerMap()
{
    QFETCH(int, address);
    QFETCH(int, count);
    QFETCH(QVector<quint16>, expected);
    const Result r = m_shared->read(address, count);
    const bool refused = expected.isEmpty() && address + count - 1 > 10210;
    QCOMPARE(r.exception, refused ? int(QModbusPdu::IllegalDataAddress) : 0);
    if (!expected.isEmpty())
        QCOMPARE(r.values, expected);
    else if (!refused)
        QCOMPARE(r.values.size(), count);
}

// 32-bit values follow the configured word order, except the software version
// and the compile date (high word first) and the error word (the opposite order).
void tst_SimDevice::wordOrder()
{
    for (bool hf : { true, false }) {
        Bench b({}, hf);
        QVERIFY2(b.start(), qPrintable(b.sim.errorString()));
        QCOMPARE(
            b.read(206, 2).values, hf ? QVector<quint16>({ 4, 0x93E0 }) : QVector<quint16>({ 0x93E0, 4 }));
        QCOMPARE(b.read(10000, 4).values, QVector<quint16>({ 0, 10206, 2024, 1118 }));
        QCOMPARE(b.read(8004, 1).values, QVector<quint16>({ quint16(hf ? 0 : 1) }));
        QVERIFY(b.command(QStringLiteral("errbits 0x00010002")));
        QCOMPARE(b.read(5, 2).values, hf ? QVector<quint16>({ 2, 1 }) : QVector<quint16>({ 1, 2 }));
    }
}

void tst_SimDevice::writeRules_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<QVector<quint16>>("values");
    QTest::addColumn<int>("exception"); // 0: the write lands

    // One register goes out as function 06, more as function 16.
    QTest::newRow("basic config first") << 100 << QVector<quint16> { 1, 2 } << 0;
    QTest::newRow("flow-rate unit, last of cal") << 236 << QVector<quint16> { 0, 0 } << 0;
    QTest::newRow("last comparator register") << 659 << QVector<quint16> { 42 } << 0;
    QTest::newRow("analog min out, negative") << 8151 << QVector<quint16> { 64036 } << 0;
    QTest::newRow("voltage coef") << 9156 << QVector<quint16> { 0, 12345 } << 0;
    QTest::newRow("weight") << 0 << QVector<quint16> { 1, 2 } << 2;
    QTest::newRow("basic config running into the gap") << 128 << QVector<quint16>(4, 9) << 2;
    QTest::newRow("after data-trans") << 8156 << QVector<quint16> { 9 } << 2;
    QTest::newRow("software version") << 10000 << QVector<quint16> { 9, 9 } << 2;
    QTest::newRow("beyond the map") << 10211 << QVector<quint16> { 9 } << 2;
    // Calibration points are written whole; the capture command takes only 1.
    QTest::newRow("high half of point 1") << 214 << QVector<quint16> { 0 } << 3;
    QTest::newRow("key-in zero into half of point 1") << 212 << QVector<quint16> { 0, 1234, 0 } << 3;
    QTest::newRow("zero capture with 2") << 210 << QVector<quint16> { 0, 2 } << 3;
}

void tst_SimDevice::writeRules()
{
    QFETCH(int, address);
    QFETCH(QVector<quint16>, values);
    QFETCH(int, exception);
    Bench& b = *m_shared;

    const Result calBefore = b.read(CalStateFirst, CalStateCount);
    const Result before = b.read(address, values.size());
    const Result written = b.write(address, values);
    QCOMPARE(written.exception, exception);
    if (exception == 0) {
        QVERIFY2(before.values != values, "pick values that differ from the factory ones");
        QCOMPARE(b.read(address, values.size()).values, values);
    } else {
        QCOMPARE(b.read(address, values.size()).values, before.values);
        QCOMPARE(b.read(CalStateFirst, CalStateCount).values, calBefore.values);
    }
}

void tst_SimDevice::remoteSwitchOffRefusesItsPage_data()
{
    QTest::addColumn<int>("switchRegister");
    QTest::addColumn<int>("address");
    QTest::addColumn<QVector<quint16>>("values");
    QTest::addColumn<int>("elsewhere"); // a register of another page

    QTest::newRow("basic, last") << 10200 << 128 << QVector<quint16> { 0, 3 } << 8005;
    QTest::newRow("cal, first") << 10202 << 200 << QVector<quint16> { 0, 2 } << 8005;
    QTest::newRow("app, last comparator register") << 10205 << 659 << QVector<quint16> { 43 } << 8005;
    QTest::newRow("system, voltage coef") << 10209 << 9156 << QVector<quint16> { 0, 23456 } << 8005;
    // One register of a locked page is enough to refuse the whole request.
    QTest::newRow("data, running over the end")
        << 10207 << 8150 << QVector<quint16> { 2, 1, 2, 3, 4, 1 } << 101;
}

void tst_SimDevice::remoteSwitchOffRefusesItsPage()
{
    QFETCH(int, switchRegister);
    QFETCH(int, address);
    QFETCH(QVector<quint16>, values);
    QFETCH(int, elsewhere);
    Bench& b = *m_shared;

    QVERIFY(b.command(QStringLiteral("set %1 0").arg(switchRegister)));
    const Result before = b.read(address, values.size());
    QVERIFY(before.values != values);
    QCOMPARE(b.write(address, values).exception, int(QModbusPdu::IllegalFunction));
    QCOMPARE(b.read(address, values.size()).values, before.values);
    QVERIFY(b.write(elsewhere, { 7 }).ok()); // other pages stay open

    // The switch itself stays writable; on again, the write lands.
    QVERIFY(b.write(switchRegister, { 1 }).ok());
    QVERIFY(b.write(address, values).ok());
    QCOMPARE(b.read(address, values.size()).values, values);
}

void tst_SimDevice::faults()
{
    Bench& b = *m_shared;

    QVERIFY(b.command(QStringLiteral("fail 207 6")));
    QCOMPARE(b.read(206, 3).exception, 6);
    QVERIFY(b.read(208, 1).ok());
    QVERIFY(b.command(QStringLiteral("fail off")));
    QVERIFY(b.read(206, 3).ok());

    b.timeoutMs = ShortTimeoutMs;
    QVERIFY(b.command(QStringLiteral("noreply on")));
    QCOMPARE(b.read(202, 2).error, QModbusDevice::TimeoutError);
    // The device still carries out what it does not answer.
    QCOMPARE(b.write(8000, { 77 }).error, QModbusDevice::TimeoutError);
    QVERIFY(b.command(QStringLiteral("noreply off")));
    QCOMPARE(b.read(8000, 1).values, QVector<quint16> { 77 });

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

void tst_SimDevice::startupOptions()
{
    Bench b({ QStringLiteral("--unit"), QStringLiteral("7"), QStringLiteral("--fail-address"),
        QStringLiteral("9157"), QStringLiteral("--remote-off"), QStringLiteral("cal,data") });
    QVERIFY2(b.start(), qPrintable(b.sim.errorString()));
    b.timeoutMs = ShortTimeoutMs;
    QCOMPARE(b.read(202, 2, 1).error, QModbusDevice::TimeoutError);
    QCOMPARE(b.read(9157, 1, 7).exception, 4);
    QCOMPARE(b.read(10200, 8, 7).values, QVector<quint16>({ 1, 0, 0, 0, 0, 1, 0, 0 }));

    SimProcess bad({ QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--remote-off"),
        QStringLiteral("cal,kitchen") });
    QVERIFY2(!bad.start(), "an unknown page name must stop the simulator");
    QCOMPARE(bad.exitCode(), 2);
}

void tst_SimDevice::writesCounter()
{
    Bench& b = *m_shared;
    QVERIFY(b.command(QStringLiteral("writes reset")));
    auto answer = [&b](const char* line) {
        return b.command(QLatin1String(line)) ? b.sim.lastAnswer()
                                              : QStringLiteral("failed: ") + b.sim.lastAnswer();
    };
    QCOMPARE(answer("lastwrite"), QStringLiteral("ok lastwrite none"));
    QVERIFY(b.read(0, 42).ok()); // reads do not count
    QVERIFY(b.write(8000, { 17 }).ok());
    QVERIFY(b.write(302, { 0, 8 }).ok());
    QCOMPARE(answer("lastwrite"), QStringLiteral("ok lastwrite 302 2 0 8"));
    QCOMPARE(b.write(0, { 1, 2 }).exception, 2); // a refused write was still sent
    QCOMPARE(answer("writes"), QStringLiteral("ok writes 3"));
}

void tst_SimDevice::console_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("answer"); // prefix

    QTest::newRow("upper case") << QStringLiteral("GET 202 2") << QStringLiteral("ok 0 2");
    QTest::newRow("set negative") << QStringLiteral("set 8152 -1500") << QStringLiteral("ok set 8152 64036");
    QTest::newRow("set decimal, not octal")
        << QStringLiteral("set 8153 010") << QStringLiteral("ok set 8153 10");
    // set passes the write rules: system information can be changed for a demo.
    QTest::newRow("set system information")
        << QStringLiteral("set 10001 10300") << QStringLiteral("ok set 10001 10300");
    QTest::newRow("unknown") << QStringLiteral("bogus") << QStringLiteral("error ");
    QTest::newRow("fail code 0") << QStringLiteral("fail 5 0") << QStringLiteral("error ");
    QTest::newRow("set beyond the map") << QStringLiteral("set 10211 1") << QStringLiteral("error ");
    QTest::newRow("load with a bad word") << QStringLiteral("load 5 later") << QStringLiteral("error ");
}

void tst_SimDevice::console()
{
    QFETCH(QString, line);
    QFETCH(QString, answer);
    QCOMPARE(m_shared->command(line), answer.startsWith(QLatin1String("ok")));
    QVERIFY2(m_shared->sim.lastAnswer().startsWith(answer), qPrintable(m_shared->sim.lastAnswer()));
    // Exactly one answer per line: the next command gets its own.
    QVERIFY(m_shared->command(QStringLiteral("get 202 2")));
    QCOMPARE(m_shared->sim.lastAnswer(), QStringLiteral("ok 0 2"));
}

void tst_SimDevice::liveWeightAndTare()
{
    Bench b({}, false);
    QVERIFY2(b.start(), qPrintable(b.sim.errorString()));
    constexpr quint16 Zero = 1u << 1, Net = 1u << 9;
    QVERIFY(b.waitStable());
    QCOMPARE(b.status() & (Zero | Net), Zero);

    QVERIFY(b.command(QStringLiteral("tare 5")));
    QVERIFY(b.command(QStringLiteral("load 12.5")));
    QTRY_VERIFY_WITH_TIMEOUT((b.status() & 1u) && b.read32(0) == 750, 10000);
    QCOMPARE(b.status() & (Zero | Net), Net);
    QCOMPARE(b.readFloat(28), 12.5f); // gross
    QCOMPARE(b.readFloat(30), 7.5f); // net
    QCOMPARE(b.readFloat(32), 5.0f); // tare
    // 0.1234 mV dead load + 12.5 / 3000 of 10 mV = 0.1651 mV.
    QVERIFY2(qAbs(b.read32(38) - 1651) <= 1, qPrintable(QString::number(b.read32(38))));

    // A preset tare written by the tool is held as the tare: 2.00 kg.
    QVERIFY(b.write32(112, 200).ok());
    QTRY_COMPARE_WITH_TIMEOUT(b.read32(0), 1050, 5000);
    // Taking load off makes the platform move: flow goes negative on the way.
    QVERIFY(b.command(QStringLiteral("load 2.5")));
    QTRY_VERIFY_WITH_TIMEOUT(b.readFloat(34) < 0.0f, 5000);
}

void tst_SimDevice::limitBits_data()
{
    QTest::addColumn<QString>("load");
    QTest::addColumn<int>("bit");
    // Full scale 3000.00 kg; load cell 10 mV at 3000 kg on a -15..15 mV input.
    QTest::newRow("over full scale") << QStringLiteral("3100") << 4;
    QTest::newRow("under limit") << QStringLiteral("-1") << 5;
    QTest::newRow("load cell over") << QStringLiteral("5000") << 6;
    QTest::newRow("load cell under") << QStringLiteral("-4700") << 7;
}

void tst_SimDevice::limitBits()
{
    QFETCH(QString, load);
    QFETCH(int, bit);
    Bench& b = *m_shared;
    QTRY_COMPARE_WITH_TIMEOUT(b.status() & (1 << bit), 0, 10000);
    QVERIFY(b.command(QStringLiteral("load %1 now").arg(load)));
    QTRY_COMPARE_WITH_TIMEOUT(b.status() & (1 << bit), 1 << bit, 10000);
    QVERIFY(b.command(QStringLiteral("load 0 now")));
    QTRY_COMPARE_WITH_TIMEOUT(b.status() & (1 << bit), 0, 10000);
}

void tst_SimDevice::calibrationMakesTheWeightFollowTheLoad_data()
{
    QTest::addColumn<bool>("hf");
    QTest::addColumn<int>("weight1"); // raw, 2 decimals, at 100 kg of load
    QTest::addColumn<int>("weight2"); // at 200 kg
    QTest::addColumn<int>("checkLoad");
    QTest::addColumn<int>("expected");

    QTest::newRow("true weights, between the points") << true << 10000 << 20000 << 150 << 15000;
    // Test weights that are not the loads: the characteristic bends at point 1.
    QTest::newRow("bent, beyond the last point") << false << 5000 << 15000 << 300 << 25000;
}

void tst_SimDevice::calibrationMakesTheWeightFollowTheLoad()
{
    QFETCH(bool, hf);
    QFETCH(int, weight1);
    QFETCH(int, weight2);
    QFETCH(int, checkLoad);
    QFETCH(int, expected);

    Bench b({}, hf);
    QVERIFY2(b.start(), qPrintable(b.sim.errorString()));
    // A short stability time keeps the captures quick; a wrong keyed-in zero
    // (5 mV) makes sure the result comes from this calibration.
    QVERIFY(b.write32(116, 100).ok());
    QVERIFY(b.write32(212, 50000).ok());

    QVERIFY(b.loadAtRest(QStringLiteral("0")));
    QVERIFY(b.write32(210, 1).ok());
    QCOMPARE(b.errorBits(), 0u);
    QCOMPARE(b.read32(210), 0); // the command clears itself
    QCOMPARE(b.read32(212), 1234); // the dead load, 0.1234 mV

    auto signalOf = [](int load) { return qRound((0.1234 + load / 300.0) * 10000.0); };
    QVERIFY(b.loadAtRest(QStringLiteral("100")));
    QVERIFY(b.write32(214, weight1).ok());
    QCOMPARE(b.read32(214), signalOf(100));
    QCOMPARE(b.read32(216), 0); // point 1 began a new series
    QVERIFY(b.loadAtRest(QStringLiteral("200")));
    QVERIFY(b.write32(216, weight2).ok());
    QCOMPARE(b.errorBits(), 0u);
    QCOMPARE(b.read32(216), signalOf(200));

    QVERIFY(b.loadAtRest(QString::number(checkLoad)));
    QVERIFY2(qAbs(b.read32(0) - expected) <= 1, qPrintable(QString::number(b.read32(0))));
    QVERIFY(qAbs(b.readFloat(28) - expected / 100.0f) <= 0.011f);
}

void tst_SimDevice::calibrationErrorsSetTheirBit_data()
{
    QTest::addColumn<QStringList>("setup"); // console commands
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("bit");

    const QString unipolar5 = QStringLiteral("set 129 0"); // input range 0..5 mV
    const QString load100 = QStringLiteral("load 100 now");
    QTest::newRow("zero not stable") << QStringList { QStringLiteral("set 117 5000"), load100 } << 210 << 1
                                     << 0;
    QTest::newRow("zero above the input range")
        << QStringList { unipolar5, QStringLiteral("load 2000 now") } << 210 << 1 << 1;
    QTest::newRow("point above the input range")
        << QStringList { unipolar5, QStringLiteral("load 2000 now") } << 214 << 200000 << 4;
    QTest::newRow("no load on the platform") << QStringList() << 214 << 10000 << 6;
    QTest::newRow("weight 0") << QStringList { load100 } << 214 << 0 << 7;
    QTest::newRow("over full scale") << QStringList { load100 } << 214 << 300001 << 8;
    // 1 g of load for 3000 kg in 0.01 kg steps: far below a converter count per step.
    QTest::newRow("over resolution") << QStringList { QStringLiteral("load 0.001 now") } << 214 << 300000
                                     << 9;
    QTest::newRow("point 3 before point 2") << QStringList { load100 } << 218 << 10000 << 10;
    QTest::newRow("remote editing off")
        << QStringList { QStringLiteral("set 10202 0"), load100 } << 214 << 10000 << 12;
}

void tst_SimDevice::calibrationErrorsSetTheirBit()
{
    QFETCH(QStringList, setup);
    QFETCH(int, address);
    QFETCH(int, value);
    QFETCH(int, bit);

    Bench b;
    QVERIFY2(b.start(), qPrintable(b.sim.errorString()));
    // Bits above 12 belong to zero and tare operations: calibration leaves them.
    const quint32 otherBits = 0x00010000;
    QVERIFY(b.command(QStringLiteral("errbits 0x00010000")));
    QVERIFY(b.command(QStringLiteral("set 117 100")));
    for (const QString& line : setup)
        QVERIFY2(b.command(line), qPrintable(line + QStringLiteral(": ") + b.sim.lastAnswer()));
    if (bit != 0 && bit != 3)
        QVERIFY(b.waitStable());

    const Result before = b.read(CalStateFirst, CalStateCount);
    // A locked page refuses the request; otherwise the outcome is in the error word.
    QCOMPARE(b.write32(address, value).exception, bit == 12 ? int(QModbusPdu::IllegalFunction) : 0);
    QCOMPARE(b.errorBits(), (1u << bit) | otherBits);
    QCOMPARE(b.read(CalStateFirst, CalStateCount).values, before.values); // nothing changed

    // The next successful step clears the calibration bits.
    for (const char* line : { "set 10202 1", "set 129 5", "set 117 100" })
        QVERIFY(b.command(QLatin1String(line)));
    QVERIFY(b.loadAtRest(QStringLiteral("0")));
    QVERIFY(b.write32(210, 1).ok());
    QCOMPARE(b.errorBits(), otherBits);
}

void tst_SimDevice::theoreticalCalibrationAndKeyInZero_data()
{
    QTest::addColumn<int>("sensitivity"); // 0.0001 mV/V
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("theory");
    QTest::addColumn<int>("coefficient"); // 0.00001
    QTest::addColumn<int>("zero"); // keyed-in zero, 0.0001 mV
    QTest::addColumn<int>("load");
    QTest::addColumn<int>("expected"); // raw weight

    // The simulated cell gives 2 mV/V (10 mV) at 3000 kg, 0.1234 mV dead load.
    QTest::newRow("data of the cell") << 20000 << 3000 << 1 << 100000 << 1234 << 100 << 10000;
    QTest::newRow("half the sensitivity reads double")
        << 10000 << 3000 << 1 << 100000 << 1234 << 100 << 20000;
    QTest::newRow("correction 1.5 on the points") << 10000 << 3000 << 0 << 150000 << 1234 << 100 << 15000;
    // 2.8 mV less zero: 840 kg more at no load (10 mV per 3000 kg); the span stays.
    QTest::newRow("zero 2.8 mV lower, negative") << 20000 << 3000 << 0 << 100000 << -26766 << 0 << 84000;
}

void tst_SimDevice::theoreticalCalibrationAndKeyInZero()
{
    QFETCH(int, sensitivity);
    QFETCH(int, capacity);
    QFETCH(int, theory);
    QFETCH(int, coefficient);
    QFETCH(int, zero);
    QFETCH(int, load);
    QFETCH(int, expected);

    Bench b({}, zero >= 0);
    QVERIFY2(b.start(), qPrintable(b.sim.errorString()));
    QVERIFY(b.write32(116, 100).ok());
    for (const auto& [address, value] : { qMakePair(224, sensitivity), qMakePair(226, capacity),
             qMakePair(228, theory), qMakePair(230, coefficient), qMakePair(212, zero) }) {
        QVERIFY(b.write32(address, value).ok());
        QCOMPARE(b.read32(address), value);
    }
    QCOMPARE(b.errorBits(), 0u);
    QCOMPARE(b.read32(214), 101234 + (zero - 1234)); // point 1 moves with the zero
    QVERIFY(b.loadAtRest(QString::number(load)));
    QVERIFY2(qAbs(b.read32(0) - expected) <= 1, qPrintable(QString::number(b.read32(0))));
}

void tst_SimDevice::rtuOverPtyPair_data()
{
    QTest::addColumn<QStringList>("extraArgs");
    QTest::newRow("8N1") << QStringList();
    // Replies held for the line time go out through the simulator's own RTU framing.
    QTest::newRow("8N1 with line timing") << QStringList { QStringLiteral("--line-timing") };
}

void tst_SimDevice::rtuOverPtyPair()
{
    QFETCH(QStringList, extraArgs);
    if (!SocatPair::isAvailable())
        QSKIP("socat is not installed");
    SocatPair line;
    QVERIFY2(line.start(), qPrintable(line.errorString()));
    // 8N1: a pty does not keep parity settings reliably.
    SimProcess sim(QStringList { QStringLiteral("--rtu"), line.first(), QStringLiteral("--baud"),
                       QStringLiteral("19200"), QStringLiteral("--parity"), QStringLiteral("none") }
        + extraArgs);
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
    link.timeoutMs = ShortTimeoutMs;
    QCOMPARE(link.read(206, 2).error, QModbusDevice::TimeoutError);
    master.disconnectDevice();
    QVERIFY2(sim.stop(), qPrintable(sim.errorString()));
}

void tst_SimDevice::lineTimingFormula_data()
{
    QTest::addColumn<QStringList>("serialArgs");
    QTest::addColumn<QString>("expected");

    // A read of 5 registers: request 8 bytes, reply 15. Character = bits / baud,
    // silence = 3.5 characters (at least 1750 us above 19200 baud), exchange =
    // 2 silences + 23 characters; microseconds.
    QTest::newRow("9600 8E1, 11 bits") << QStringList {
        QStringLiteral("--baud"), QStringLiteral("9600"), QStringLiteral("--parity"), QStringLiteral("even")
    } << QStringLiteral("ok bits=11 char_us=1145.833 silence_us=4010.417 exchange_us=34375.000");
    QTest::newRow("19200 8N1, still 3.5 characters")
        << QStringList { QStringLiteral("--baud"), QStringLiteral("19200") }
        << QStringLiteral("ok bits=10 char_us=520.833 silence_us=1822.917 exchange_us=15625.000");
    QTest::newRow("115200 8N2, fixed 1.75 ms silence") << QStringList {
        QStringLiteral("--baud"), QStringLiteral("115200"), QStringLiteral("--stop-bits"), QStringLiteral("2")
    } << QStringLiteral("ok bits=11 char_us=95.486 silence_us=1750.000 exchange_us=5696.181");
}

void tst_SimDevice::lineTimingFormula()
{
    QFETCH(QStringList, serialArgs);
    QFETCH(QString, expected);
    // The serial settings shape the timing even when only TCP is served.
    SimProcess sim(QStringList { QStringLiteral("--tcp"), QStringLiteral("0") } + serialArgs);
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    QVERIFY(sim.command(QStringLiteral("timing 8 15")));
    QCOMPARE(sim.lastAnswer(), expected);
}

// SIGTERM (the way SimProcess stops it) and the quit command end the
// simulator with exit code 0, and clients see the connection closed.
void tst_SimDevice::stopsCleanly()
{
    for (bool byCommand : { false, true }) {
        Bench b;
        QVERIFY2(b.start(), qPrintable(b.sim.errorString()));
        const bool stopped
            = byCommand ? b.command(QStringLiteral("quit")) && b.sim.waitForExit() : b.sim.stop();
        QVERIFY2(stopped, qPrintable(b.sim.errorString()));
        QTRY_COMPARE_WITH_TIMEOUT(b.tcp.state(), QModbusDevice::UnconnectedState, 5000);
    }
}

QTEST_GUILESS_MAIN(tst_SimDevice)
#include "tst_simdevice.moc"
