#include "Modbus/trafficlog.h"

#include <QDateTime>
#include <QIODevice>
#include <QLoggingCategory>
#include <QModbusClient>
#include <QModbusReply>
#include <QSerialPort>

namespace {

quint16 crc16(const QByteArray &bytes)
{
    quint16 crc = 0xFFFF;
    for (char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

void appendWord(QByteArray *bytes, quint16 word)
{
    bytes->append(char(word >> 8));
    bytes->append(char(word & 0xFF));
}

// The frame as it goes on the line: the unit, the PDU and, on a serial line,
// the CRC low byte first. (Over TCP the MBAP header's transaction id is the
// client's own and not shown.)
QByteArray frame(quint8 unit, const QByteArray &pdu, bool rtu)
{
    QByteArray bytes;
    bytes.reserve(pdu.size() + 3);
    bytes.append(char(unit));
    bytes.append(pdu);
    if (rtu) {
        const quint16 crc = crc16(bytes);
        bytes.append(char(crc & 0xFF));
        bytes.append(char(crc >> 8));
    }
    return bytes;
}

QByteArray hex(const QByteArray &bytes)
{
    return bytes.toHex(' ').toUpper();
}

} // namespace

const char CsvHeader[] = "time,unit,function,register,count,request,reply,round trip ms,outcome\n";

const char *exceptionName(int code)
{
    switch (code) {
    case 0x01: return QT_TRANSLATE_NOOP("TrafficLog", "illegal function");
    case 0x02: return QT_TRANSLATE_NOOP("TrafficLog", "illegal data address");
    case 0x03: return QT_TRANSLATE_NOOP("TrafficLog", "illegal data value");
    case 0x04: return QT_TRANSLATE_NOOP("TrafficLog", "server device failure");
    case 0x05: return QT_TRANSLATE_NOOP("TrafficLog", "acknowledge");
    case 0x06: return QT_TRANSLATE_NOOP("TrafficLog", "server device busy");
    case 0x08: return QT_TRANSLATE_NOOP("TrafficLog", "memory parity error");
    case 0x0A: return QT_TRANSLATE_NOOP("TrafficLog", "gateway path unavailable");
    case 0x0B: return QT_TRANSLATE_NOOP("TrafficLog", "gateway target device failed to respond");
    default: return "";
    }
}

QString TrafficEntry::outcomeText() const
{
    switch (outcome) {
    case TrafficOutcome::Ok:
        return QStringLiteral("OK");
    case TrafficOutcome::Exception: {
        const QString code = QStringLiteral("%1").arg(exception, 2, 16, QLatin1Char('0')).toUpper();
        const QString name = QLatin1String(exceptionName(exception));
        return name.isEmpty() ? QStringLiteral("exception %1").arg(code)
                              : QStringLiteral("exception %1 %2").arg(code, name);
    }
    case TrafficOutcome::Timeout:
        return QStringLiteral("time-out");
    case TrafficOutcome::Garbled:
        return QStringLiteral("CRC/framing error");
    case TrafficOutcome::NoFit:
        return QStringLiteral("reply that does not fit its request");
    case TrafficOutcome::LinkClosed:
        return QStringLiteral("link closed");
    }
    return QString();
}

QByteArray TrafficEntry::csvLine() const
{
    // Every field is plain: digits, hex pairs and outcome words without commas.
    return QDateTime::fromMSecsSinceEpoch(timeMs).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toLatin1()
        + ',' + QByteArray::number(unit) + ',' + QByteArray::number(function, 16).rightJustified(2, '0').toUpper()
        + ',' + QByteArray::number(address) + ',' + QByteArray::number(count) + ',' + hex(request) + ','
        + hex(reply) + ',' + QByteArray::number(roundTripUs / 1000.0, 'f', 1) + ',' + outcomeText().toLatin1()
        + '\n';
}

QString TrafficStatistics::text() const
{
    return QStringLiteral("requests %1, OK %2, exceptions %3, time-outs %4, round trip mean %5 ms, max %6 ms")
        .arg(requests)
        .arg(ok)
        .arg(exceptions)
        .arg(timeouts)
        .arg(meanRoundTripMs(), 0, 'f', 1)
        .arg(maxRoundTripMs(), 0, 'f', 1);
}

TrafficLog *TrafficLog::instance()
{
    static TrafficLog *log = new TrafficLog;
    return log;
}

void TrafficLog::append(const TrafficEntry &entry, const QModbusClient *client)
{
    // A new client is a new link: its statistics start from nothing.
    if (client && client != m_client) {
        m_client = client;
        m_statistics = TrafficStatistics();
    }
    TrafficStatistics &s = m_statistics;
    ++s.requests;
    switch (entry.outcome) {
    case TrafficOutcome::Ok:
        ++s.ok;
        break;
    case TrafficOutcome::Exception:
        ++s.exceptions;
        break;
    case TrafficOutcome::Timeout:
        ++s.timeouts;
        break;
    default:
        break;
    }
    if (entry.outcome != TrafficOutcome::Timeout && entry.outcome != TrafficOutcome::LinkClosed) {
        ++s.answered;
        s.roundTripSumUs += entry.roundTripUs;
        s.roundTripMaxUs = qMax(s.roundTripMaxUs, entry.roundTripUs);
    }

    if (m_ring.size() < Capacity)
        m_ring.append(entry);
    else
        m_ring[int(m_total % Capacity)] = entry;
    ++m_total;
    if (m_sink)
        m_sink->write(entry.csvLine());
}

void TrafficLog::clear()
{
    m_cleared = m_total;
}

void TrafficLog::setSink(QIODevice *sink)
{
    m_sink = sink;
}

TrafficMark::TrafficMark(const Settings &settings, const quint16 *words, bool write)
{
    TrafficEntry &e = m_entry;
    e.unit = quint8(settings.slaveId);
    e.address = settings.address;
    e.count = settings.num;
    // The functions the client picks: one register is written with 0x06.
    e.function = !write ? 0x03 : settings.num == 1 ? 0x06 : 0x10;
    appendWord(&e.request, settings.address);
    if (e.function == 0x06) {
        appendWord(&e.request, words[0]);
    } else {
        appendWord(&e.request, settings.num);
        if (write) {
            e.request.append(char(2 * settings.num));
            for (int i = 0; i < settings.num; ++i)
                appendWord(&e.request, words[i]);
        }
    }
    e.request.prepend(char(e.function));
}

void TrafficMark::sent(QModbusClient *client, QModbusReply *reply)
{
    if (!reply)
        return;
    m_sent = true;
    m_client = client;
    m_reply = reply;
    m_rtu = client && client->findChild<QSerialPort *>();
    m_entry.timeMs = QDateTime::currentMSecsSinceEpoch();
    m_clock.start();
}

ResultCode TrafficMark::end(ResultCode result)
{
    if (!m_sent)
        return result;
    TrafficEntry &e = m_entry;
    e.roundTripUs = qint32(qMin<qint64>(m_clock.nsecsElapsed() / 1000, INT_MAX));
    e.request = frame(e.unit, e.request, m_rtu);
    // The reply is deleted later, never inside the register layer's return path.
    const bool finished = m_reply && m_reply->isFinished();
    const QModbusDevice::Error error = finished ? m_reply->error() : QModbusDevice::NoError;
    if (result == ResultOk) {
        e.outcome = TrafficOutcome::Ok;
    } else if (result == ResultTimeout) {
        e.outcome = TrafficOutcome::Timeout;
    } else if (!finished || result == ResultNoLink) {
        e.outcome = TrafficOutcome::LinkClosed;
    } else if (error == QModbusDevice::ProtocolError) {
        e.outcome = TrafficOutcome::Exception;
        const QByteArray data = m_reply->rawResult().data();
        e.exception = data.size() == 1 ? quint8(data.at(0)) : 0;
        // (The response's function code is not asked for: it holds the
        // exception bit, which is no value of its enum.)
        e.reply = frame(e.unit, QByteArray(1, char(e.function | 0x80)) + data, m_rtu);
    } else if (error == QModbusDevice::NoError) {
        e.outcome = TrafficOutcome::NoFit;
    } else if (error == QModbusDevice::ReplyAbortedError || error == QModbusDevice::ConnectionError) {
        e.outcome = TrafficOutcome::LinkClosed;
    } else {
        e.outcome = TrafficOutcome::Garbled;
    }
    if (finished && error == QModbusDevice::NoError) {
        const QModbusResponse raw = m_reply->rawResult();
        e.reply = frame(e.unit, QByteArray(1, char(raw.functionCode())) + raw.data(), m_rtu);
    }
    TrafficLog::instance()->append(e, m_client);
    return result;
}

TrafficCsvFile::~TrafficCsvFile()
{
    if (m_file.isOpen())
        TrafficLog::instance()->setSink(nullptr);
}

QString TrafficCsvFile::open(const QString &path)
{
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate) || m_file.write(CsvHeader) < 0)
        return QStringLiteral("%1 cannot be written: %2").arg(path, m_file.errorString());
    TrafficLog::instance()->setSink(&m_file);
    return QString();
}

bool setupModbusTraces(bool verbose)
{
    const bool on = verbose || qEnvironmentVariableIntValue("R7CONFIG_MODBUS_TRACE") == 1;
    QLoggingCategory::setFilterRules(on ? QStringLiteral("qt.modbus* = true") : QStringLiteral("qt.modbus*.debug = false"));
    return on;
}
