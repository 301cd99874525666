#include "Modbus/linkopener.h"

#include "Modbus/linkstate.h"
#include "Modbus/registeraccess.h"
#include "Modbus/rtuclient.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QModbusClient>
#include <QSerialPort>
#include <QPointer>
#include <QTimer>
#include <QVariant>

namespace {

// Waits while the client is connecting, at most boundMs. An address that drops
// the packets would otherwise keep it connecting for a minute.
void waitWhileConnecting(const QPointer<QModbusClient> &client, int boundMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (client && client->state() == QModbusDevice::ConnectingState && !g_linkClosing) {
        const qint64 remaining = boundMs - elapsed.elapsed();
        if (remaining <= 0)
            return;
        QEventLoop loop;
        bool woken = false;
        const auto wake = [&loop, &woken] {
            woken = true;
            loop.quit();
        };
        QObject::connect(client.data(), &QModbusDevice::stateChanged, &loop, wake);
        QObject::connect(client.data(), &QObject::destroyed, &loop, wake);
        QObject::connect(LinkNotifier::instance(), &LinkNotifier::linkClosingRaised, &loop, wake);
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, wake);
        timer.start(int(remaining));
        loop.exec();
        // The application is quitting: its nested loops no longer wait.
        if (!woken)
            return;
    }
}

// The longest exchange on a serial line: a read request of 8 bytes and a reply
// of 255 (125 registers); a write of 123 registers is as long the other way.
constexpr int LongestExchangeBytes = 8 + 255;

// The serial client starts its time-out when the request has been handed to
// the port, so the time-out also has to cover the frames on the wire. The time
// of the longest exchange at the line's speed is added to the link's time-out,
// which then means how long the device may take to answer at any baud rate (a
// block of 120 registers alone takes 0.56 s at 4800 baud, 8E1).
int serialLineMs(const QModbusClient *client)
{
    if (!qobject_cast<const RtuSerialClient *>(client))
        return 0;
    const int baud = client->connectionParameter(QModbusDevice::SerialBaudRateParameter).toInt();
    if (baud <= 0)
        return 0;
    const int parity = client->connectionParameter(QModbusDevice::SerialParityParameter).toInt();
    const int bitsPerCharacter = 1 + client->connectionParameter(QModbusDevice::SerialDataBitsParameter).toInt()
        + (parity == QSerialPort::NoParity ? 0 : 1)
        + client->connectionParameter(QModbusDevice::SerialStopBitsParameter).toInt();
    return int((qint64(LongestExchangeBytes) * bitsPerCharacter * 1000 + baud - 1) / baud);
}

QString clientError(const QModbusClient *client, const QString &otherwise)
{
    return client && client->error() != QModbusDevice::NoError ? client->errorString() : otherwise;
}

} // namespace

LinkProof openAndProveLink(QModbusClient *client, int timeoutMs, int unitId)
{
    LinkProof proof;
    if (!client) {
        proof.detail = QStringLiteral("no client");
        return proof;
    }
    client->setTimeout(timeoutMs + serialLineMs(client));
    QPointer<QModbusClient> guarded(client);
    if (!client->connectDevice()) {
        proof.detail = clientError(client, QStringLiteral("the link could not be opened"));
        return proof;
    }
    waitWhileConnecting(guarded, timeoutMs);
    if (!guarded || guarded->state() != QModbusDevice::ConnectedState) {
        proof.detail = clientError(guarded, QStringLiteral("no connection within %1 ms").arg(timeoutMs));
        return proof;
    }

    Settings probe;
    probe.slaveId = unitId;
    probe.address = 0;
    probe.num = 2;
    quint16 words[2] = {0, 0};
    switch (readRegisters(guarded, probe, words)) {
    case ResultOk:
        proof.step = LinkStep::Proven;
        break;
    case ResultTimeout:
        proof.step = LinkStep::NoAnswer;
        proof.detail = QStringLiteral("no answer from the device");
        break;
    case ResultDeviceError:
        proof.step = LinkStep::Exception;
        proof.detail = QStringLiteral("the device refused the test read");
        break;
    case ResultNoLink:
        proof.detail = clientError(guarded, QStringLiteral("the link went down during the test read"));
        break;
    }
    return proof;
}
