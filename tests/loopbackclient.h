#ifndef R7_LOOPBACKCLIENT_H
#define R7_LOOPBACKCLIENT_H

#include "Modbus/linkstate.h"

#include <QModbusTcpClient>
#include <QTest>

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

#endif // R7_LOOPBACKCLIENT_H
