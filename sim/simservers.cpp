#include "simservers.h"

#include "requesthandler.h"

#include <QDataStream>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>

#include <cmath>
#include <cstdio>

namespace {

constexpr int MbapHeaderSize = 7; // transaction, protocol, length, unit
// The MBAP length counts the unit id and the PDU: 1 + 1..253.
constexpr int MinMbapLength = 2;
constexpr int MaxMbapLength = 254;

// Timers count whole milliseconds; the nearest one keeps the error unbiased.
int holdMs(qint64 ns)
{
    return int(std::llround(double(ns) / 1e6));
}

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

} // namespace

// Hands each accepted socket to the server before QModbusTcpServer connects its
// own slots to it.
class SimTcpServer::ConnectionHook : public QModbusTcpConnectionObserver {
public:
    explicit ConnectionHook(SimTcpServer* server)
        : m_server(server)
    {
    }

    bool acceptNewConnection(QTcpSocket* client) override
    {
        m_server->adopt(client);
        return true;
    }

private:
    SimTcpServer* m_server;
};

SimTcpServer::SimTcpServer(RequestHandler* handler, QObject* parent)
    : QModbusTcpServer(parent)
    , m_handler(handler)
{
    installConnectionObserver(new ConnectionHook(this));
}

SimTcpServer::~SimTcpServer()
{
    // Close while the buffers still exist: closing may run socket slots.
    disconnectDevice();
}

bool SimTcpServer::listen(const QHostAddress& address, quint16 port)
{
    // QModbusTcpServer joins address and port into a URL, where an IPv6
    // address only survives in brackets.
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
        ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
        : address.toString();
    setConnectionParameter(QModbusDevice::NetworkAddressParameter, host);
    setConnectionParameter(QModbusDevice::NetworkPortParameter, port);
    return connectDevice() && state() == QModbusDevice::ConnectedState;
}

// QModbusTcpServer does not tell which port it bound (port 0 picks one); its
// listening socket is its only QTcpServer child.
QHostAddress SimTcpServer::listenAddress() const
{
    const auto* server = findChild<QTcpServer*>(QString(), Qt::FindDirectChildrenOnly);
    return server ? server->serverAddress() : QHostAddress();
}

quint16 SimTcpServer::listenPort() const
{
    const auto* server = findChild<QTcpServer*>(QString(), Qt::FindDirectChildrenOnly);
    return server ? server->serverPort() : 0;
}

int SimTcpServer::connectionCount() const
{
    int count = 0;
    for (auto it = m_buffers.cbegin(); it != m_buffers.cend(); ++it) {
        if (it.key()->state() == QAbstractSocket::ConnectedState)
            ++count;
    }
    return count;
}

int SimTcpServer::dropConnections()
{
    int dropped = 0;
    const QList<QTcpSocket*> sockets = m_buffers.keys();
    for (QTcpSocket* socket : sockets) {
        if (socket->state() == QAbstractSocket::UnconnectedState)
            continue;
        // abort() resets the connection at once, like a device that reboots;
        // QModbusTcpServer then forgets and deletes the socket.
        socket->abort();
        ++dropped;
    }
    return dropped;
}

void SimTcpServer::adopt(QTcpSocket* socket)
{
    m_buffers.insert(socket, QByteArray());
    connect(socket, &QTcpSocket::readyRead, this, [this, socket]() { readFrames(socket); });
    connect(socket, &QObject::destroyed, this, [this, socket]() { m_buffers.remove(socket); });
}

void SimTcpServer::readFrames(QTcpSocket* socket)
{
    auto it = m_buffers.find(socket);
    if (it == m_buffers.end())
        return;
    QByteArray& buffer = it.value();
    buffer += socket->readAll();

    const QString origin
        = QStringLiteral("tcp %1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());

    while (buffer.size() >= MbapHeaderSize) {
        const quint16 transactionId = qFromBigEndian<quint16>(buffer.constData());
        const quint16 protocolId = qFromBigEndian<quint16>(buffer.constData() + 2);
        const quint16 length = qFromBigEndian<quint16>(buffer.constData() + 4);
        const quint8 unitId = quint8(buffer.at(6));

        // A length outside the protocol's bounds means the stream is garbage
        // and cannot be resynchronised; a device would hang up.
        if (length < MinMbapLength || length > MaxMbapLength) {
            std::fprintf(
                stderr, "r7sim: %s sent a frame of length %d, closing\n", qPrintable(origin), int(length));
            socket->abort();
            return;
        }
        if (buffer.size() < 6 + length)
            return; // wait for the rest of the frame

        const QByteArray pdu = buffer.mid(MbapHeaderSize, length - 1);
        buffer.remove(0, 6 + length);

        // Like QModbusTcpServer: frames of another protocol or unit are ignored,
        // so the client times out.
        if (protocolId != 0 || unitId != serverAddress())
            continue;

        const QModbusRequest request(QModbusPdu::FunctionCode(quint8(pdu.at(0))), pdu.mid(1));
        const RequestHandler::Outcome outcome = m_handler->handle(request, origin);
        if (outcome.silent)
            continue;

        QByteArray adu;
        QDataStream out(&adu, QIODevice::WriteOnly);
        out << transactionId << protocolId << quint16(outcome.response.size() + 1) << unitId
            << outcome.response;

        if (outcome.delayMs <= 0) {
            socket->write(adu);
        } else {
            // The socket is the timer's context: a connection dropped in the
            // meantime takes its pending replies with it.
            QTimer::singleShot(outcome.delayMs, socket, [socket, adu]() {
                if (socket->state() == QAbstractSocket::ConnectedState)
                    socket->write(adu);
            });
        }
    }
}

QModbusResponse SimTcpServer::processRequest(const QModbusPdu& request)
{
    // readFrames takes every byte before QModbusTcpServer sees it; if a request
    // ever reaches Qt's own framing anyway, it gets the same answer.
    return m_handler->handle(QModbusRequest(request), QStringLiteral("tcp")).response;
}

SimRtuServer::SimRtuServer(RequestHandler* handler, QObject* parent)
    : RtuSerialServer(parent)
    , m_handler(handler)
{
    // The slave creates its serial port as its child when constructed.
    m_port = findChild<QSerialPort*>(QString(), Qt::FindDirectChildrenOnly);
}

void SimRtuServer::setLineTiming(const LineTiming& timing, bool pacing)
{
    m_timing = timing;
    m_pacing = pacing;
}

bool SimRtuServer::start(const SerialSettings& settings)
{
    m_portName = settings.portName;
    setConnectionParameter(QModbusDevice::SerialPortNameParameter, settings.portName);
    setConnectionParameter(QModbusDevice::SerialBaudRateParameter, settings.baud);
    setConnectionParameter(QModbusDevice::SerialDataBitsParameter, settings.dataBits);
    setConnectionParameter(QModbusDevice::SerialParityParameter, settings.parity);
    setConnectionParameter(QModbusDevice::SerialStopBitsParameter, settings.stopBits);
    return connectDevice() && state() == QModbusDevice::ConnectedState;
}

QModbusResponse SimRtuServer::processRequest(const QModbusPdu& request)
{
    const RequestHandler::Outcome outcome
        = m_handler->handle(QModbusRequest(request), QStringLiteral("rtu %1").arg(m_portName));

    // Broadcasts are carried out but never answered; Qt drops the response.
    if (processesBroadcast())
        return outcome.response;
    if (outcome.silent)
        return QModbusResponse();

    qint64 holdNs = qint64(outcome.delayMs) * 1000000;
    if (m_pacing) {
        // address + PDU + CRC on each side
        const int requestBytes = 1 + request.size() + 2;
        const int replyBytes = 1 + outcome.response.size() + 2;
        holdNs += m_timing.replyHoldNs(requestBytes, replyBytes);
    }
    if (holdNs <= 0 || !m_port)
        return outcome.response;

    sendLater(outcome.response, holdNs);
    return QModbusResponse();
}

void SimRtuServer::sendLater(const QModbusResponse& response, qint64 holdNs)
{
    QByteArray adu;
    QDataStream out(&adu, QIODevice::WriteOnly);
    out << quint8(serverAddress()) << response;
    const quint16 crc = crc16(adu);
    adu.append(char(crc & 0xFF)); // the RTU CRC goes low byte first
    adu.append(char(crc >> 8));

    QPointer<QSerialPort> port = m_port;
    QTimer::singleShot(holdMs(holdNs), Qt::PreciseTimer, port.data(), [port, adu]() {
        if (port && port->isOpen())
            port->write(adu);
    });
}
