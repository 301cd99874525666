#include "Modbus/devicescan.h"

#include "Modbus/devicelink.h"
#include "Modbus/rtuclient.h"

#include <QModbusDataUnit>
#include <QModbusReply>
#include <QModbusTcpClient>
#include <QSerialPort>
#include <QTimer>
#include <QUrl>
#include <QVariant>

namespace {

const int Bauds[] = {4800, 9600, 19200, 38400, 57600, 115200};
const int Parities[] = {QSerialPort::NoParity, QSerialPort::EvenParity, QSerialPort::OddParity};

// The test read of the link opener and its reply, in bytes on the wire:
// address, function, first register, count, CRC; address, function, byte
// count, two registers, CRC.
constexpr int RequestBytes = 8;
constexpr int ReplyBytes = 9;
// What a device may take to turn round and answer.
constexpr int TurnaroundMs = 50;
// A TCP device is asked several units at a time (the transaction ids tell the
// replies apart); each probe gets a LAN round trip and the device's turnaround.
constexpr int TcpWindow = 16;
constexpr int TcpProbeMs = 300;
constexpr int TcpConnectMs = 3000;
// A serial request that never leaves the port (a dead adapter) is given up
// this long after its time-out.
constexpr int BoundMarginMs = 1000;

} // namespace

QString ScanHit::format() const
{
    const char letter = line.parity == QSerialPort::EvenParity ? 'E' : line.parity == QSerialPort::OddParity ? 'O' : 'N';
    return QStringLiteral("%1%2%3").arg(dataBits).arg(QLatin1Char(letter)).arg(stopBits);
}

QString ScanHit::text() const
{
    QString text = QStringLiteral("unit %1").arg(unit);
    if (line.baud > 0)
        text += QStringLiteral(", %1 baud, %2").arg(line.baud).arg(format());
    if (exception != 0)
        text += QStringLiteral(" (answers the test read with exception %1)").arg(exception);
    return text;
}

DeviceScan::DeviceScan(const ScanTarget &target, QObject *parent)
    : QObject(parent)
    , m_target(target)
    , m_lines(orderedLines(target))
    , m_probes(order(target))
{
    for (const ScanLine &line : m_lines)
        m_probeMs.append(probeTimeoutMs(target, line));
}

DeviceScan::~DeviceScan()
{
    if (m_client) {
        m_client->disconnectDevice();
        delete m_client;
    }
}

QVector<ScanLine> DeviceScan::supportedLines()
{
    QVector<ScanLine> lines;
    for (int baud : Bauds) {
        for (int parity : Parities)
            lines.append({baud, parity});
    }
    return lines;
}

QVector<ScanLine> DeviceScan::orderedLines(const ScanTarget &target)
{
    if (target.tcp)
        return {ScanLine()};
    QVector<ScanLine> lines = target.lines.isEmpty() ? supportedLines() : target.lines;
    const int present = lines.indexOf(target.present);
    if (present > 0)
        lines.move(present, 0);
    return lines;
}

QVector<ScanProbe> DeviceScan::order(const ScanTarget &target)
{
    const QVector<ScanLine> lines = orderedLines(target);
    QVector<int> units;
    for (int unit = target.firstUnit; unit <= target.lastUnit; ++unit)
        units.append(unit);
    if (target.tcp && target.withUnit255 && !units.contains(255))
        units.append(255);

    QVector<ScanProbe> probes;
    QSet<int> taken;
    const auto add = [&](int line, int unit) {
        if (units.contains(unit) && !taken.contains(line * 256 + unit)) {
            taken.insert(line * 256 + unit);
            probes.append({line, unit});
        }
    };
    if (lines.indexOf(target.present) == 0 || target.tcp)
        add(0, target.presentUnit);
    for (int line = 0; line < lines.size(); ++line) {
        add(line, 1);
        add(line, 247);
    }
    for (int line = 0; line < lines.size(); ++line) {
        for (int unit : units)
            add(line, unit);
    }
    return probes;
}

int DeviceScan::probeTimeoutMs(const ScanTarget &target, const ScanLine &line)
{
    if (target.tcp || line.baud <= 0)
        return TcpProbeMs;
    const int bits = 1 + target.dataBits + (line.parity == QSerialPort::NoParity ? 0 : 1) + target.stopBits;
    return int((qint64(RequestBytes + ReplyBytes) * bits * 1000 + line.baud - 1) / line.baud) + TurnaroundMs;
}

void DeviceScan::start()
{
    if (m_running)
        return;
    // The scan has the line to itself: polling pauses meanwhile, and a
    // transfer under way keeps the link.
    if (!DeviceLink::instance().take(LinkUser::Scan)) {
        emit finished(false, QStringLiteral("the link is in use by a transfer"));
        return;
    }
    m_running = true;
    m_clock.start();
    m_next = m_done = 0;
    m_hits.clear();
    m_leftNominalMs = m_doneNominalMs = 0;
    for (const ScanProbe &probe : m_probes)
        m_leftNominalMs += m_probeMs.at(probe.line) / (m_target.tcp ? TcpWindow : 1);
    if (!m_target.tcp) {
        next();
        return;
    }

    auto *client = new QModbusTcpClient(this);
    m_client = client;
    const QUrl url = QUrl::fromUserInput(m_target.host + QLatin1Char(':') + QString::number(m_target.port));
    client->setConnectionParameter(QModbusDevice::NetworkAddressParameter,
                                   m_target.host.startsWith(QLatin1Char('[')) ? m_target.host : url.host());
    client->setConnectionParameter(QModbusDevice::NetworkPortParameter, m_target.port);
    client->setTimeout(TcpProbeMs);
    client->setNumberOfRetries(0);
    const QString where = QStringLiteral("%1:%2").arg(m_target.host).arg(m_target.port);
    const auto failed = [this, where] {
        if (m_running && m_openLine < 0)
            finish(false, QStringLiteral("no connection to %1").arg(where));
    };
    connect(client, &QModbusDevice::stateChanged, this, [this, failed](QModbusDevice::State state) {
        if (!m_running || m_openLine >= 0)
            return;
        if (state == QModbusDevice::ConnectedState) {
            m_openLine = 0;
            next();
        } else if (state == QModbusDevice::UnconnectedState) {
            failed();
        }
    });
    QTimer::singleShot(TcpConnectMs, this, failed);
    if (!client->connectDevice())
        failed();
}

void DeviceScan::stop()
{
    if (m_running)
        finish(true, QString());
}

bool DeviceScan::openLine(int line)
{
    if (m_deadLines.contains(line))
        return false;
    if (m_openLine == line)
        return true;
    if (m_client) {
        m_client->disconnectDevice();
        delete m_client;
    }
    auto *client = new RtuSerialClient(this);
    m_client = client;
    const ScanLine &setting = m_lines.at(line);
    client->setConnectionParameter(QModbusDevice::SerialPortNameParameter, m_target.device);
    client->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, setting.baud);
    client->setConnectionParameter(QModbusDevice::SerialParityParameter, setting.parity);
    client->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, m_target.dataBits);
    client->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, m_target.stopBits);
    client->setTimeout(m_probeMs.at(line));
    client->setNumberOfRetries(0);
    if (!client->connectDevice() || client->state() != QModbusDevice::ConnectedState) {
        m_openProblem = QStringLiteral("%1 does not open at %2 baud, %3: %4")
                            .arg(m_target.device)
                            .arg(setting.baud)
                            .arg(ScanHit{0, setting, m_target.dataBits, m_target.stopBits, 0}.format(),
                                 client->errorString());
        m_deadLines.insert(line);
        m_openLine = -1;
        return false;
    }
    m_openLine = line;
    return true;
}

void DeviceScan::next()
{
    const int window = m_target.tcp ? TcpWindow : 1;
    while (m_running && m_pending.size() < window && m_next < m_probes.size()) {
        const int index = m_next++;
        if (!m_target.tcp && !openLine(m_probes.at(index).line)) {
            ++m_done; // nothing can be asked at a setting the port refuses
            continue;
        }
        sendProbe(index);
    }
    if (m_running && m_pending.isEmpty() && m_next >= m_probes.size()) {
        const bool noneOpened = !m_target.tcp && m_deadLines.size() == m_lines.size();
        finish(false, noneOpened ? m_openProblem : QString());
    }
}

void DeviceScan::sendProbe(int index)
{
    const ScanProbe &probe = m_probes.at(index);
    QModbusReply *reply = m_client ? m_client->sendReadRequest(
                                         QModbusDataUnit(QModbusDataUnit::HoldingRegisters, 0, 2), probe.unit)
                                   : nullptr;
    if (!reply) {
        finish(false, m_client ? m_client->errorString() : QStringLiteral("the link went down"));
        return;
    }
    m_pending.append(reply);
    if (reply->isFinished()) {
        QTimer::singleShot(0, this, [this, index, reply] { probeEnded(index, reply); });
        return;
    }
    connect(reply, &QModbusReply::finished, this, [this, index, reply] { probeEnded(index, reply); });
    QPointer<QModbusReply> guarded(reply);
    QTimer::singleShot(m_probeMs.at(probe.line) + BoundMarginMs, this, [this, index, guarded] {
        if (guarded && m_pending.contains(guarded))
            probeEnded(index, guarded);
    });
}

void DeviceScan::probeEnded(int index, QModbusReply *reply)
{
    if (!m_running || !m_pending.contains(reply))
        return;
    m_pending.removeAll(reply);
    reply->disconnect(this);
    const ScanProbe &probe = m_probes.at(index);
    ScanHit hit{probe.unit, m_lines.at(probe.line), m_target.dataBits, m_target.stopBits, 0};
    bool answered = false;
    if (reply->isFinished() && reply->error() == QModbusDevice::ProtocolError) {
        // An exception reply's one data byte is its code.
        const QByteArray data = reply->rawResult().data();
        hit.exception = data.size() == 1 ? quint8(data.at(0)) : 0;
        answered = hit.exception != 0;
    } else if (reply->isFinished() && reply->error() == QModbusDevice::NoError) {
        const QModbusResponse raw = reply->rawResult();
        answered = raw.functionCode() == QModbusPdu::ReadHoldingRegisters && raw.data().size() == 5
                   && quint8(raw.data().at(0)) == 4;
    }
    reply->deleteLater();

    ++m_done;
    const qint64 nominal = m_probeMs.at(probe.line) / (m_target.tcp ? TcpWindow : 1);
    m_doneNominalMs += nominal;
    m_leftNominalMs -= nominal;
    if (answered) {
        m_hits.append(hit);
        emit found(hit);
    }
    if (!m_running)
        return;
    emit progress(m_done, m_probes.size(), msLeft(), hit);
    if (answered && m_stopAtFirst) {
        finish(true, QString());
        return;
    }
    next();
}

qint64 DeviceScan::msLeft() const
{
    if (m_doneNominalMs <= 0)
        return m_leftNominalMs;
    return qMax<qint64>(0, m_leftNominalMs * m_clock.elapsed() / m_doneNominalMs);
}

void DeviceScan::finish(bool stopped, const QString &problem)
{
    if (!m_running)
        return;
    m_running = false;
    for (const QPointer<QModbusReply> &reply : qAsConst(m_pending)) {
        if (reply) {
            reply->disconnect(this);
            reply->deleteLater();
        }
    }
    m_pending.clear();
    if (m_client) {
        m_client->disconnect(this);
        m_client->disconnectDevice();
        m_client->deleteLater();
        m_client = nullptr;
    }
    m_openLine = -1;
    DeviceLink::instance().giveBack(LinkUser::Scan);
    emit finished(stopped, problem);
}
