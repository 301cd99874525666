#include "ptyserver.h"

#include "requesthandler.h"

#include <QDataStream>
#include <QFile>
#include <QModbusPdu>
#include <QSocketNotifier>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A frame's bytes arrive together on a pty; what stays incomplete this long is noise.
constexpr int StaleFrameMs = 50;

quint16 crc16(const QByteArray& data)
{
    quint16 crc = 0xFFFF;
    for (char byte : data) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

void appendCrc(QByteArray* adu)
{
    const quint16 crc = crc16(*adu);
    adu->append(char(crc & 0xFF)); // low byte first on RTU
    adu->append(char(crc >> 8));
}

int baudOf(speed_t speed)
{
    static const struct {
        speed_t code;
        int baud;
    } rates[] = { { B1200, 1200 }, { B2400, 2400 }, { B4800, 4800 }, { B9600, 9600 }, { B19200, 19200 },
        { B38400, 38400 }, { B57600, 57600 }, { B115200, 115200 }, { B230400, 230400 } };
    for (const auto& rate : rates) {
        if (rate.code == speed)
            return rate.baud;
    }
    return 0;
}

} // namespace

PtyRtuServer::PtyRtuServer(RequestHandler* handler, int unitId, QObject* parent)
    : QObject(parent)
    , m_handler(handler)
    , m_unitId(unitId)
{
    m_stale.setSingleShot(true);
    m_stale.setInterval(StaleFrameMs);
    connect(&m_stale, &QTimer::timeout, this, [this]() { m_buffer.clear(); });
}

PtyRtuServer::~PtyRtuServer()
{
    if (!m_link.isEmpty() && QFile::symLinkTarget(m_link) == m_slaveName)
        QFile::remove(m_link);
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

void PtyRtuServer::setLineTiming(const LineTiming& timing, bool pacing)
{
    m_timing = timing;
    m_pacing = pacing;
}

bool PtyRtuServer::start(const QString& linkPath, const SerialSettings& expected)
{
    m_expected = expected;
    char name[128] = {};
    termios raw {};
    ::cfmakeraw(&raw);
    // Raw from the start: an echoing slave would hand our replies back to us.
    if (::openpty(&m_master, &m_slave, name, &raw, nullptr) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slaveName = QString::fromLocal8Bit(name);
    QFile::remove(linkPath);
    if (!QFile::link(m_slaveName, linkPath)) {
        m_error = QStringLiteral("cannot make the link %1").arg(linkPath);
        return false;
    }
    m_link = linkPath;
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyRtuServer::readMaster);
    return true;
}

bool PtyRtuServer::lineMatches(QString* seen) const
{
    termios line {};
    if (::tcgetattr(m_master, &line) != 0)
        return false;
    const int baud = baudOf(::cfgetospeed(&line));
    const int dataBits = (line.c_cflag & CSIZE) == CS7 ? 7 : (line.c_cflag & CSIZE) == CS8 ? 8 : 0;
    const int stopBits = (line.c_cflag & CSTOPB) ? 2 : 1;
    if (seen)
        *seen = QStringLiteral("%1 baud, %2 data bits, %3 stop bits").arg(baud).arg(dataBits).arg(stopBits);
    return baud == m_expected.baud && dataBits == m_expected.dataBits && stopBits == m_expected.stopBits;
}

void PtyRtuServer::readMaster()
{
    char chunk[512];
    for (;;) {
        const ssize_t n = ::read(m_master, chunk, sizeof chunk);
        if (n <= 0)
            break;
        QString seen;
        // Bytes sent at another speed or frame format are garbage to the device.
        if (!lineMatches(&seen)) {
            m_buffer.clear();
            if (m_verbose)
                std::fprintf(stderr, "r7sim: pty: %d bytes at %s, not the device's: ignored\n", int(n),
                    qPrintable(seen));
            continue;
        }
        m_buffer.append(chunk, int(n));
    }
    takeFrames();
}

void PtyRtuServer::takeFrames()
{
    // address, function, data, CRC (2)
    while (m_buffer.size() >= 4) {
        const QModbusRequest probe(QModbusPdu::FunctionCode(quint8(m_buffer.at(1))), m_buffer.mid(2));
        const int dataSize = QModbusRequest::calculateDataSize(probe);
        if (dataSize < 0) { // unknown function: nothing to frame it by
            m_buffer.clear();
            break;
        }
        const int frameSize = 2 + dataSize + 2;
        if (m_buffer.size() < frameSize) {
            m_stale.start();
            return;
        }
        const QByteArray adu = m_buffer.left(frameSize);
        m_buffer.remove(0, frameSize);
        const QByteArray body = adu.left(frameSize - 2);
        if (crc16(body) != quint16(quint8(adu.at(frameSize - 2)) | quint8(adu.at(frameSize - 1)) << 8)) {
            m_buffer.clear(); // a broken frame: the rest of the burst cannot be trusted
            break;
        }
        const int address = quint8(adu.at(0));
        if (address != 0 && address != m_unitId)
            continue;
        const QModbusRequest request(QModbusPdu::FunctionCode(quint8(adu.at(1))), body.mid(2));
        const RequestHandler::Outcome outcome = m_handler->handle(request, QStringLiteral("pty %1").arg(m_link));
        if (address == 0 || outcome.silent)
            continue;
        QByteArray reply;
        QDataStream out(&reply, QIODevice::WriteOnly);
        out << quint8(m_unitId) << outcome.response; // the function code keeps its exception bit
        appendCrc(&reply);
        qint64 holdNs = qint64(outcome.delayMs) * 1000000;
        if (m_pacing)
            holdNs += m_timing.replyHoldNs(adu.size(), reply.size());
        answer(reply, holdNs);
    }
    if (m_buffer.isEmpty())
        m_stale.stop();
    else
        m_stale.start();
}

void PtyRtuServer::answer(const QByteArray& adu, qint64 holdNs)
{
    const auto write = [this, adu]() {
        if (m_master >= 0 && ::write(m_master, adu.constData(), size_t(adu.size())) != adu.size())
            std::fprintf(stderr, "r7sim: pty: reply not written: %s\n", std::strerror(errno));
    };
    if (holdNs <= 0)
        write();
    else
        QTimer::singleShot(int(std::llround(double(holdNs) / 1e6)), Qt::PreciseTimer, this, write);
}
