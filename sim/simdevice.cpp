#include "simdevice.h"

#include "registermap.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

struct Region {
    int first;
    int last;
};

// Everything the configuration tool may change. The live block (0..99) and the
// system information (10000..10117) are the device's own and refuse writes.
constexpr Region WritableRegions[] = {
    { SimReg::BasicFirst, SimReg::BasicLast },
    { SimReg::CalFirst, SimReg::CalLast },
    { SimReg::AppIoFirst, SimReg::AppIoLast },
    { SimReg::CompFirst, SimReg::CompLast },
    { SimReg::TransFirst, SimReg::TransLast },
    { SimReg::ResetFirst, SimReg::ResetLast },
    { SimReg::VoltageCoef, SimReg::VoltageCoef + 1 },
    { SimReg::RemoteFirst, SimReg::RemoteLast },
};

bool inWritableRegion(int address)
{
    return std::any_of(std::begin(WritableRegions), std::end(WritableRegions),
        [address](const Region& r) { return address >= r.first && address <= r.last; });
}

bool overlaps(int address, int count, int first, int last)
{
    return address <= last && address + count - 1 >= first;
}

// The registers each remote-editing switch guards. Writes there are refused
// with exception 01 (illegal function) while the switch is 0: the device is in
// a state that does not allow the function now, the request as such is fine.
// Exception 04 would tell the master the device has failed, which it has not.
struct RemoteLock {
    int switchRegister;
    int first;
    int last;
};

constexpr RemoteLock RemoteLocks[] = {
    { SimReg::RemoteBasic, SimReg::BasicFirst, SimReg::BasicLast },
    { SimReg::RemoteCal, SimReg::CalFirst, SimReg::CalLast },
    { SimReg::RemoteApp, SimReg::AppIoFirst, SimReg::AppIoLast },
    { SimReg::RemoteApp, SimReg::CompFirst, SimReg::CompLast },
    { SimReg::RemoteTrans, SimReg::TransFirst, SimReg::TransLast },
    { SimReg::RemoteSystem, SimReg::ResetFirst, SimReg::ResetLast },
    { SimReg::RemoteSystem, SimReg::VoltageCoef, SimReg::VoltageCoef + 1 },
};

// The parameter groups that the reset commands restore to factory values. A
// command with several groups has one row per group.
struct ResetGroup {
    int command;
    int first;
    int last;
};

constexpr ResetGroup ResetGroups[] = {
    { SimReg::ResetAll, SimReg::BasicFirst, SimReg::BasicLast },
    { SimReg::ResetAll, SimReg::CalFirst, SimReg::CalLast },
    { SimReg::ResetAll, SimReg::AppIoFirst, SimReg::AppIoLast },
    { SimReg::ResetAll, SimReg::CompFirst, SimReg::CompLast },
    { SimReg::ResetAll, SimReg::TransFirst, SimReg::TransLast },
    { SimReg::ResetPartial, SimReg::BasicFirst, SimReg::BasicLast },
    { SimReg::ResetPartial, SimReg::AppIoFirst, SimReg::AppIoLast },
    { SimReg::ResetPartial, SimReg::CompFirst, SimReg::CompLast },
    { SimReg::ResetPartial, SimReg::TransFirst, SimReg::TransLast },
    { SimReg::ResetCal, SimReg::CalFirst, SimReg::CalLast },
    { SimReg::ResetBasic, SimReg::BasicFirst, SimReg::BasicLast },
    { SimReg::ResetIo, SimReg::AppIoFirst, SimReg::AppIoLast },
    { SimReg::ResetAnalog, SimReg::AnalogFirst, SimReg::AnalogLast },
    { SimReg::ResetApp, SimReg::AppIoFirst, SimReg::AppIoLast },
    { SimReg::ResetApp, SimReg::CompFirst, SimReg::CompLast },
    { SimReg::ResetDataTrans, SimReg::TransFirst, SimReg::TransLast },
};

// A test weight is one 32-bit value. Half of it would be joined with the other
// half of the register pair, which reads as the recorded signal: the device
// refuses such a write instead of calibrating with a made-up weight.
bool splitsCalibrationPoint(int address, int count)
{
    constexpr int first = SimReg::CalPoint1;
    constexpr int last = SimReg::CalPoint1 + 2 * Calibrator::PointCount - 1;
    const int end = address + count - 1;
    return (address >= first && address <= last && (address - first) % 2 == 1)
        || (end >= first && end <= last && (end - first) % 2 == 0);
}

qint32 toSignalRegister(double mv)
{
    return qint32(std::lround(std::clamp(mv, -200000.0, 200000.0) * 10000.0));
}

} // namespace

SimDevice::SimDevice(WordOrder order, int unitId, QObject* parent)
    : QObject(parent)
    , m_registers(SimReg::Count, 0)
    , m_order(order)
{
    loadFactoryValues(unitId);
    m_factoryRegisters = m_registers;
    m_factoryCal = m_cal;
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &SimDevice::update);
    // Publish a first reading at once, so a client that reads before the first
    // timer tick sees a consistent live block.
    refresh();
}

void SimDevice::set16(int address, quint16 value)
{
    m_registers[address] = value;
}

void SimDevice::set32(int address, quint32 value)
{
    const quint16 high = quint16(value >> 16);
    const quint16 low = quint16(value & 0xFFFF);
    m_registers[address] = m_order == WordOrder::HighFirst ? high : low;
    m_registers[address + 1] = m_order == WordOrder::HighFirst ? low : high;
}

void SimDevice::setFloat(int address, float value)
{
    quint32 bits;
    static_assert(sizeof bits == sizeof value, "IEEE-754 single expected");
    std::memcpy(&bits, &value, sizeof bits);
    set32(address, bits);
}

quint32 SimDevice::read32(int address) const
{
    const quint32 first = m_registers.at(address);
    const quint32 second = m_registers.at(address + 1);
    return m_order == WordOrder::HighFirst ? (first << 16) | second : (second << 16) | first;
}

void SimDevice::loadFactoryValues(int unitId)
{
    using namespace SimReg;

    // Basic Config: zero, tare, stability and filter settings.
    set32(100, 10); // power-on zero range, %
    set32(102, 1); // remote zero allowed
    set32(104, 20); // zero key range, %
    set32(106, 1); // remote tare allowed
    set32(108, 0); // tare not kept over power cycles
    set32(110, 0); // negative net correction disabled
    set32(PresetTare, 0);
    set32(StabRange, 1);
    set32(StabTime, 500);
    set32(118, 2); // zero tracking range, d
    set32(120, 1000); // zero tracking time, ms
    set32(122, 5); // digital filter
    set32(124, 2); // steady-state filter, d
    set32(126, 2); // A/D rate 100 Hz
    set32(InputRange, 5); // -15..15 mV

    // Weight & CAL: a 3000 kg scale with 0.01 kg divisions on one 2 mV/V cell.
    set32(Unit, 1); // kg
    set32(Decimals, 2);
    set32(Division, 1);
    set32(FullScale, 300000); // 3000.00 kg
    set32(ZeroCapture, 0);
    syncCalibrationRegisters(); // 0.1234 mV dead load, 10.1234 mV at 3000.00 kg
    set32(LcSensitivity, 20000); // 2.0000 mV/V
    set32(LcCapacity, 3000);
    set32(TheoryCal, 0);
    set32(CorrectCoef, 100000); // 1.00000
    set32(SampleWindow, 1000); // 1.000 s
    set32(MaxFlowRate, 100000); // 1000.00 kg per time unit
    set32(FlowRateUnit, 1); // per minute

    // Inputs: function, level, debounce time for each of the five inputs.
    const quint32 inputFunctions[] = { 1, 3, 4, 0, 0 }; // ZERO, TARE, CLEAR TARE, none, none
    for (int i = 0; i < 5; ++i) {
        set32(302 + 6 * i, inputFunctions[i]);
        set32(304 + 6 * i, 0); // low level
        set32(306 + 6 * i, 20); // ms
    }
    // Outputs: function and level for each of the nine outputs.
    const quint32 outputFunctions[] = { 1, 2, 9, 10, 0, 0, 0, 0, 0 }; // COMP1, COMP2, STABLE, ZERO
    for (int i = 0; i < 9; ++i) {
        set32(332 + 4 * i, outputFunctions[i]);
        set32(334 + 4 * i, 1); // high level
    }
    // Comparators: COMP1 "W>=CV1" at 1000.00 kg, COMP2 "W<=CV1" at 10.00 kg, the
    // rest off; on condition "Stable", times 0.
    for (int n = 0; n < 8; ++n) {
        const int base = CompFirst + CompStride * n;
        set32(base, n == 0 ? 4 : n == 1 ? 1 : 0);
        set32(base + 2, n == 0 ? 100000 : n == 1 ? 1000 : 0);
        set32(base + 4, 0);
        set32(base + 6, 1);
        set32(base + 8, 0);
        set32(base + 10, 0);
        set32(base + 12, 0);
    }

    // Data-Trans: three serial ports at 9600 8-N-1 Modbus RTU, the network port,
    // the analog output (4-20 mA on the weight).
    const quint16 dwordIndex = m_order == WordOrder::HighFirst ? 0 : 1;
    for (int port : { Com0Id, Com1Id, Com2Id }) {
        set16(port, quint16(unitId));
        set16(port + 1, 3); // 9600
        set16(port + 2, 0); // Modbus RTU
        set16(port + 3, 0); // 8-N-1
        set16(port + 4, dwordIndex);
        set16(port + 5, 10); // send gap, ms
    }
    set16(Com1Id + 6, 0); // RS485 mode
    set16(8100, 0); // Modbus/TCP
    set16(NetDword, dwordIndex);
    set16(8102, 10);
    const quint16 ip[] = { 192, 168, 1, 100 };
    const quint16 destIp[] = { 192, 168, 1, 200 };
    for (int i = 0; i < 4; ++i) {
        set16(NetIp + i, ip[i]);
        set16(NetDestIp + i, destIp[i]);
    }
    set16(NetPort, 502);
    set16(AnalogFirst, 0); // 4-20 mA
    set16(AnalogFirst + 1, 4000); // min out 4.000
    set16(AnalogFirst + 2, 4000); // zero out
    set16(AnalogFirst + 3, 20000); // full-scale out
    set16(AnalogFirst + 4, 22000); // max out
    set16(AnalogFirst + 5, 0); // linked to the weight

    // System information. Version and date are always high word first.
    set32(VoltageCoef, 10234); // 1.0234
    set16(SoftVersion, 0);
    set16(SoftVersion + 1, 10206);
    set16(CompileDate, 2024);
    set16(CompileDate + 1, 1118);
    const QByteArray serial = QByteArrayLiteral("R7-2024111801SIM000000001");
    Q_ASSERT(serial.size() == SerialPart1Length + SerialPart2Length);
    for (int i = 0; i < serial.size(); ++i)
        set16(SerialFirst + i, quint16(serial.at(i)));
    const quint16 mac[] = { 0x02, 0x52, 0x37, 0x00, 0x10, 0x01 };
    const quint16 btMac[] = { 0x02, 0x52, 0x37, 0x00, 0x20, 0x01 };
    for (int i = 0; i < 6; ++i) {
        set16(Mac + i, mac[i]);
        set16(BtMac + i, btMac[i]);
    }

    for (int sw : { RemoteBasic, RemoteCal, RemoteApp, RemoteTrans, RemoteSystem })
        set16(sw, 1);
}

bool SimDevice::isReadable(int address, int count)
{
    return address >= 0 && count > 0 && address + count - 1 <= SimReg::Last;
}

bool SimDevice::isWritable(int address, int count)
{
    if (!isReadable(address, count))
        return false;
    for (int a = address; a < address + count; ++a) {
        if (!inWritableRegion(a))
            return false;
    }
    return true;
}

SimDevice::Access SimDevice::readRegisters(int address, int count, QVector<quint16>* values) const
{
    if (!isReadable(address, count))
        return Access::IllegalAddress;
    *values = m_registers.mid(address, count);
    return Access::Ok;
}

int SimDevice::remoteSwitchFor(const QString& name)
{
    using namespace SimReg;
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("basic"))
        return RemoteBasic;
    if (n == QLatin1String("cal"))
        return RemoteCal;
    if (n == QLatin1String("app"))
        return RemoteApp;
    if (n == QLatin1String("data"))
        return RemoteTrans;
    if (n == QLatin1String("system"))
        return RemoteSystem;
    return 0;
}

bool SimDevice::lockedFor(int address, int count, int* switchRegister) const
{
    for (const RemoteLock& lock : RemoteLocks) {
        if (m_registers.at(lock.switchRegister) == 0 && overlaps(address, count, lock.first, lock.last)) {
            *switchRegister = lock.switchRegister;
            return true;
        }
    }
    return false;
}

SimDevice::Access SimDevice::writeRegisters(int address, const QVector<quint16>& values)
{
    const int count = values.size();
    if (!isWritable(address, count))
        return Access::IllegalAddress;
    int lockSwitch = 0;
    if (lockedFor(address, count, &lockSwitch)) {
        // The operator learns why a calibration did nothing from the error word.
        if (lockSwitch == SimReg::RemoteCal)
            reportCalibration(CalError::RemoteBan);
        return Access::Locked;
    }
    if (splitsCalibrationPoint(address, count))
        return Access::IllegalValue;

    const QVector<quint16> before = m_registers.mid(address, count);
    std::copy(values.begin(), values.end(), m_registers.begin() + address);
    // The zero-capture command knows 0 (nothing to do) and 1 (capture).
    if (overlaps(address, count, SimReg::ZeroCapture, SimReg::ZeroCapture + 1)
        && read32(SimReg::ZeroCapture) > 1) {
        std::copy(before.begin(), before.end(), m_registers.begin() + address);
        return Access::IllegalValue;
    }
    applyCalibrationWrite(address, before);
    applyWrite(address, count);
    applyResets(address, count);
    return Access::Ok;
}

// A command register keeps what was written; each write of 1 restores its
// groups, other values do nothing.
void SimDevice::applyResets(int address, int count)
{
    bool calReset = false;
    bool basicReset = false;
    bool anyReset = false;
    for (const ResetGroup& group : ResetGroups) {
        if (!overlaps(address, count, group.command, group.command) || m_registers.at(group.command) != 1)
            continue;
        std::copy(m_factoryRegisters.begin() + group.first, m_factoryRegisters.begin() + group.last + 1,
            m_registers.begin() + group.first);
        calReset |= group.first == SimReg::CalFirst;
        basicReset |= group.first == SimReg::BasicFirst;
        anyReset = true;
    }
    if (!anyReset)
        return;
    if (calReset) {
        m_cal = m_factoryCal;
        syncCalibrationRegisters();
        reportCalibration(0);
    }
    // The factory preset tare is taken over as the held tare, as after a
    // write of it; the live values follow the restored parameters at once.
    if (basicReset)
        applyWrite(SimReg::PresetTare, 2);
    else
        refresh();
}

bool SimDevice::setSystemInfo(const QString& field, const QString& value, QString* error)
{
    using namespace SimReg;
    const QString name = field.trimmed().toLower();
    bool ok = false;
    if (name == QLatin1String("version") || name == QLatin1String("coef")) {
        const quint32 number = value.toUInt(&ok, 10);
        if (!ok) {
            *error = QStringLiteral("%1 expects an unsigned 32-bit number").arg(name);
            return false;
        }
        if (name == QLatin1String("coef")) {
            set32(VoltageCoef, number);
        } else {
            // High word first whatever the word order, like the compile date.
            set16(SoftVersion, quint16(number >> 16));
            set16(SoftVersion + 1, quint16(number & 0xFFFF));
        }
        return true;
    }
    if (name == QLatin1String("date")) {
        const QStringList parts = value.split(QLatin1Char(':'));
        bool monthDayOk = false;
        const uint year = parts.value(0).toUInt(&ok, 10);
        const uint monthDay = parts.value(1).toUInt(&monthDayOk, 10);
        if (parts.size() != 2 || !ok || !monthDayOk || year > 0xFFFF || monthDay > 0xFFFF) {
            *error = QStringLiteral("date expects YEAR:MMDD, 16 bits each");
            return false;
        }
        set16(CompileDate, quint16(year));
        set16(CompileDate + 1, quint16(monthDay));
        return true;
    }
    if (name == QLatin1String("serial")) {
        const int length = SerialPart1Length + SerialPart2Length;
        const bool printable = std::all_of(value.begin(), value.end(),
            [](QChar c) { return c.unicode() > 0x20 && c.unicode() < 0x7F; });
        if (value.size() != length || !printable) {
            *error = QStringLiteral("serial expects %1 printable ASCII characters").arg(length);
            return false;
        }
        for (int i = 0; i < length; ++i)
            set16(SerialFirst + i, value.at(i).unicode());
        return true;
    }
    if (name == QLatin1String("mac") || name == QLatin1String("btmac")) {
        const QStringList bytes = value.split(QLatin1Char('-'));
        quint16 parsed[6] = {};
        ok = bytes.size() == 6;
        for (int i = 0; ok && i < 6; ++i) {
            parsed[i] = quint16(bytes.at(i).toUInt(&ok, 16));
            ok = ok && bytes.at(i).size() == 2;
        }
        if (!ok) {
            *error = QStringLiteral("%1 expects XX-XX-XX-XX-XX-XX in hexadecimal").arg(name);
            return false;
        }
        const int first = name == QLatin1String("mac") ? Mac : BtMac;
        for (int i = 0; i < 6; ++i)
            set16(first + i, parsed[i]);
        return true;
    }
    *error = QStringLiteral("unknown field '%1' (version, date, serial, mac, btmac, coef)").arg(field);
    return false;
}

quint16 SimDevice::peek(int address) const
{
    return m_registers.value(address, 0);
}

void SimDevice::poke(int address, quint16 value)
{
    if (!isReadable(address, 1))
        return;
    m_registers[address] = value;
    if (overlaps(address, 1, SimReg::ZeroSignal, SimReg::ZeroSignal + 1))
        m_cal.setZeroMv(qint32(read32(SimReg::ZeroSignal)) / 10000.0);
    for (int i = 0; i < Calibrator::PointCount; ++i) {
        const int reg = SimReg::CalPoint1 + 2 * i;
        if (overlaps(address, 1, reg, reg + 1))
            m_cal.setPointSignal(i, qint32(read32(reg)) / 10000.0);
    }
    applyWrite(address, 1);
}

void SimDevice::restore(int first, int last, int address, const QVector<quint16>& before)
{
    for (int a = std::max(first, address); a <= std::min(last, address + int(before.size()) - 1); ++a)
        m_registers[a] = before.at(a - address);
}

CalCapture SimDevice::capture()
{
    // Bring the platform up to this moment first: the last timer tick may be
    // up to a period old, and a load changed since must not be missed.
    update();
    const ScaleConfig config = scaleConfig();
    CalCapture c;
    c.signalMv = m_scale.reading().filteredMv;
    c.stable = m_scale.reading().status & ScaleStatus::Stable;
    c.inputMinMv = config.inputMinMv;
    c.inputMaxMv = config.inputMaxMv;
    return c;
}

void SimDevice::reportCalibration(quint32 bits)
{
    m_errorBits = (m_errorBits & ~quint32(CalError::Mask)) | (bits & CalError::Mask);
    publish(m_scale.reading());
}

void SimDevice::syncCalibrationRegisters()
{
    set32(SimReg::ZeroSignal, quint32(toSignalRegister(m_cal.zeroMv())));
    for (int i = 0; i < Calibrator::PointCount; ++i) {
        const Calibrator::Point& p = m_cal.point(i);
        set32(SimReg::CalPoint1 + 2 * i, p.recorded ? quint32(toSignalRegister(p.signalMv)) : 0u);
    }
}

// The calibration steps a write sets off, in register order. Each step either
// succeeds or leaves the calibration as it was; the error word's bits 0..12
// then show the failed steps of this write, or nothing when all succeeded.
// These are answered as successful writes: the device took the request, and
// the calibration outcome is what the error word is for.
//  210      1 captures the present signal as the zero; reads back 0 after.
//  212-213  key-in zero in 0.0001 mV, signed; must lie in the input range.
//  214-223  test weight of point k (x 10^d); the register goes on reading
//           the signal recorded for the point, never the weight.
//  224-229  load-cell data and theoretical calibration: refused (bit 6) when
//           theoretical calibration would be on with a sensitivity or
//           capacity of 0.
//  230-231  correction coefficient x 100000: 0 is refused (bit 6).
void SimDevice::applyCalibrationWrite(int address, const QVector<quint16>& before)
{
    using namespace SimReg;
    const int count = before.size();
    bool stepTaken = false;
    quint32 failed = 0;

    if (overlaps(address, count, ZeroCapture, ZeroCapture + 1)) {
        if (read32(ZeroCapture) == 1) {
            failed |= m_cal.captureZero(capture());
            stepTaken = true;
        }
        set32(ZeroCapture, 0);
    }
    if (overlaps(address, count, ZeroSignal, ZeroSignal + 1)) {
        const ScaleConfig config = scaleConfig();
        failed |= m_cal.keyInZero(qint32(read32(ZeroSignal)) / 10000.0, config.inputMinMv, config.inputMaxMv);
        stepTaken = true;
    }
    for (int i = 0; i < Calibrator::PointCount; ++i) {
        const int reg = CalPoint1 + 2 * i;
        if (!overlaps(address, count, reg, reg + 1))
            continue;
        const qint64 weightRaw = qint32(read32(reg));
        failed |= m_cal.recordPoint(i + 1, weightRaw, qint64(read32(FullScale)), decimals(),
            std::max<qint64>(read32(Division), 1), capture());
        stepTaken = true;
    }
    if (overlaps(address, count, LcSensitivity, TheoryCal + 1)) {
        if (read32(TheoryCal) != 0 && (read32(LcSensitivity) == 0 || read32(LcCapacity) == 0)) {
            restore(LcSensitivity, TheoryCal + 1, address, before);
            failed |= CalError::WeightError;
        }
        stepTaken = true;
    }
    if (overlaps(address, count, CorrectCoef, CorrectCoef + 1)) {
        if (read32(CorrectCoef) == 0) {
            restore(CorrectCoef, CorrectCoef + 1, address, before);
            failed |= CalError::WeightError;
        }
        stepTaken = true;
    }

    // Zero and point registers show the calibration, whatever was written.
    if (overlaps(address, count, ZeroCapture, CalPoint1 + 2 * Calibrator::PointCount - 1))
        syncCalibrationRegisters();
    if (stepTaken)
        reportCalibration(failed);
}

void SimDevice::applyWrite(int address, int count)
{
    // A preset tare is taken over as the held tare, as the keypad would do.
    if (overlaps(address, count, SimReg::PresetTare, SimReg::PresetTare + 1)) {
        const qint32 preset = qint32(read32(SimReg::PresetTare));
        if (preset != 0)
            m_scale.setTare(preset / std::pow(10.0, decimals()));
        else
            m_scale.clearTare();
    }
    // Parameters of the scale change the live values at once, not a tick later.
    if (overlaps(address, count, SimReg::BasicFirst, SimReg::CalLast))
        refresh();
}

int SimDevice::decimals() const
{
    return int(std::min<quint32>(read32(SimReg::Decimals), 4));
}

ScaleConfig SimDevice::scaleConfig() const
{
    using namespace SimReg;
    ScaleConfig c;
    c.decimals = decimals();
    c.division = std::max<qint64>(read32(Division), 1);
    c.fullScaleRaw = read32(FullScale);
    // A coefficient of 0 can only come from the console; it would blank the
    // scale, so it counts as no correction.
    const quint32 coef = read32(CorrectCoef);
    c.curve = m_cal.curve(read32(TheoryCal) != 0, read32(LcSensitivity) / 10000.0, double(read32(LcCapacity)),
        coef == 0 ? 1.0 : coef / 100000.0);
    if (!ScaleModel::inputRangeMv(int(read32(InputRange)), &c.inputMinMv, &c.inputMaxMv))
        ScaleModel::inputRangeMv(5, &c.inputMinMv, &c.inputMaxMv);
    c.stabRangeDivisions = int(std::min<quint32>(read32(StabRange), 99));
    c.stabTimeMs = int(std::clamp<quint32>(read32(StabTime), 1, 5000));
    c.sampleWindowMs = int(std::clamp<quint32>(read32(SampleWindow), 100, 60000));
    c.flowPerMinute = read32(FlowRateUnit) == 1;
    return c;
}

void SimDevice::publish(const ScaleReading& r)
{
    using namespace SimReg;
    set32(Weight, quint32(r.weightRaw));
    set16(Status, r.status);
    // The error word travels in the opposite word order of everything else.
    const quint16 errHigh = quint16(m_errorBits >> 16);
    const quint16 errLow = quint16(m_errorBits & 0xFFFF);
    set16(ErrorBits, m_order == WordOrder::HighFirst ? errLow : errHigh);
    set16(ErrorBits + 1, m_order == WordOrder::HighFirst ? errHigh : errLow);
    setFloat(GrossFloat, float(r.gross));
    setFloat(NetFloat, float(r.net));
    setFloat(TareFloat, float(r.tare));
    setFloat(FlowFloat, float(r.flowRate));
    set32(SensorMv, quint32(qint32(std::lround(r.sensorMv * 10000.0))));
    set32(GainMv, quint32(qint32(std::lround(r.gainMv * 10000.0))));
}

void SimDevice::refresh()
{
    publish(m_scale.advance(0.0, scaleConfig()));
}

void SimDevice::update()
{
    double seconds = 0.0;
    if (m_clock.isValid())
        seconds = m_clock.nsecsElapsed() / 1e9;
    m_clock.start();
    publish(m_scale.advance(seconds, scaleConfig()));
}

void SimDevice::start(int periodMs)
{
    m_clock.start();
    m_timer.start(periodMs);
}

void SimDevice::stop()
{
    m_timer.stop();
}

void SimDevice::setLoad(double load, bool atRest)
{
    m_scale.setLoad(load, atRest);
    // Published at once, so a client reading right after the load command
    // sees the platform moving, not the stable reading of before.
    update();
}

void SimDevice::setTare(double tare)
{
    m_scale.setTare(tare);
    refresh();
}

void SimDevice::clearTare()
{
    m_scale.clearTare();
    refresh();
}

void SimDevice::setErrorBits(quint32 bits)
{
    m_errorBits = bits;
    publish(m_scale.reading());
}
