#include "Modbus/linkopener.h"

#include "Modbus/linkstate.h"
#include "Modbus/registeraccess.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QModbusClient>
#include <QPointer>
#include <QTimer>

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
    client->setTimeout(timeoutMs);
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
