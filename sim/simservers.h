#ifndef R7SIM_SIMSERVERS_H
#define R7SIM_SIMSERVERS_H

#include "linetiming.h"

#include <QHash>
#include <QHostAddress>
#include <QModbusTcpServer>
#include <QPointer>
#include <QSerialPort>

// The RTU server class under the name of the Qt version built against.
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QModbusRtuSerialServer>
using RtuSerialServer = QModbusRtuSerialServer;
#else
#include <QModbusRtuSerialSlave>
using RtuSerialServer = QModbusRtuSerialSlave;
#endif

class RequestHandler;
class QTcpSocket;

// Modbus TCP front of the simulator.
//
// QModbusTcpServer answers every request at once with whatever processRequest
// returns; even an invalid response goes out, as a malformed frame. A reply
// that must wait or never come therefore cannot go through it. This server
// keeps Qt's listening and connection handling, but takes the bytes of each
// client (its readyRead slot is connected before Qt's, from the connection
// observer) and does the MBAP framing itself.
class SimTcpServer : public QModbusTcpServer {
    Q_OBJECT

public:
    explicit SimTcpServer(RequestHandler* handler, QObject* parent = nullptr);
    ~SimTcpServer() override;

    bool listen(const QHostAddress& address, quint16 port);
    QHostAddress listenAddress() const;
    quint16 listenPort() const;

    int connectionCount() const;
    // Aborts every client connection; the server keeps listening.
    int dropConnections();

protected:
    QModbusResponse processRequest(const QModbusPdu& request) override;

private:
    class ConnectionHook;

    void adopt(QTcpSocket* socket);
    void readFrames(QTcpSocket* socket);

    RequestHandler* m_handler;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

struct SerialSettings {
    QString portName;
    int baud = 9600;
    int dataBits = 8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    int stopBits = 1;
};

// Modbus RTU front of the simulator on a serial device (a pty in tests).
//
// The RTU server sends nothing when processRequest returns an invalid
// response, which gives "no reply" for free. A reply that must wait (a delay
// fault, or line timing) is also returned as invalid to Qt, framed here and
// written to the slave's own serial port when its time has come.
class SimRtuServer : public RtuSerialServer {
    Q_OBJECT

public:
    explicit SimRtuServer(RequestHandler* handler, QObject* parent = nullptr);

    // With pacing on, each reply is held for the time the exchange would take
    // on a line with these settings.
    void setLineTiming(const LineTiming& timing, bool pacing);
    bool start(const SerialSettings& settings);

protected:
    QModbusResponse processRequest(const QModbusPdu& request) override;

private:
    void sendLater(const QModbusResponse& response, qint64 holdNs);

    RequestHandler* m_handler;
    LineTiming m_timing;
    bool m_pacing = false;
    QString m_portName;
    QPointer<QSerialPort> m_port;
};

#endif // R7SIM_SIMSERVERS_H
