// The device simulator r7sim, seen from outside: a real Qt Modbus client talks
// to it over loopback TCP (and once over a pty pair), and the console commands
// steer it. Every test starts its own simulator.

#include "simprocess.h"

#include <QModbusRtuSerialMaster>
#include <QModbusTcpClient>
#include <QPointer>
#include <QSerialPort>
#include <QSignalSpy>
#include <QtTest>

#include <csignal>
#include <cstring>

namespace {

// Client time-outs: generous where an answer is expected, short where the test
// waits for the time-out itself.
constexpr int AnswerTimeoutMs = 2000;
constexpr int ShortTimeoutMs = 300;

struct Result {
    QModbusDevice::Error error = QModbusDevice::UnknownError;
    int exception = 0; // Modbus exception code of a ProtocolError, else 0
    QVector<quint16> values;
    QString text;

    bool ok() const { return error == QModbusDevice::NoError; }
};

// One request and its reply, waited for with the event loop running.
Result finish(QModbusReply* sent, int waitMs)
{
    Result result;
    QPointer<QModbusReply> reply(sent);
    if (!reply) {
        result.text = QStringLiteral("request not sent");
        return result;
    }
    if (!reply->isFinished()) {
        QSignalSpy finished(reply.data(), &QModbusReply::finished);
        finished.wait(waitMs);
    }
    if (!reply) {
        result.text = QStringLiteral("reply deleted while waiting");
        return result;
    }
    if (!reply->isFinished()) {
        result.text = QStringLiteral("client gave no verdict");
        reply->deleteLater();
        return result;
    }
    result.error = reply->error();
    result.text = reply->errorString();
    // The exception code is the one data byte of an exception reply. Read it
    // from there: QModbusPdu::exceptionCode() loads the function code, which
    // Qt's client stores sign-extended (0x83 as -125), and UBSan rejects that.
    const QByteArray raw = reply->rawResult().data();
    if (reply->error() == QModbusDevice::ProtocolError && raw.size() == 1)
        result.exception = quint8(raw.at(0));
    result.values = reply->result().values();
    reply->deleteLater();
    return result;
}

// Requests through any Qt Modbus client. The client may be a member of a
// derived class that is not built yet, so it is only touched by the requests.
class Probe {
public:
    explicit Probe(QModbusClient* client)
        : m_client(client)
    {
    }

    void setTimeout(int ms) { m_timeoutMs = ms; }

    bool connectDevice()
    {
        m_client->setNumberOfRetries(0);
        if (!m_client->connectDevice())
            return false;
        QSignalSpy changed(m_client, &QModbusDevice::stateChanged);
        while (m_client->state() == QModbusDevice::ConnectingState) {
            if (!changed.wait(AnswerTimeoutMs))
                break;
        }
        return m_client->state() == QModbusDevice::ConnectedState;
    }

    Result read(int address, int count, int unit = 1)
    {
        m_client->setTimeout(m_timeoutMs);
        const QModbusDataUnit unitData(QModbusDataUnit::HoldingRegisters, address, quint16(count));
        return finish(m_client->sendReadRequest(unitData, unit), m_timeoutMs + AnswerTimeoutMs);
    }

    Result write(int address, const QVector<quint16>& values, int unit = 1)
    {
        m_client->setTimeout(m_timeoutMs);
        const QModbusDataUnit unitData(QModbusDataUnit::HoldingRegisters, address, values);
        return finish(m_client->sendWriteRequest(unitData, unit), m_timeoutMs + AnswerTimeoutMs);
    }

private:
    QModbusClient* m_client;
    int m_timeoutMs = AnswerTimeoutMs;
};

class TcpProbe : public Probe {
public:
    explicit TcpProbe(quint16 port)
        : Probe(&m_tcp)
    {
        m_tcp.setConnectionParameter(QModbusDevice::NetworkAddressParameter, QStringLiteral("127.0.0.1"));
        m_tcp.setConnectionParameter(QModbusDevice::NetworkPortParameter, port);
    }

    QModbusTcpClient& client() { return m_tcp; }

private:
    QModbusTcpClient m_tcp;
};

bool highFirst(const QString& dword)
{
    return dword == QLatin1String("AB-CD");
}

quint32 join(const QVector<quint16>& values, int index, bool highWordFirst)
{
    const quint32 first = values.value(index);
    const quint32 second = values.value(index + 1);
    return highWordFirst ? (first << 16) | second : (second << 16) | first;
}

float joinFloat(const QVector<quint16>& values, int index, bool highWordFirst)
{
    const quint32 bits = join(values, index, highWordFirst);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QString describe(const Result& r)
{
    return QStringLiteral("error %1 (%2), exception %3").arg(int(r.error)).arg(r.text).arg(r.exception);
}

// Status bits of register 4.
constexpr quint16 StableBit = 1u << 0;
constexpr quint16 ZeroBit = 1u << 1;
constexpr quint16 NetBit = 1u << 9;

// A 32-bit value as its two registers in the given word order.
QVector<quint16> pair32(qint64 value, bool highWordFirst)
{
    const quint32 v = quint32(value);
    const quint16 high = quint16(v >> 16);
    const quint16 low = quint16(v & 0xFFFF);
    return highWordFirst ? QVector<quint16> { high, low } : QVector<quint16> { low, high };
}

// Reads of the live block that the calibration tests repeat.
struct Live {
    Probe* probe;
    bool hf;

    bool stable() const
    {
        const Result r = probe->read(4, 1);
        return r.ok() && (r.values.at(0) & StableBit);
    }
    // Long enough for any settling the tests cause; a tick is 100 ms.
    bool waitStable() const
    {
        return QTest::qWaitFor([this] { return stable(); }, 10000);
    }
    qint32 weight() const { return read32(0); }
    // The error word travels in the opposite word order of the rest.
    quint32 errorBits() const
    {
        const Result r = probe->read(5, 2);
        return r.ok() ? join(r.values, 0, !hf) : 0xFFFFFFFFu;
    }
    qint32 read32(int address) const
    {
        const Result r = probe->read(address, 2);
        return r.ok() ? qint32(join(r.values, 0, hf)) : qint32(0x80000000);
    }
    Result write32(int address, qint64 value) const { return probe->write(address, pair32(value, hf)); }
};

// The calibration as the registers show it: capture command, zero, points,
// load-cell data, theory switch and coefficient.
constexpr int CalStateFirst = 210;
constexpr int CalStateCount = 22; // 210..231

} // namespace

class tst_SimDevice : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void factoryValues_data();
    void factoryValues();
    void gapsReadZero_data();
    void gapsReadZero();
    void readsBeyondTheMapAreRefused_data();
    void readsBeyondTheMapAreRefused();
    void parameterWritesReadBack_data();
    void parameterWritesReadBack();
    void writesOutsideParametersAreRefused_data();
    void writesOutsideParametersAreRefused();

    void liveWeightSettlesOnTheLoad_data();
    void liveWeightSettlesOnTheLoad();
    void tareMakesNetWeight();
    void limitBitsFollowTheLoad_data();
    void limitBitsFollowTheLoad();
    void errorBitsUseTheOppositeWordOrder_data();
    void errorBitsUseTheOppositeWordOrder();

    void unitIdSelectsTheDevice_data();
    void unitIdSelectsTheDevice();
    void failAddressAnswersAnException_data();
    void failAddressAnswersAnException();
    void noReplyTimesOut_data();
    void noReplyTimesOut();
    void delayHoldsReplies();
    void dropClosesConnections();

    void calibrationMakesTheWeightFollowTheLoad_data();
    void calibrationMakesTheWeightFollowTheLoad();
    void calibrationErrorsSetTheirBit_data();
    void calibrationErrorsSetTheirBit();
    void malformedCalibrationWritesAreRefused_data();
    void malformedCalibrationWritesAreRefused();
    void keyInZeroIsStoredAndUsed_data();
    void keyInZeroIsStoredAndUsed();
    void theoreticalCalibrationAndCorrection_data();
    void theoreticalCalibrationAndCorrection();
    void remoteSwitchOffRefusesItsPage_data();
    void remoteSwitchOffRefusesItsPage();
    void remoteOffRejectsUnknownPages();
    void analogValuesKeepTheirSixteenBits_data();
    void analogValuesKeepTheirSixteenBits();
    void writesCounterCountsWriteRequests();

    void rtuOverPtyPair_data();
    void rtuOverPtyPair();
    void lineTimingFormula_data();
    void lineTimingFormula();

    void consoleAnswersEveryCommand_data();
    void consoleAnswersEveryCommand();
    void setCommandStoresRawValues();
    void stopsCleanly_data();
    void stopsCleanly();
};

void tst_SimDevice::initTestCase()
{
    qRegisterMetaType<QModbusDevice::State>(); // for QSignalSpy on stateChanged
    QVERIFY2(QFileInfo(SimProcess::binaryPath()).isExecutable(),
        "R7SIM must name the r7sim binary (CTest sets it)");
}

void tst_SimDevice::factoryValues_data()
{
    QTest::addColumn<QString>("dword");
    QTest::addColumn<int>("address");
    QTest::addColumn<QVector<quint16>>("expected");

    for (const QString& dword : { QStringLiteral("AB-CD"), QStringLiteral("CD-AB") }) {
        const bool hf = highFirst(dword);
        auto pair = [hf](quint16 high, quint16 low) {
            return hf ? QVector<quint16> { high, low } : QVector<quint16> { low, high };
        };
        const QByteArray o = dword.toLatin1();
        QTest::newRow(o + " unit kg") << dword << 200 << pair(0, 1);
        QTest::newRow(o + " decimals 2") << dword << 202 << pair(0, 2);
        QTest::newRow(o + " division 1") << dword << 204 << pair(0, 1);
        // 0x0004 0x93E0 -> 300000 = 3000.00 kg
        QTest::newRow(o + " full scale") << dword << 206 << pair(0x0004, 0x93E0);
        // 0x0001 0x86A0 -> 100000 = 1.00000
        QTest::newRow(o + " correct coef") << dword << 230 << pair(0x0001, 0x86A0);
        QTest::newRow(o + " sample window 1 s") << dword << 232 << pair(0, 1000);
        QTest::newRow(o + " LC 2 mV/V") << dword << 224 << pair(0, 20000);
        // Factory calibration: 0.1234 mV zero, point 1 recorded at 10.1234 mV, the rest empty.
        QTest::newRow(o + " zero signal") << dword << 212 << pair(0, 1234);
        QTest::newRow(o + " point 1 signal") << dword << 214 << pair(0x0001, 0x8B72);
        QTest::newRow(o + " points 2 to 5 empty") << dword << 216 << QVector<quint16>(8, 0);
        QTest::newRow(o + " theory off") << dword << 228 << pair(0, 0);
        QTest::newRow(o + " input 1 ZERO, low, 20 ms")
            << dword << 302 << pair(0, 1) + pair(0, 0) + pair(0, 20);
        QTest::newRow(o + " output 3 STABLE, high") << dword << 340 << pair(0, 9) + pair(0, 1);
        // COMP1 "W>=CV1" at 1000.00 kg, ON COND "Stable".
        QTest::newRow(o + " COMP1") << dword << 500
                                    << pair(0, 4) + pair(0x0001, 0x86A0) + pair(0, 0) + pair(0, 1);
        QTest::newRow(o + " voltage coef 1.0234") << dword << 9156 << pair(0, 10234);
        // Version and date are high word first whatever the word order.
        QTest::newRow(o + " software version") << dword << 10000 << QVector<quint16> { 0, 10206 };
        QTest::newRow(o + " compile date") << dword << 10002 << QVector<quint16> { 2024, 1118 };
        QTest::newRow(o + " remote switches")
            << dword << 10200 << QVector<quint16> { 1, 0, 1, 0, 0, 1, 0, 1, 0, 1, 0 };
        QTest::newRow(o + " data-trans dword") << dword << 8004 << QVector<quint16> { quint16(hf ? 0 : 1) };
    }
    QTest::newRow("serial number") << QStringLiteral("AB-CD") << 10004
                                   << QVector<quint16> { 'R', '7', '-', '2', '0', '2', '4', '1', '1', '1',
                                          '8', '0', '1', 'S', 'I', 'M', '0', '0', '0', '0', '0', '0', '0',
                                          '0', '1' };
    QTest::newRow("MAC") << QStringLiteral("AB-CD") << 10100
                         << QVector<quint16> { 0x02, 0x52, 0x37, 0x00, 0x10, 0x01 };
    QTest::newRow("BT MAC") << QStringLiteral("AB-CD") << 10112
                            << QVector<quint16> { 0x02, 0x52, 0x37, 0x00, 0x20, 0x01 };
    QTest::newRow("COM0 id 1, 9600") << QStringLiteral("AB-CD") << 8000 << QVector<quint16> { 1, 3 };
    QTest::newRow("COM0 RTU 8-N-1, 10 ms gap")
        << QStringLiteral("AB-CD") << 8002 << QVector<quint16> { 0, 0, 0, 10 };
    QTest::newRow("NetCOM TCP, IP, dest IP, port") << QStringLiteral(
        "AB-CD") << 8100 << QVector<quint16> { 0, 0, 10, 192, 168, 1, 100, 192, 168, 1, 200, 502 };
    QTest::newRow("analog 4-20 mA on the weight")
        << QStringLiteral("AB-CD") << 8150 << QVector<quint16> { 0, 4000, 4000, 20000, 22000, 0 };
}

void tst_SimDevice::factoryValues()
{
    QFETCH(QString, dword);
    QFETCH(int, address);
    QFETCH(QVector<quint16>, expected);

    SimProcess sim({ QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--dword"), dword });
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());

    const Result r = probe.read(address, expected.size());
    QVERIFY2(r.ok(), qPrintable(describe(r)));
    QCOMPARE(r.values, expected);
}

void tst_SimDevice::gapsReadZero_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("count");

    QTest::newRow("after the live block") << 42 << 58;
    QTest::newRow("after basic config") << 130 << 70;
    QTest::newRow("after weight & cal") << 238 << 62;
    QTest::newRow("between io and comparators") << 368 << 125;
    QTest::newRow("comparator spare registers") << 514 << 6;
    QTest::newRow("after the comparators") << 660 << 125;
    QTest::newRow("inside data-trans") << 8006 << 14;
    QTest::newRow("after data-trans") << 8156 << 100;
    QTest::newRow("after the reset commands") << 8908 << 125;
    QTest::newRow("after the serial number") << 10029 << 71;
    QTest::newRow("after the BT MAC") << 10118 << 82;
}

void tst_SimDevice::gapsReadZero()
{
    QFETCH(int, address);
    QFETCH(int, count);

    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());

    const Result r = probe.read(address, count);
    QVERIFY2(r.ok(), qPrintable(describe(r)));
    QCOMPARE(r.values, QVector<quint16>(count, 0));
}

void tst_SimDevice::readsBeyondTheMapAreRefused_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("allowed");

    QTest::newRow("125 registers ending at 10210") << 10086 << 125 << true;
    QTest::newRow("last register alone") << 10210 << 1 << true;
    QTest::newRow("one past the last") << 10210 << 2 << false;
    QTest::newRow("first beyond") << 10211 << 1 << false;
    QTest::newRow("long read running over") << 10100 << 125 << false;
    QTest::newRow("far away") << 40000 << 10 << false;
}

void tst_SimDevice::readsBeyondTheMapAreRefused()
{
    QFETCH(int, address);
    QFETCH(int, count);
    QFETCH(bool, allowed);

    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());

    const Result r = probe.read(address, count);
    if (allowed) {
        QVERIFY2(r.ok(), qPrintable(describe(r)));
        QCOMPARE(r.values.size(), count);
    } else {
        QCOMPARE(r.error, QModbusDevice::ProtocolError);
        QCOMPARE(r.exception, int(QModbusPdu::IllegalDataAddress));
    }
}

void tst_SimDevice::parameterWritesReadBack_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<QVector<quint16>>("values");

    // One register goes out as function 06, more as function 16.
    QTest::newRow("basic config first") << 100 << QVector<quint16> { 0x0001, 0x0002 };
    QTest::newRow("basic config last") << 128 << QVector<quint16> { 0, 3 };
    QTest::newRow("decimals") << 202 << QVector<quint16> { 0, 3 };
    QTest::newRow("flow-rate unit, last of cal") << 236 << QVector<quint16> { 0, 0 };
    QTest::newRow("input function") << 302 << QVector<quint16> { 0, 8 };
    QTest::newRow("last output level") << 366 << QVector<quint16> { 0, 0 };
    QTest::newRow("comparator 1 value") << 502 << QVector<quint16> { 0xFFFF, 0xFB2E };
    QTest::newRow("last comparator register") << 659 << QVector<quint16> { 42 };
    QTest::newRow("COM0 id, single") << 8000 << QVector<quint16> { 17 };
    QTest::newRow("analog min out, negative") << 8151 << QVector<quint16> { 64036 };
    QTest::newRow("link data, last of data-trans") << 8155 << QVector<quint16> { 3 };
    QTest::newRow("reset all") << 8900 << QVector<quint16> { 1 };
    QTest::newRow("reset data-trans") << 8907 << QVector<quint16> { 1 };
    QTest::newRow("voltage coef") << 9156 << QVector<quint16> { 0, 12345 };
    QTest::newRow("basic remote switch off") << 10200 << QVector<quint16> { 0 };
    QTest::newRow("all remote registers") << 10200 << QVector<quint16>(11, 7);
    QVector<quint16> block(120);
    for (int i = 0; i < block.size(); ++i)
        block[i] = quint16(1000 + i);
    QTest::newRow("120 comparator registers") << 500 << block;
}

void tst_SimDevice::parameterWritesReadBack()
{
    QFETCH(int, address);
    QFETCH(QVector<quint16>, values);

    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());

    const Result before = probe.read(address, values.size());
    QVERIFY2(before.ok(), qPrintable(describe(before)));
    QVERIFY2(before.values != values, "pick values that differ from the factory ones");

    const Result written = probe.write(address, values);
    QVERIFY2(written.ok(), qPrintable(describe(written)));
    const Result after = probe.read(address, values.size());
    QVERIFY2(after.ok(), qPrintable(describe(after)));
    QCOMPARE(after.values, values);
}

void tst_SimDevice::writesOutsideParametersAreRefused_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("count");

    QTest::newRow("weight") << 0 << 2;
    QTest::newRow("status word") << 4 << 1;
    QTest::newRow("error bits") << 5 << 2;
    QTest::newRow("gross float") << 28 << 2;
    QTest::newRow("gain mV") << 40 << 2;
    QTest::newRow("end of the live area") << 99 << 1;
    QTest::newRow("gap after basic config") << 130 << 1;
    QTest::newRow("basic config running into the gap") << 128 << 4;
    QTest::newRow("after data-trans") << 8156 << 1;
    QTest::newRow("software version") << 10000 << 2;
    QTest::newRow("serial number") << 10004 << 13;
    QTest::newRow("BT MAC") << 10112 << 6;
    QTest::newRow("beyond the map") << 10211 << 1;
}

void tst_SimDevice::writesOutsideParametersAreRefused()
{
    QFETCH(int, address);
    QFETCH(int, count);

    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());

    // A value the device never holds by itself, so a landed write shows.
    const QVector<quint16> sentinel(count, 0xBEEF);
    const Result written = probe.write(address, sentinel);
    QCOMPARE(written.error, QModbusDevice::ProtocolError);
    QCOMPARE(written.exception, int(QModbusPdu::IllegalDataAddress));

    if (address + count - 1 <= 10210) {
        const Result after = probe.read(address, count);
        QVERIFY2(after.ok(), qPrintable(describe(after)));
        for (int i = 0; i < count; ++i)
            QVERIFY2(after.values.at(i) != 0xBEEF,
                qPrintable(QStringLiteral("register %1 was written").arg(address + i)));
    }
}

void tst_SimDevice::liveWeightSettlesOnTheLoad_data()
{
    QTest::addColumn<QString>("dword");
    QTest::newRow("AB-CD") << QStringLiteral("AB-CD");
    QTest::newRow("CD-AB") << QStringLiteral("CD-AB");
}

void tst_SimDevice::liveWeightSettlesOnTheLoad()
{
    QFETCH(QString, dword);
    const bool hf = highFirst(dword);

    SimProcess sim({ QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--dword"), dword });
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());

    // The empty scale: zero and, once it has been quiet long enough, stable.
    Result live;
    auto statusIs = [&](quint16 mask, quint16 bits) {
        live = probe.read(0, 42);
        return live.ok() && (live.values.at(4) & mask) == bits;
    };
    QTRY_VERIFY2_WITH_TIMEOUT(
        statusIs(StableBit | ZeroBit | NetBit, StableBit | ZeroBit), qPrintable(describe(live)), 10000);
    QCOMPARE(qint32(join(live.values, 0, hf)), 0);

    // A shorter flow-rate window (0.300 s) takes effect at once and lets the
    // flow settle sooner.
    const Result window = probe.write(232, hf ? QVector<quint16> { 0, 300 } : QVector<quint16> { 300, 0 });
    QVERIFY2(window.ok(), qPrintable(describe(window)));

    QVERIFY2(sim.command(QStringLiteral("load 12.5")), qPrintable(sim.lastAnswer()));
    // Stable again with no flow left in the sample window.
    auto settled = [&] {
        live = probe.read(0, 42);
        return live.ok() && (live.values.at(4) & StableBit) && qint32(join(live.values, 0, hf)) == 1250
            && joinFloat(live.values, 34, hf) == 0.0f;
    };
    QTRY_VERIFY_WITH_TIMEOUT(settled(), 10000);

    QCOMPARE(live.values.at(4) & (ZeroBit | NetBit), 0);
    QCOMPARE(joinFloat(live.values, 28, hf), 12.5f); // gross
    QCOMPARE(joinFloat(live.values, 30, hf), 12.5f); // net
    QCOMPARE(joinFloat(live.values, 32, hf), 0.0f); // tare
    // 0.1234 mV dead load + 12.5 / 3000 of 10 mV = 0.1651 mV; the noise stays
    // far below a division, i.e. below 0.0001 mV here.
    const qint32 sensor = qint32(join(live.values, 38, hf));
    const qint32 gain = qint32(join(live.values, 40, hf));
    QVERIFY2(qAbs(sensor - 1651) <= 1, qPrintable(QString::number(sensor)));
    QVERIFY2(qAbs(gain - 417) <= 1, qPrintable(QString::number(gain)));

    // Taking load off makes the platform move: flow goes negative on the way.
    QVERIFY2(sim.command(QStringLiteral("load 2.5")), qPrintable(sim.lastAnswer()));
    auto flowing = [&] {
        live = probe.read(28, 8);
        return live.ok() && joinFloat(live.values, 6, hf) < 0.0f;
    };
    QTRY_VERIFY_WITH_TIMEOUT(flowing(), 5000);
}

void tst_SimDevice::tareMakesNetWeight()
{
    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());

    QVERIFY2(sim.command(QStringLiteral("tare 5")), qPrintable(sim.lastAnswer()));
    QVERIFY2(sim.command(QStringLiteral("load 12.5")), qPrintable(sim.lastAnswer()));
    Result live;
    auto netShown = [&](qint32 weight) {
        live = probe.read(0, 42);
        return live.ok() && (live.values.at(4) & StableBit) && qint32(join(live.values, 0, true)) == weight;
    };
    QTRY_VERIFY_WITH_TIMEOUT(netShown(750), 10000);
    QCOMPARE(live.values.at(4) & (NetBit | ZeroBit), NetBit);
    QCOMPARE(joinFloat(live.values, 28, true), 12.5f);
    QCOMPARE(joinFloat(live.values, 30, true), 7.5f);
    QCOMPARE(joinFloat(live.values, 32, true), 5.0f);

    QVERIFY2(sim.command(QStringLiteral("tare off")), qPrintable(sim.lastAnswer()));
    QTRY_VERIFY_WITH_TIMEOUT(netShown(1250), 5000);
    QCOMPARE(live.values.at(4) & NetBit, 0);

    // A preset tare written by the tool is held as the tare: 0x0000 0x00C8 -> 2.00 kg.
    const Result preset = probe.write(112, { 0, 200 });
    QVERIFY2(preset.ok(), qPrintable(describe(preset)));
    QTRY_VERIFY_WITH_TIMEOUT(netShown(1050), 5000);
    QCOMPARE(live.values.at(4) & NetBit, NetBit);
}

void tst_SimDevice::limitBitsFollowTheLoad_data()
{
    QTest::addColumn<QString>("load");
    QTest::addColumn<int>("bit");

    // Full scale 3000.00 kg; load cell 10 mV at 3000 kg on a -15..15 mV input.
    QTest::newRow("over full scale") << QStringLiteral("3100") << 4;
    QTest::newRow("under limit") << QStringLiteral("-1") << 5;
    QTest::newRow("load cell over") << QStringLiteral("5000") << 6;
    QTest::newRow("load cell under") << QStringLiteral("-4700") << 7;
}

void tst_SimDevice::limitBitsFollowTheLoad()
{
    QFETCH(QString, load);
    QFETCH(int, bit);

    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());

    Result status = probe.read(4, 1);
    QVERIFY2(status.ok(), qPrintable(describe(status)));
    QCOMPARE(status.values.at(0) & (1u << bit), 0u);

    QVERIFY2(sim.command(QStringLiteral("load ") + load), qPrintable(sim.lastAnswer()));
    auto bitSet = [&] {
        status = probe.read(4, 1);
        return status.ok() && (status.values.at(0) & (1u << bit));
    };
    QTRY_VERIFY_WITH_TIMEOUT(bitSet(), 10000);

    QVERIFY2(sim.command(QStringLiteral("load 0")), qPrintable(sim.lastAnswer()));
    auto bitClear = [&] {
        status = probe.read(4, 1);
        return status.ok() && !(status.values.at(0) & (1u << bit));
    };
    QTRY_VERIFY_WITH_TIMEOUT(bitClear(), 10000);
}

void tst_SimDevice::errorBitsUseTheOppositeWordOrder_data()
{
    QTest::addColumn<QString>("dword");
    QTest::addColumn<QVector<quint16>>("expected");

    // 0x00010002: with AB-CD register 6 holds the high half, with CD-AB register 5.
    QTest::newRow("AB-CD") << QStringLiteral("AB-CD") << QVector<quint16> { 0x0002, 0x0001 };
    QTest::newRow("CD-AB") << QStringLiteral("CD-AB") << QVector<quint16> { 0x0001, 0x0002 };
}

void tst_SimDevice::errorBitsUseTheOppositeWordOrder()
{
    QFETCH(QString, dword);
    QFETCH(QVector<quint16>, expected);

    SimProcess sim({ QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--dword"), dword });
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());

    QVERIFY2(sim.command(QStringLiteral("errbits 0x00010002")), qPrintable(sim.lastAnswer()));
    const Result r = probe.read(5, 2);
    QVERIFY2(r.ok(), qPrintable(describe(r)));
    QCOMPARE(r.values, expected);
}

void tst_SimDevice::unitIdSelectsTheDevice_data()
{
    QTest::addColumn<QStringList>("extraArgs");
    QTest::addColumn<int>("unit");
    QTest::addColumn<bool>("answered");

    QTest::newRow("default unit 1") << QStringList() << 1 << true;
    QTest::newRow("unit 2 ignored") << QStringList() << 2 << false;
    QTest::newRow("--unit 7") << QStringList { QStringLiteral("--unit"), QStringLiteral("7") } << 7 << true;
    QTest::newRow("--unit 7, asked for 1")
        << QStringList { QStringLiteral("--unit"), QStringLiteral("7") } << 1 << false;
}

void tst_SimDevice::unitIdSelectsTheDevice()
{
    QFETCH(QStringList, extraArgs);
    QFETCH(int, unit);
    QFETCH(bool, answered);

    SimProcess sim(QStringList { QStringLiteral("--tcp"), QStringLiteral("0") } + extraArgs);
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    probe.setTimeout(ShortTimeoutMs);
    QVERIFY(probe.connectDevice());

    const Result r = probe.read(202, 2, unit);
    if (answered) {
        QVERIFY2(r.ok(), qPrintable(describe(r)));
        QCOMPARE(r.values, (QVector<quint16> { 0, 2 }));
    } else {
        QCOMPARE(r.error, QModbusDevice::TimeoutError);
    }
}

void tst_SimDevice::failAddressAnswersAnException_data()
{
    QTest::addColumn<QStringList>("extraArgs");
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("code");

    QTest::newRow("flag with code") << QStringList { QStringLiteral("--fail-address"),
        QStringLiteral("206:3") } << QString()
                                    << 206 << 3;
    QTest::newRow("flag, default code")
        << QStringList { QStringLiteral("--fail-address"), QStringLiteral("9157") } << QString() << 9157 << 4;
    QTest::newRow("command") << QStringList() << QStringLiteral("fail 207 6") << 207 << 6;
    QTest::newRow("command, colon form") << QStringList() << QStringLiteral("fail 10001:2") << 10001 << 2;
}

void tst_SimDevice::failAddressAnswersAnException()
{
    QFETCH(QStringList, extraArgs);
    QFETCH(QString, command);
    QFETCH(int, address);
    QFETCH(int, code);

    SimProcess sim(QStringList { QStringLiteral("--tcp"), QStringLiteral("0") } + extraArgs);
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    if (!command.isEmpty())
        QVERIFY2(sim.command(command), qPrintable(sim.lastAnswer()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());

    const Result covering = probe.read(address - 1, 3);
    QCOMPARE(covering.error, QModbusDevice::ProtocolError);
    QCOMPARE(covering.exception, code);

    const Result beside = probe.read(address + 1, 1);
    QVERIFY2(beside.ok(), qPrintable(describe(beside)));

    QVERIFY2(sim.command(QStringLiteral("fail off")), qPrintable(sim.lastAnswer()));
    const Result healed = probe.read(address - 1, 3);
    QVERIFY2(healed.ok(), qPrintable(describe(healed)));
}

void tst_SimDevice::noReplyTimesOut_data()
{
    QTest::addColumn<QStringList>("extraArgs");
    QTest::addColumn<QString>("command");

    QTest::newRow("--no-reply") << QStringList { QStringLiteral("--no-reply") } << QString();
    QTest::newRow("noreply on") << QStringList() << QStringLiteral("noreply on");
}

void tst_SimDevice::noReplyTimesOut()
{
    QFETCH(QStringList, extraArgs);
    QFETCH(QString, command);

    SimProcess sim(QStringList { QStringLiteral("--tcp"), QStringLiteral("0") } + extraArgs);
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    if (!command.isEmpty())
        QVERIFY2(sim.command(command), qPrintable(sim.lastAnswer()));
    TcpProbe probe(sim.tcpPort());
    probe.setTimeout(ShortTimeoutMs);
    QVERIFY(probe.connectDevice());

    const Result read = probe.read(202, 2);
    QCOMPARE(read.error, QModbusDevice::TimeoutError);
    // The device still carries out what it does not answer.
    const Result write = probe.write(8000, { 77 });
    QCOMPARE(write.error, QModbusDevice::TimeoutError);

    QVERIFY2(sim.command(QStringLiteral("noreply off")), qPrintable(sim.lastAnswer()));
    const Result after = probe.read(8000, 1);
    QVERIFY2(after.ok(), qPrintable(describe(after)));
    QCOMPARE(after.values, QVector<quint16> { 77 });
}

void tst_SimDevice::delayHoldsReplies()
{
    SimProcess sim(
        { QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--delay"), QStringLiteral("100") });
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());

    // A delayed reply still arrives whole.
    const Result slow = probe.read(206, 2);
    QVERIFY2(slow.ok(), qPrintable(describe(slow)));
    QCOMPARE(slow.values, (QVector<quint16> { 0x0004, 0x93E0 }));

    QVERIFY2(sim.command(QStringLiteral("delay 3000")), qPrintable(sim.lastAnswer()));
    probe.setTimeout(ShortTimeoutMs);
    const Result late = probe.read(206, 2);
    QCOMPARE(late.error, QModbusDevice::TimeoutError);

    // The console stays responsive while replies are held, and the connection
    // is still usable for the next request.
    QVERIFY2(sim.command(QStringLiteral("delay 0")), qPrintable(sim.lastAnswer()));
    probe.setTimeout(AnswerTimeoutMs);
    const Result prompt = probe.read(202, 2);
    QVERIFY2(prompt.ok(), qPrintable(describe(prompt)));
    QCOMPARE(prompt.values, (QVector<quint16> { 0, 2 }));
}

void tst_SimDevice::dropClosesConnections()
{
    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());
    QVERIFY(probe.read(0, 1).ok());

    QVERIFY2(sim.command(QStringLiteral("drop")), qPrintable(sim.lastAnswer()));
    QCOMPARE(sim.lastAnswer(), QStringLiteral("ok drop 1"));
    QTRY_COMPARE_WITH_TIMEOUT(probe.client().state(), QModbusDevice::UnconnectedState, 5000);

    // The simulator keeps listening: a reconnect works.
    QVERIFY(probe.connectDevice());
    const Result r = probe.read(202, 2);
    QVERIFY2(r.ok(), qPrintable(describe(r)));
}

void tst_SimDevice::calibrationMakesTheWeightFollowTheLoad_data()
{
    QTest::addColumn<QString>("dword");
    QTest::addColumn<int>("load1");
    QTest::addColumn<int>("weight1"); // raw, 2 decimals
    QTest::addColumn<int>("load2");
    QTest::addColumn<int>("weight2");
    QTest::addColumn<int>("checkLoad");
    QTest::addColumn<int>("expected");

    // Loads in kg on the simulated cell (0.1234 mV dead load, 10 mV at 3000 kg).
    QTest::newRow("true weights, between the points")
        << QStringLiteral("AB-CD") << 100 << 10000 << 200 << 20000 << 150 << 15000;
    // Test weights that are not the loads: the characteristic bends at point 1.
    QTest::newRow("bent, first segment")
        << QStringLiteral("CD-AB") << 100 << 5000 << 200 << 15000 << 50 << 2500;
    QTest::newRow("bent, second segment")
        << QStringLiteral("AB-CD") << 100 << 5000 << 200 << 15000 << 150 << 10000;
    QTest::newRow("bent, beyond the last point")
        << QStringLiteral("CD-AB") << 100 << 5000 << 200 << 15000 << 300 << 25000;
}

void tst_SimDevice::calibrationMakesTheWeightFollowTheLoad()
{
    QFETCH(QString, dword);
    QFETCH(int, load1);
    QFETCH(int, weight1);
    QFETCH(int, load2);
    QFETCH(int, weight2);
    QFETCH(int, checkLoad);
    QFETCH(int, expected);

    SimProcess sim({ QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--dword"), dword });
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());
    const Live live { &probe, highFirst(dword) };

    // A short stability time keeps the captures quick; a wrong keyed-in zero
    // (5 mV) makes sure the result comes from this calibration.
    QVERIFY(live.write32(116, 100).ok());
    QVERIFY(live.write32(212, 50000).ok());
    QCOMPARE(live.read32(212), 50000);

    QVERIFY2(sim.command(QStringLiteral("load 0 now")), qPrintable(sim.lastAnswer()));
    QVERIFY(live.waitStable());
    const Result zero = live.write32(210, 1);
    QVERIFY2(zero.ok(), qPrintable(describe(zero)));
    QCOMPARE(live.errorBits(), 0u);
    QCOMPARE(live.read32(210), 0); // the command clears itself
    QCOMPARE(live.read32(212), 1234); // the dead load, 0.1234 mV
    QCOMPARE(live.weight(), 0);

    // A point's register reads back the signal recorded for it.
    auto signalOf = [](int load) { return qRound((0.1234 + load / 300.0) * 10000.0); };
    QVERIFY2(sim.command(QStringLiteral("load %1 now").arg(load1)), qPrintable(sim.lastAnswer()));
    QVERIFY(live.waitStable());
    QVERIFY(live.write32(214, weight1).ok());
    QCOMPARE(live.errorBits(), 0u);
    QCOMPARE(live.read32(214), signalOf(load1));
    // Point 1 began a new series: the factory's later points are gone.
    QCOMPARE(live.read32(216), 0);

    QVERIFY2(sim.command(QStringLiteral("load %1 now").arg(load2)), qPrintable(sim.lastAnswer()));
    QVERIFY(live.waitStable());
    QVERIFY(live.write32(216, weight2).ok());
    QCOMPARE(live.errorBits(), 0u);
    QCOMPARE(live.read32(216), signalOf(load2));
    QCOMPARE(live.read32(218), 0);

    QVERIFY2(sim.command(QStringLiteral("load %1 now").arg(checkLoad)), qPrintable(sim.lastAnswer()));
    QVERIFY(live.waitStable());
    const qint32 shown = live.weight();
    QVERIFY2(qAbs(shown - expected) <= 1, qPrintable(QStringLiteral("weight %1").arg(shown)));
    const Result gross = probe.read(28, 2);
    QVERIFY2(gross.ok(), qPrintable(describe(gross)));
    QVERIFY(qAbs(joinFloat(gross.values, 0, live.hf) - expected / 100.0f) <= 0.011f);
}

void tst_SimDevice::calibrationErrorsSetTheirBit_data()
{
    QTest::addColumn<QStringList>("setup"); // console commands
    QTest::addColumn<bool>("settled"); // wait for a stable reading first
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("bit");

    const QString unipolar5 = QStringLiteral("set 129 0"); // input range 0..5 mV
    const QStringList shaking { QStringLiteral("set 117 5000"), QStringLiteral("load 100 now") };
    // Factory: 3000.00 kg full scale, point 1 recorded at 3000.00 kg, no point 2.
    QTest::newRow("zero not stable") << shaking << false << 210 << 1 << 0;
    QTest::newRow("zero above the input range")
        << QStringList { unipolar5, QStringLiteral("load 2000 now") } << true << 210 << 1 << 1;
    QTest::newRow("zero below the input range")
        << QStringList { unipolar5, QStringLiteral("load -100 now") } << true << 210 << 1 << 2;
    QTest::newRow("keyed-in zero above the input range") << QStringList() << true << 212 << 200000 << 1;
    QTest::newRow("point not stable") << shaking << false << 214 << 10000 << 3;
    QTest::newRow("point above the input range")
        << QStringList { unipolar5, QStringLiteral("load 2000 now") } << true << 214 << 200000 << 4;
    QTest::newRow("point below the input range")
        << QStringList { unipolar5, QStringLiteral("load -100 now") } << true << 214 << 10000 << 5;
    QTest::newRow("no load on the platform") << QStringList() << true << 214 << 10000 << 6;
    QTest::newRow("negative weight") << QStringList { QStringLiteral("load 100 now") } << true << 214
                                     << -10000 << 6;
    // Full scale raised to 6000.00 kg so that only the falling signal is wrong.
    QTest::newRow("signal below the previous point") << QStringList { QStringLiteral("set 206 9"),
        QStringLiteral("set 207 10176"), QStringLiteral("load 2000 now") }
                                                     << true << 216 << 400000 << 6;
    QTest::newRow("theory on without sensitivity")
        << QStringList { QStringLiteral("set 224 0"), QStringLiteral("set 225 0") } << true << 228 << 1 << 6;
    QTest::newRow("correction of 0") << QStringList() << true << 230 << 0 << 6;
    QTest::newRow("weight 0") << QStringList { QStringLiteral("load 100 now") } << true << 214 << 0 << 7;
    QTest::newRow("over full scale") << QStringList { QStringLiteral("load 100 now") } << true << 214
                                     << 300001 << 8;
    // 1 g of load for 3000 kg in 0.01 kg steps: far below a converter count per step.
    QTest::newRow("over resolution") << QStringList { QStringLiteral("load 0.001 now") } << true << 214
                                     << 300000 << 9;
    QTest::newRow("point 3 before point 2")
        << QStringList { QStringLiteral("load 100 now") } << true << 218 << 10000 << 10;
    QTest::newRow("remote editing off")
        << QStringList { QStringLiteral("set 10202 0"), QStringLiteral("load 100 now") } << true << 214
        << 10000 << 12;
}

void tst_SimDevice::calibrationErrorsSetTheirBit()
{
    QFETCH(QStringList, setup);
    QFETCH(bool, settled);
    QFETCH(int, address);
    QFETCH(int, value);
    QFETCH(int, bit);

    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());
    const Live live { &probe, true };

    // Bits above 12 belong to zero and tare operations: calibration leaves them.
    const quint32 otherBits = 0x00010000;
    QVERIFY2(sim.command(QStringLiteral("errbits 0x00010000")), qPrintable(sim.lastAnswer()));
    QVERIFY2(sim.command(QStringLiteral("set 117 100")), qPrintable(sim.lastAnswer()));
    for (const QString& line : setup)
        QVERIFY2(sim.command(line), qPrintable(line + QStringLiteral(": ") + sim.lastAnswer()));
    if (settled)
        QVERIFY(live.waitStable());

    const Result before = probe.read(CalStateFirst, CalStateCount);
    QVERIFY2(before.ok(), qPrintable(describe(before)));
    const Result written = live.write32(address, value);
    if (bit == 12) {
        QCOMPARE(written.error, QModbusDevice::ProtocolError);
        QCOMPARE(written.exception, int(QModbusPdu::IllegalFunction));
    } else {
        // The device took the request; the outcome is in the error word.
        QVERIFY2(written.ok(), qPrintable(describe(written)));
    }
    QCOMPARE(live.errorBits(), (1u << bit) | otherBits);
    // A failed step leaves the calibration as it was.
    const Result after = probe.read(CalStateFirst, CalStateCount);
    QVERIFY2(after.ok(), qPrintable(describe(after)));
    QCOMPARE(after.values, before.values);

    // The next successful step clears the calibration bits.
    for (const QString& line : { QStringLiteral("set 10202 1"), QStringLiteral("set 129 5"),
             QStringLiteral("set 117 100"), QStringLiteral("load 0 now") })
        QVERIFY2(sim.command(line), qPrintable(sim.lastAnswer()));
    QVERIFY(live.waitStable());
    QVERIFY(live.write32(210, 1).ok());
    QCOMPARE(live.errorBits(), otherBits);
}

void tst_SimDevice::malformedCalibrationWritesAreRefused_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<QVector<quint16>>("values");

    QTest::newRow("high half of point 1") << 214 << QVector<quint16> { 0 };
    QTest::newRow("low half of point 2") << 217 << QVector<quint16> { 100 };
    QTest::newRow("key-in zero running into half of point 1") << 212 << QVector<quint16> { 0, 1234, 0 };
    QTest::newRow("zero capture with 2") << 210 << QVector<quint16> { 0, 2 };
}

void tst_SimDevice::malformedCalibrationWritesAreRefused()
{
    QFETCH(int, address);
    QFETCH(QVector<quint16>, values);

    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());

    const Result before = probe.read(CalStateFirst, CalStateCount);
    QVERIFY2(before.ok(), qPrintable(describe(before)));
    const Result written = probe.write(address, values);
    QCOMPARE(written.error, QModbusDevice::ProtocolError);
    QCOMPARE(written.exception, int(QModbusPdu::IllegalDataValue));
    const Result after = probe.read(CalStateFirst, CalStateCount);
    QVERIFY2(after.ok(), qPrintable(describe(after)));
    QCOMPARE(after.values, before.values);
}

void tst_SimDevice::keyInZeroIsStoredAndUsed_data()
{
    QTest::addColumn<QString>("dword");
    QTest::addColumn<int>("zero"); // 0.0001 mV
    QTest::addColumn<int>("load");
    QTest::addColumn<int>("expected");

    // 10 mV per 3000 kg: every 0.3 mV of zero shift moves the weight by 90 kg,
    // while the span stays (point 1 moves with the zero).
    QTest::newRow("zero 0.3 mV higher") << QStringLiteral("AB-CD") << 4234 << 190 << 10000;
    QTest::newRow("zero 2.8 mV lower, negative") << QStringLiteral("CD-AB") << -26766 << 0 << 84000;
}

void tst_SimDevice::keyInZeroIsStoredAndUsed()
{
    QFETCH(QString, dword);
    QFETCH(int, zero);
    QFETCH(int, load);
    QFETCH(int, expected);

    SimProcess sim({ QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--dword"), dword });
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());
    const Live live { &probe, highFirst(dword) };
    QVERIFY(live.write32(116, 100).ok());

    const Result written = live.write32(212, zero);
    QVERIFY2(written.ok(), qPrintable(describe(written)));
    QCOMPARE(live.errorBits(), 0u);
    QCOMPARE(live.read32(212), zero);
    QCOMPARE(live.read32(214), 101234 + (zero - 1234));

    QVERIFY2(sim.command(QStringLiteral("load %1 now").arg(load)), qPrintable(sim.lastAnswer()));
    QVERIFY(live.waitStable());
    const qint32 shown = live.weight();
    QVERIFY2(qAbs(shown - expected) <= 1, qPrintable(QStringLiteral("weight %1").arg(shown)));
}

void tst_SimDevice::theoreticalCalibrationAndCorrection_data()
{
    QTest::addColumn<int>("sensitivity"); // 0.0001 mV/V
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("theory");
    QTest::addColumn<int>("coefficient"); // 0.00001
    QTest::addColumn<int>("expected"); // at 100 kg of load, raw

    // The simulated cell gives 2 mV/V at 3000 kg.
    QTest::newRow("data of the cell") << 20000 << 3000 << 1 << 100000 << 10000;
    QTest::newRow("half the sensitivity reads double") << 10000 << 3000 << 1 << 100000 << 20000;
    QTest::newRow("double the capacity reads double") << 20000 << 6000 << 1 << 100000 << 20000;
    QTest::newRow("theory off: the points rule") << 10000 << 3000 << 0 << 100000 << 10000;
    QTest::newRow("correction 1.5 on the points") << 10000 << 3000 << 0 << 150000 << 15000;
    QTest::newRow("correction 0.5 on the theory") << 10000 << 3000 << 1 << 50000 << 10000;
}

void tst_SimDevice::theoreticalCalibrationAndCorrection()
{
    QFETCH(int, sensitivity);
    QFETCH(int, capacity);
    QFETCH(int, theory);
    QFETCH(int, coefficient);
    QFETCH(int, expected);

    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());
    const Live live { &probe, true };
    QVERIFY(live.write32(116, 100).ok());

    for (const auto& [address, value] : { qMakePair(224, sensitivity), qMakePair(226, capacity),
             qMakePair(228, theory), qMakePair(230, coefficient) }) {
        const Result written = live.write32(address, value);
        QVERIFY2(written.ok(), qPrintable(describe(written)));
        QCOMPARE(live.read32(address), value);
    }
    QCOMPARE(live.errorBits(), 0u);

    QVERIFY2(sim.command(QStringLiteral("load 100 now")), qPrintable(sim.lastAnswer()));
    QVERIFY(live.waitStable());
    const qint32 shown = live.weight();
    QVERIFY2(qAbs(shown - expected) <= 1, qPrintable(QStringLiteral("weight %1").arg(shown)));
}

void tst_SimDevice::remoteSwitchOffRefusesItsPage_data()
{
    QTest::addColumn<QString>("page"); // name for --remote-off
    QTest::addColumn<int>("switchRegister");
    QTest::addColumn<bool>("byFlag"); // else by the set command
    QTest::addColumn<int>("address");
    QTest::addColumn<QVector<quint16>>("values");
    QTest::addColumn<int>("elsewhere"); // a register of another page, written by one 16-bit write

    QTest::newRow("basic, first") << QStringLiteral("basic") << 10200 << true << 100
                                  << QVector<quint16> { 0, 5 } << 8005;
    QTest::newRow("basic, last") << QStringLiteral("basic") << 10200 << false << 128
                                 << QVector<quint16> { 0, 3 } << 8005;
    QTest::newRow("cal, first") << QStringLiteral("cal") << 10202 << true << 200 << QVector<quint16> { 0, 2 }
                                << 8005;
    QTest::newRow("cal, last") << QStringLiteral("cal") << 10202 << false << 236 << QVector<quint16> { 0, 0 }
                               << 8005;
    QTest::newRow("app, inputs") << QStringLiteral("app") << 10205 << true << 302 << QVector<quint16> { 0, 8 }
                                 << 8005;
    QTest::newRow("app, last output")
        << QStringLiteral("app") << 10205 << false << 366 << QVector<quint16> { 0, 0 } << 8005;
    QTest::newRow("app, comparator") << QStringLiteral("app") << 10205 << true << 500
                                     << QVector<quint16> { 0, 6 } << 8005;
    QTest::newRow("app, last comparator register")
        << QStringLiteral("app") << 10205 << false << 659 << QVector<quint16> { 42 } << 8005;
    QTest::newRow("data, first") << QStringLiteral("data") << 10207 << true << 8000 << QVector<quint16> { 17 }
                                 << 101;
    QTest::newRow("data, analog") << QStringLiteral("data") << 10207 << false << 8152
                                  << QVector<quint16> { 64036 } << 101;
    QTest::newRow("data, last") << QStringLiteral("data") << 10207 << true << 8155 << QVector<quint16> { 3 }
                                << 101;
    QTest::newRow("system, reset") << QStringLiteral("system") << 10209 << true << 8900
                                   << QVector<quint16> { 1 } << 8005;
    QTest::newRow("system, last reset")
        << QStringLiteral("system") << 10209 << false << 8907 << QVector<quint16> { 1 } << 8005;
    QTest::newRow("system, voltage coef")
        << QStringLiteral("system") << 10209 << true << 9156 << QVector<quint16> { 0, 12345 } << 8005;
    // One register of a locked page is enough to refuse the whole request.
    QTest::newRow("data, running over the end")
        << QStringLiteral("data") << 10207 << false << 8150 << QVector<quint16> { 2, 1, 2, 3, 4, 1 } << 101;
}

void tst_SimDevice::remoteSwitchOffRefusesItsPage()
{
    QFETCH(QString, page);
    QFETCH(int, switchRegister);
    QFETCH(bool, byFlag);
    QFETCH(int, address);
    QFETCH(QVector<quint16>, values);
    QFETCH(int, elsewhere);

    QStringList args { QStringLiteral("--tcp"), QStringLiteral("0") };
    if (byFlag)
        args << QStringLiteral("--remote-off") << page;
    SimProcess sim(args);
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    if (!byFlag)
        QVERIFY2(sim.command(QStringLiteral("set %1 0").arg(switchRegister)), qPrintable(sim.lastAnswer()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());

    const Result switches = probe.read(10200, 10);
    QVERIFY2(switches.ok(), qPrintable(describe(switches)));
    for (int sw : { 10200, 10202, 10205, 10207, 10209 })
        QCOMPARE(switches.values.at(sw - 10200), quint16(sw == switchRegister ? 0 : 1));

    const Result before = probe.read(address, values.size());
    QVERIFY2(before.ok(), qPrintable(describe(before)));
    QVERIFY2(before.values != values, "pick values that differ from the factory ones");

    const Result refused = probe.write(address, values);
    QCOMPARE(refused.error, QModbusDevice::ProtocolError);
    QCOMPARE(refused.exception, int(QModbusPdu::IllegalFunction));
    const Result unchanged = probe.read(address, values.size());
    QVERIFY2(unchanged.ok(), qPrintable(describe(unchanged)));
    QCOMPARE(unchanged.values, before.values);

    // Other pages stay open.
    const Result other = probe.write(elsewhere, { 7 });
    QVERIFY2(other.ok(), qPrintable(describe(other)));

    // The switch itself stays writable; on again, the write lands.
    const Result on = probe.write(switchRegister, { 1 });
    QVERIFY2(on.ok(), qPrintable(describe(on)));
    const Result accepted = probe.write(address, values);
    QVERIFY2(accepted.ok(), qPrintable(describe(accepted)));
    const Result after = probe.read(address, values.size());
    QVERIFY2(after.ok(), qPrintable(describe(after)));
    QCOMPARE(after.values, values);
}

void tst_SimDevice::remoteOffRejectsUnknownPages()
{
    SimProcess bad({ QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--remote-off"),
        QStringLiteral("cal,kitchen") });
    QVERIFY2(!bad.start(), "an unknown page name must stop the simulator");
    QCOMPARE(bad.exitCode(), 2);

    SimProcess all({ QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--remote-off"),
        QStringLiteral("all") });
    QVERIFY2(all.start(), qPrintable(all.errorString()));
    QVERIFY2(all.command(QStringLiteral("get 10200 10")), qPrintable(all.lastAnswer()));
    QCOMPARE(all.lastAnswer(), QStringLiteral("ok 0 0 0 0 0 0 0 0 0 0"));
}

void tst_SimDevice::analogValuesKeepTheirSixteenBits_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("milli"); // mA or V times 1000, signed

    QTest::newRow("min out -1.500") << 8151 << -1500;
    QTest::newRow("zero out -5.000") << 8152 << -5000;
    QTest::newRow("F.S. out 24.000") << 8153 << 24000;
    QTest::newRow("max out -32.768") << 8154 << -32768;
    QTest::newRow("max out 32.767") << 8154 << 32767;
}

void tst_SimDevice::analogValuesKeepTheirSixteenBits()
{
    QFETCH(int, address);
    QFETCH(int, milli);

    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());

    // Two's complement: -1500 travels as 64036 and comes back as 64036.
    const quint16 raw = quint16(qint16(milli));
    const Result written = probe.write(address, { raw });
    QVERIFY2(written.ok(), qPrintable(describe(written)));
    const Result back = probe.read(address, 1);
    QVERIFY2(back.ok(), qPrintable(describe(back)));
    QCOMPARE(back.values, QVector<quint16> { raw });
    QCOMPARE(int(qint16(back.values.at(0))), milli);
    // The neighbours keep their values.
    const Result block = probe.read(8150, 6);
    QVERIFY2(block.ok(), qPrintable(describe(block)));
    QVector<quint16> expected { 0, 4000, 4000, 20000, 22000, 0 };
    expected[address - 8150] = raw;
    QCOMPARE(block.values, expected);
}

void tst_SimDevice::writesCounterCountsWriteRequests()
{
    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());

    auto answer = [&sim](const QString& line) {
        return sim.command(line) ? sim.lastAnswer() : QStringLiteral("failed: ") + sim.lastAnswer();
    };
    QCOMPARE(answer(QStringLiteral("writes")), QStringLiteral("ok writes 0"));
    QCOMPARE(answer(QStringLiteral("lastwrite")), QStringLiteral("ok lastwrite none"));

    QVERIFY(probe.read(0, 42).ok()); // reads do not count
    QCOMPARE(answer(QStringLiteral("writes")), QStringLiteral("ok writes 0"));

    QVERIFY(probe.write(8000, { 17 }).ok()); // function 06
    QCOMPARE(answer(QStringLiteral("writes")), QStringLiteral("ok writes 1"));
    QCOMPARE(answer(QStringLiteral("lastwrite")), QStringLiteral("ok lastwrite 8000 1 17"));

    QVERIFY(probe.write(302, { 0, 8 }).ok()); // function 16
    QCOMPARE(answer(QStringLiteral("writes")), QStringLiteral("ok writes 2"));
    QCOMPARE(answer(QStringLiteral("lastwrite")), QStringLiteral("ok lastwrite 302 2 0 8"));

    // A refused write was still sent: it counts.
    QCOMPARE(probe.write(0, { 1, 65535 }).exception, int(QModbusPdu::IllegalDataAddress));
    QVERIFY2(sim.command(QStringLiteral("set 10207 0")), qPrintable(sim.lastAnswer()));
    QCOMPARE(probe.write(8001, { 4 }).exception, int(QModbusPdu::IllegalFunction));
    QCOMPARE(answer(QStringLiteral("writes")), QStringLiteral("ok writes 4"));
    QCOMPARE(answer(QStringLiteral("lastwrite")), QStringLiteral("ok lastwrite 8001 1 4"));

    QCOMPARE(answer(QStringLiteral("writes reset")), QStringLiteral("ok writes 0"));
    QCOMPARE(answer(QStringLiteral("writes")), QStringLiteral("ok writes 0"));
    QCOMPARE(answer(QStringLiteral("lastwrite")), QStringLiteral("ok lastwrite none"));
    QVERIFY(probe.write(10207, { 1 }).ok());
    QCOMPARE(answer(QStringLiteral("writes")), QStringLiteral("ok writes 1"));
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
    QCOMPARE(sim.rtuPath(), line.first());

    QModbusRtuSerialMaster master;
    master.setConnectionParameter(QModbusDevice::SerialPortNameParameter, line.second());
    master.setConnectionParameter(QModbusDevice::SerialBaudRateParameter, QSerialPort::Baud19200);
    master.setConnectionParameter(QModbusDevice::SerialDataBitsParameter, QSerialPort::Data8);
    master.setConnectionParameter(QModbusDevice::SerialParityParameter, QSerialPort::NoParity);
    master.setConnectionParameter(QModbusDevice::SerialStopBitsParameter, QSerialPort::OneStop);
    Probe probe(&master);
    QVERIFY2(probe.connectDevice(), qPrintable(master.errorString()));

    const Result read = probe.read(206, 2);
    QVERIFY2(read.ok(), qPrintable(describe(read)));
    QCOMPARE(read.values, (QVector<quint16> { 0x0004, 0x93E0 }));

    const Result write = probe.write(8040, { 9, 4 });
    QVERIFY2(write.ok(), qPrintable(describe(write)));
    const Result back = probe.read(8040, 2);
    QVERIFY2(back.ok(), qPrintable(describe(back)));
    QCOMPARE(back.values, (QVector<quint16> { 9, 4 }));

    const Result refused = probe.read(10211, 1);
    QCOMPARE(refused.error, QModbusDevice::ProtocolError);
    QCOMPARE(refused.exception, int(QModbusPdu::IllegalDataAddress));

    QVERIFY2(sim.command(QStringLiteral("noreply on")), qPrintable(sim.lastAnswer()));
    probe.setTimeout(ShortTimeoutMs);
    QCOMPARE(probe.read(206, 2).error, QModbusDevice::TimeoutError);

    master.disconnectDevice();
    QVERIFY2(sim.stop(), qPrintable(sim.errorString()));
}

void tst_SimDevice::lineTimingFormula_data()
{
    QTest::addColumn<QStringList>("serialArgs");
    QTest::addColumn<QString>("expected");

    // A read of 5 registers: request 8 bytes, reply 15 bytes (address, function,
    // byte count, 10 data bytes, CRC). Times in microseconds:
    //   character = bits / baud, silence = 3.5 characters (at least 1750 above
    //   19200 baud), exchange = 2 silences + 23 characters.
    QTest::newRow("9600 8N1, 10 bits")
        << QStringList { QStringLiteral("--baud"), QStringLiteral("9600") }
        << QStringLiteral("ok bits=10 char_us=1041.667 silence_us=3645.833 exchange_us=31250.000");
    QTest::newRow("9600 8E1, 11 bits") << QStringList {
        QStringLiteral("--baud"), QStringLiteral("9600"), QStringLiteral("--parity"), QStringLiteral("even")
    } << QStringLiteral("ok bits=11 char_us=1145.833 silence_us=4010.417 exchange_us=34375.000");
    QTest::newRow("4800 7O1, 10 bits")
        << QStringList { QStringLiteral("--baud"), QStringLiteral("4800"), QStringLiteral("--data-bits"),
               QStringLiteral("7"), QStringLiteral("--parity"), QStringLiteral("odd") }
        << QStringLiteral("ok bits=10 char_us=2083.333 silence_us=7291.667 exchange_us=62500.000");
    QTest::newRow("19200 8N1, still 3.5 characters")
        << QStringList { QStringLiteral("--baud"), QStringLiteral("19200") }
        << QStringLiteral("ok bits=10 char_us=520.833 silence_us=1822.917 exchange_us=15625.000");
    QTest::newRow("38400 8E1, fixed 1.75 ms silence") << QStringList {
        QStringLiteral("--baud"), QStringLiteral("38400"), QStringLiteral("--parity"), QStringLiteral("even")
    } << QStringLiteral("ok bits=11 char_us=286.458 silence_us=1750.000 exchange_us=10088.542");
    QTest::newRow("115200 8N2, 11 bits") << QStringList {
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
    QVERIFY2(sim.command(QStringLiteral("timing 8 15")), qPrintable(sim.lastAnswer()));
    QCOMPARE(sim.lastAnswer(), expected);
}

void tst_SimDevice::consoleAnswersEveryCommand_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("status") << QStringLiteral("status") << true;
    QTest::newRow("help") << QStringLiteral("help") << true;
    QTest::newRow("get two") << QStringLiteral("get 202 2") << true;
    QTest::newRow("upper case") << QStringLiteral("DELAY 0") << true;
    QTest::newRow("unknown") << QStringLiteral("bogus") << false;
    QTest::newRow("fail without address") << QStringLiteral("fail") << false;
    QTest::newRow("fail address too big") << QStringLiteral("fail 70000 4") << false;
    QTest::newRow("fail code 0") << QStringLiteral("fail 5 0") << false;
    QTest::newRow("negative delay") << QStringLiteral("delay -1") << false;
    QTest::newRow("noreply maybe") << QStringLiteral("noreply maybe") << false;
    QTest::newRow("set beyond the map") << QStringLiteral("set 10211 1") << false;
    QTest::newRow("set value too big") << QStringLiteral("set 8000 70000") << false;
    QTest::newRow("set octal-looking") << QStringLiteral("set 8000 010") << true;
    QTest::newRow("load not a number") << QStringLiteral("load abc") << false;
    QTest::newRow("errbits too wide") << QStringLiteral("errbits 0x1FFFFFFFF") << false;
    QTest::newRow("timing too short") << QStringLiteral("timing 2 2") << false;
    QTest::newRow("get beyond the map") << QStringLiteral("get 10210 2") << false;
    QTest::newRow("writes") << QStringLiteral("writes") << true;
    QTest::newRow("writes reset") << QStringLiteral("writes reset") << true;
    QTest::newRow("writes with a bad word") << QStringLiteral("writes clear") << false;
    QTest::newRow("lastwrite") << QStringLiteral("lastwrite") << true;
    QTest::newRow("lastwrite with an argument") << QStringLiteral("lastwrite 3") << false;
    QTest::newRow("cal") << QStringLiteral("cal") << true;
    QTest::newRow("load at rest") << QStringLiteral("load 5 now") << true;
    QTest::newRow("load with a bad word") << QStringLiteral("load 5 later") << false;
}

void tst_SimDevice::consoleAnswersEveryCommand()
{
    QFETCH(QString, line);
    QFETCH(bool, accepted);

    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    QCOMPARE(sim.command(line), accepted);
    QVERIFY2(sim.lastAnswer().startsWith(accepted ? QLatin1String("ok") : QLatin1String("error ")),
        qPrintable(sim.lastAnswer()));
    // Exactly one answer per line: the next command gets its own answer.
    QVERIFY2(sim.command(QStringLiteral("get 202 2")), qPrintable(sim.lastAnswer()));
    QCOMPARE(sim.lastAnswer(), QStringLiteral("ok 0 2"));
}

void tst_SimDevice::setCommandStoresRawValues()
{
    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());

    // Negative values are stored in two's complement; "010" is ten, not eight.
    QVERIFY2(sim.command(QStringLiteral("set 8151 -1500")), qPrintable(sim.lastAnswer()));
    QCOMPARE(sim.lastAnswer(), QStringLiteral("ok set 8151 64036"));
    QVERIFY2(sim.command(QStringLiteral("set 8152 010")), qPrintable(sim.lastAnswer()));
    // set passes the write rules: system information can be changed for a demo.
    QVERIFY2(sim.command(QStringLiteral("set 10001 10300")), qPrintable(sim.lastAnswer()));

    const Result analog = probe.read(8151, 2);
    QVERIFY2(analog.ok(), qPrintable(describe(analog)));
    QCOMPARE(analog.values, (QVector<quint16> { 64036, 10 }));
    const Result version = probe.read(10000, 2);
    QVERIFY2(version.ok(), qPrintable(describe(version)));
    QCOMPARE(version.values, (QVector<quint16> { 0, 10300 }));
}

void tst_SimDevice::stopsCleanly_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("SIGTERM") << QStringLiteral("term");
    QTest::newRow("SIGINT") << QStringLiteral("int");
    QTest::newRow("quit command") << QStringLiteral("quit");
}

void tst_SimDevice::stopsCleanly()
{
    QFETCH(QString, how);

    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    TcpProbe probe(sim.tcpPort());
    QVERIFY(probe.connectDevice());

    if (how == QLatin1String("term")) {
        QVERIFY2(sim.stop(), qPrintable(sim.errorString()));
    } else if (how == QLatin1String("int")) {
        QCOMPARE(::kill(pid_t(sim.processId()), SIGINT), 0);
        QVERIFY2(sim.waitForExit(), qPrintable(sim.errorString()));
    } else {
        QVERIFY2(sim.command(QStringLiteral("quit")), qPrintable(sim.lastAnswer()));
        QVERIFY2(sim.waitForExit(), qPrintable(sim.errorString()));
    }
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    // Clients see the connection closed rather than hanging on.
    QTRY_COMPARE_WITH_TIMEOUT(probe.client().state(), QModbusDevice::UnconnectedState, 5000);
}

QTEST_GUILESS_MAIN(tst_SimDevice)
#include "tst_simdevice.moc"
