#include "Modbus/registeraccess.h"

#include "Modbus/linkstate.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QModbusClient>
#include <QModbusDataUnit>
#include <QModbusReply>
#include <QPointer>
#include <QTimer>

Settings::Settings()
    : slaveId(g_slaveId)
    , dwordFormat(g_dwordFormat)
{
}

namespace {

enum class WaitOutcome { Finished, LinkLost, LinkClosing, BoundPassed };

// A plain assignment to g_linkClosing wakes nobody; this slice bounds how late
// such a change is noticed without turning the wait into a spin.
constexpr int ClosingRecheckMs = 100;

// A read normally ends by the client's own time-out. The serial client only
// starts that timer once the request has left the port, so on a dead line
// (adapter pulled, pty closed) it would never end: bound it ourselves.
constexpr int ReadBoundMarginMs = 1000;

int readBoundMs(const QModbusClient *client)
{
    return client->timeout() * (qMax(0, client->numberOfRetries()) + 1) + ReadBoundMarginMs;
}

// Runs the event loop until something a request waits for happens. The client
// and the reply are held in QPointers because slots run inside the wait may
// destroy the client (Disconnect, window close), and the reply with it.
WaitOutcome waitForReply(const QPointer<QModbusClient> &client, const QPointer<QModbusReply> &reply,
                         int boundMs, bool honourClosing)
{
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        if (!reply)
            return WaitOutcome::LinkLost;
        if (reply->isFinished())
            return WaitOutcome::Finished;
        if (!client || client->state() != QModbusDevice::ConnectedState)
            return WaitOutcome::LinkLost;
        if (honourClosing && g_linkClosing)
            return WaitOutcome::LinkClosing;
        qint64 slice = ClosingRecheckMs;
        if (boundMs >= 0) {
            const qint64 remaining = boundMs - elapsed.elapsed();
            if (remaining <= 0)
                return WaitOutcome::BoundPassed;
            slice = qMin(slice, remaining);
        }

        // Every wake-up goes through this flag: a loop that ends without it
        // was told to exit by the application, which is shutting down. Its
        // nested loops then return at once, so waiting on would spin.
        QEventLoop loop;
        bool woken = false;
        const auto wake = [&loop, &woken] {
            woken = true;
            loop.quit();
        };
        QObject::connect(reply.data(), &QModbusReply::finished, &loop, wake);
        QObject::connect(reply.data(), &QObject::destroyed, &loop, wake);
        QObject::connect(client.data(), &QModbusDevice::stateChanged, &loop, wake);
        QObject::connect(client.data(), &QObject::destroyed, &loop, wake);
        if (honourClosing)
            QObject::connect(LinkNotifier::instance(), &LinkNotifier::linkClosingRaised, &loop, wake);
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, wake);
        timer.start(int(slice));
        loop.exec();
        if (!woken)
            return WaitOutcome::LinkLost;
    }
}

int s_lastException = 0;

// Keeps the code of an exception reply for lastExceptionCode().
void noteException(const QModbusReply *reply)
{
    // A protocol error is an exception reply, whose one data byte is the code.
    // (QModbusPdu::isException() loads the function code with its exception
    // bit set as the enum, which the sanitizer rejects.)
    const QByteArray data = reply->rawResult().data();
    s_lastException = data.size() == 1 ? quint8(data.at(0)) : 0;
}

void releaseReply(const QPointer<QModbusReply> &reply)
{
    if (reply)
        reply->deleteLater();
}

} // namespace

ResultCode readRegisters(QModbusClient *client, const Settings &settings, quint16 *buffer)
{
    s_lastException = 0;
    if (!client)
        return ResultNoLink;

    const QModbusDataUnit request(QModbusDataUnit::HoldingRegisters, settings.address, settings.num);
    QPointer<QModbusClient> guardedClient(client);
    QPointer<QModbusReply> reply(client->sendReadRequest(request, settings.slaveId));
    if (!reply)
        return ResultNoLink;

    const WaitOutcome outcome = waitForReply(guardedClient, reply, readBoundMs(client), true);
    if (outcome == WaitOutcome::BoundPassed) {
        qDebug() << "Timeout";
        releaseReply(reply);
        return ResultTimeout;
    }
    if (outcome != WaitOutcome::Finished) {
        releaseReply(reply);
        return ResultNoLink;
    }

    ResultCode result = ResultDeviceError;
    switch (reply->error()) {
    case QModbusDevice::NoError: {
        const QModbusDataUnit unit = reply->result();
        const int received = int(unit.valueCount());
        for (int i = 0; i < settings.num; ++i)
            buffer[i] = i < received ? unit.value(i) : 0;
        result = ResultOk;
        break;
    }
    case QModbusDevice::TimeoutError:
        qDebug() << "Timeout";
        result = ResultTimeout;
        break;
    case QModbusDevice::ProtocolError:
        noteException(reply);
        qDebug() << "Read exception" << settings.address << reply->errorString();
        result = ResultDeviceError;
        break;
    default:
        qDebug() << "Read failed" << settings.address << reply->errorString();
        result = ResultDeviceError;
        break;
    }
    releaseReply(reply);
    return result;
}

ResultCode writeRegisters(QModbusClient *client, const Settings &settings, const quint16 *buffer)
{
    s_lastException = 0;
    if (!client)
        return ResultNoLink;

    QModbusDataUnit request(QModbusDataUnit::HoldingRegisters, settings.address, settings.num);
    for (int i = 0; i < settings.num; ++i)
        request.setValue(i, buffer[i]);

    qDebug() << "This is Send address =" << settings.address << "num =" << settings.num;

    QPointer<QModbusClient> guardedClient(client);
    QPointer<QModbusReply> reply(client->sendWriteRequest(request, settings.slaveId));
    if (!reply)
        return ResultNoLink;

    // Writes are bounded by the request's responseTime rather than by the
    // client's time-out. The pages write with fresh requests, so an edit
    // waits at most 1000 ms whatever the Delay field says.
    const WaitOutcome outcome = waitForReply(guardedClient, reply, qMax(0, settings.responseTime), false);
    if (outcome == WaitOutcome::BoundPassed) {
        releaseReply(reply);
        return ResultTimeout;
    }
    if (outcome != WaitOutcome::Finished) {
        releaseReply(reply);
        return ResultNoLink;
    }

    ResultCode result = ResultOk;
    if (reply->error() == QModbusDevice::ProtocolError) {
        noteException(reply);
        qDebug() << "e_ModbusResponseError1";
        result = ResultDeviceError;
    } else if (reply->error() == QModbusDevice::TimeoutError) {
        // The client's own time-out ran out before the bound: no answer
        // either, which a caller must be able to tell from a refusal.
        qDebug() << "Timeout";
        result = ResultTimeout;
    } else if (reply->error() != QModbusDevice::NoError) {
        qDebug() << "e_ModbusResponseError2";
        result = ResultDeviceError;
    }
    releaseReply(reply);
    return result;
}

int lastExceptionCode()
{
    return s_lastException;
}

void splitDword(quint32 value, int dwordFormat, quint16 *words)
{
    const quint16 high = quint16(value >> 16);
    const quint16 low = quint16(value & 0xFFFF);
    if (dwordFormat == 0) {
        words[0] = high;
        words[1] = low;
    } else {
        words[0] = low;
        words[1] = high;
    }
}

quint32 joinDword(const quint16 *words, int dwordFormat)
{
    if (dwordFormat == 0)
        return (quint32(words[0]) << 16) | words[1];
    return (quint32(words[1]) << 16) | words[0];
}

ResultCode writeParameter(QModbusClient *client, quint32 value, Settings &settings)
{
    settings.slaveId = g_slaveId;
    settings.dwordFormat = g_dwordFormat;

    quint16 words[2] = {0, 0};
    if (settings.num == 1) {
        words[0] = quint16(value & 0xFFFF);
        qDebug() << "Send Address:" << settings.address << "Send data:" << words[0];
    } else {
        splitDword(value, g_dwordFormat, words);
        qDebug() << "Send Address:" << settings.address << "Send data:" << value;
    }
    return writeRegisters(client, Settings(settings), words);
}

quint32 readParameter(int address, int count)
{
    Settings request;
    request.slaveId = g_slaveId;
    request.dwordFormat = g_dwordFormat;
    request.address = address;
    request.num = quint16(count);

    quint16 words[2] = {0, 0};
    if (count < 1 || count > 2 || readRegisters(modbusClient(), request, words) != ResultOk)
        return ReadFailedValue;

    const quint32 value = count == 1 ? words[0] : joinDword(words, g_dwordFormat);
    qDebug() << "lun_Dword.u32DWord" << value;
    return value;
}

void disconnectClient()
{
    QModbusClient *client = modbusClient();
    if (!client)
        return;
    setModbusClient(nullptr);
    // Requests still being waited for notice the destruction through their
    // QPointers and end with ResultNoLink.
    client->disconnectDevice();
    delete client;
}

void delayMs(int ms)
{
    QElapsedTimer elapsed;
    elapsed.start();
    for (qint64 remaining = ms; remaining > 0; remaining = ms - elapsed.elapsed()) {
        QEventLoop loop;
        bool woken = false;
        QTimer::singleShot(int(remaining), Qt::PreciseTimer, &loop, [&loop, &woken] {
            woken = true;
            loop.quit();
        });
        loop.exec();
        // The application is quitting: its nested loops no longer wait.
        if (!woken)
            return;
    }
}

int accessSlaveId(int value, int mode)
{
    if (mode == 0)
        return g_slaveId;
    if (mode == 1)
        g_slaveId = value;
    return 0;
}

int accessDwordFormat(int value, int mode)
{
    if (mode == 0)
        return g_dwordFormat;
    if (mode == 1)
        g_dwordFormat = value;
    return 0;
}
