#ifndef R7_LOOPBACKCLIENT_H
#define R7_LOOPBACKCLIENT_H

#include "Modbus/linkstate.h"

#include <QModbusTcpClient>
#include <QTest>
#include <QTimer>

// A Modbus TCP client connected to 127.0.0.1:port without retries, installed
// as the program's client; null when it does not connect.
inline QModbusTcpClient *connectLoopbackClient(quint16 port, int timeoutMs = 1000)
{
    auto *client = new QModbusTcpClient;
    client->setConnectionParameter(QModbusDevice::NetworkAddressParameter, QStringLiteral("127.0.0.1"));
    client->setConnectionParameter(QModbusDevice::NetworkPortParameter, port);
    client->setTimeout(timeoutMs);
    client->setNumberOfRetries(0);
    setModbusClient(client);
    const auto up = [client] { return client->state() == QModbusDevice::ConnectedState; };
    return client->connectDevice() && QTest::qWaitFor(up) ? client : nullptr;
}

// A TCP client whose connection takes connectMs, as over a slow network: its
// socket only starts to connect once that time has passed.
class SlowConnectClient : public QModbusTcpClient
{
public:
    explicit SlowConnectClient(int connectMs) : m_connectMs(connectMs) {}

protected:
    bool open() override
    {
        QTimer::singleShot(m_connectMs, this, [this] {
            if (state() == QModbusDevice::ConnectingState && !QModbusTcpClient::open())
                setState(QModbusDevice::UnconnectedState);
        });
        return true;
    }

private:
    int m_connectMs;
};

#endif // R7_LOOPBACKCLIENT_H
