#include "Modbus/registeraccess.h"

#include "Modbus/linkstate.h"
#include "Modbus/trafficlog.h"

#include <QDebug>
#include <QSerialPort>
#include <QtEndian>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QModbusClient>
#include <QModbusDataUnit>
#include <QModbusReply>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <functional>

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

// A request normally ends by the client's own time-out. The serial client only
// starts that timer once the request has left the port, so on a dead line
// (adapter pulled, pty closed) it would never end: bound it ourselves.
constexpr int ReadBoundMarginMs = 1000;

int requestBoundMs(const QModbusClient *client)
{
    return client->timeout() * (qMax(0, client->numberOfRetries()) + 1) + ReadBoundMarginMs;
}

// What a wait is waiting for: done, gone (the reply was destroyed), or neither,
// in which case it is asked again after recheckMs (-1: only when woken).
struct Progress
{
    bool done = false;
    bool gone = false;
    qint64 recheckMs = -1;
};

// Connects whatever should end one slice of a wait to wake.
using Wakers = std::function<void(QEventLoop *loop, const std::function<void()> &wake)>;

// Runs the event loop until progress() says done. The client is held in a
// QPointer because slots run inside the wait may destroy it (Disconnect,
// window close), and the reply with it.
WaitOutcome waitUntil(const QPointer<QModbusClient> &client, const std::function<Progress()> &progress,
                      const Wakers &wakers, int boundMs, bool honourClosing)
{
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        const Progress now = progress();
        if (now.gone)
            return WaitOutcome::LinkLost;
        if (now.done)
            return WaitOutcome::Finished;
        if (!client || client->state() != QModbusDevice::ConnectedState)
            return WaitOutcome::LinkLost;
        if (honourClosing && g_linkClosing)
            return WaitOutcome::LinkClosing;
        qint64 slice = ClosingRecheckMs;
        if (now.recheckMs >= 0)
            slice = qMin(slice, now.recheckMs);
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
        const std::function<void()> wake = [&loop, &woken] {
            woken = true;
            loop.quit();
        };
        wakers(&loop, wake);
        QObject::connect(client.data(), &QModbusDevice::stateChanged, &loop, wake);
        QObject::connect(client.data(), &QObject::destroyed, &loop, wake);
        if (honourClosing)
            QObject::connect(LinkNotifier::instance(), &LinkNotifier::linkClosingRaised, &loop, wake);
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, wake);
        timer.start(int(qMax<qint64>(0, slice)));
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

WaitOutcome waitForReply(const QPointer<QModbusClient> &client, const QPointer<QModbusReply> &reply,
                         int boundMs, bool honourClosing)
{
    const auto progress = [&reply] {
        Progress p;
        p.gone = !reply;
        p.done = reply && reply->isFinished();
        return p;
    };
    const Wakers wakers = [&reply](QEventLoop *loop, const std::function<void()> &wake) {
        QObject::connect(reply.data(), &QModbusReply::finished, loop, wake);
        QObject::connect(reply.data(), &QObject::destroyed, loop, wake);
    };
    return waitUntil(client, progress, wakers, boundMs, honourClosing);
}

// Whether a finished reply without error answers this request: the function
// asked, a read's byte count of two per register asked (so a short reply is
// no answer), a write's echoed address and count (or, for a single register,
// its echoed value).
bool replyFits(const QModbusReply *reply, bool write, const Settings &request, quint16 firstWord)
{
    const QModbusResponse raw = reply->rawResult();
    const QByteArray data = raw.data();
    if (!write) {
        const int bytes = 2 * int(request.num);
        return raw.functionCode() == QModbusPdu::ReadHoldingRegisters && data.size() == 1 + bytes
            && quint8(data.at(0)) == bytes && reply->result().valueCount() == request.num;
    }
    if (data.size() != 4)
        return false;
    const quint16 echoedAddress = qFromBigEndian<quint16>(data.constData());
    const quint16 echoed = qFromBigEndian<quint16>(data.constData() + 2);
    if (echoedAddress != request.address)
        return false;
    if (raw.functionCode() == QModbusPdu::WriteMultipleRegisters)
        return echoed == request.num;
    return raw.functionCode() == QModbusPdu::WriteSingleRegister && request.num == 1 && echoed == firstWord;
}

// A finished reply that leaves the line in doubt: no answer in time, a frame
// that was broken or answered something else. An exception reply is an answer.
bool replyFailed(const QModbusReply *reply, bool write, const Settings &request, quint16 firstWord)
{
    switch (reply->error()) {
    case QModbusDevice::NoError:
        return !replyFits(reply, write, request, firstWord);
    case QModbusDevice::ProtocolError:
        return false;
    default:
        return true;
    }
}

// An RTU frame carries no transaction id: a reply that comes after its request
// gave up would be taken for the answer to the next one. The guard of a serial
// client therefore lets one request at a time onto the line (requests started
// from inside another's wait queue here, not in the client), and after a
// request failed it holds the next one back until the line has been quiet for
// one time-out of the link, then throws away whatever came meanwhile. A late
// reply lands in that quiet time and is discarded; one later still than a
// second time-out cannot be told from an answer on a line without ids.
// Nothing is held back after a success, so the normal path is not slowed.
class LineGuard : public QObject
{
public:
    // The guard of a serial client (made on first use), null for TCP, whose
    // transaction ids already pair replies with requests.
    static LineGuard *of(QModbusClient *client)
    {
        if (!client)
            return nullptr;
        for (QObject *child : client->children()) {
            if (auto *guard = dynamic_cast<LineGuard *>(child))
                return guard;
        }
        auto *port = client->findChild<QSerialPort *>();
        return port ? new LineGuard(client, port) : nullptr;
    }

    int quietMs() const { return qMax(1, m_client->timeout()); }

    // Waits until no other request is on the line and, after a failure, until
    // the line has been quiet; then the caller owns the line until release().
    WaitOutcome takeTurn(const QPointer<QModbusClient> &client, int boundMs)
    {
        QPointer<LineGuard> self(this);
        const auto progress = [this, &self] {
            Progress p;
            if (!self) {
                p.gone = true;
                return p;
            }
            if (m_busy)
                return p;
            const qint64 left = m_dirty ? quietMs() - m_sinceNoise.elapsed() : 0;
            if (left > 0) {
                p.recheckMs = left;
                return p;
            }
            if (m_dirty && m_port)
                m_port->clear(QSerialPort::AllDirections);
            m_dirty = false;
            m_busy = true;
            p.done = true;
            return p;
        };
        const Wakers wakers = [this](QEventLoop *loop, const std::function<void()> &wake) {
            m_waiters.append({QPointer<QEventLoop>(loop), wake});
            QObject::connect(loop, &QObject::destroyed, this, [this] {
                m_waiters.erase(std::remove_if(m_waiters.begin(), m_waiters.end(),
                                               [](const Waiter &w) { return !w.loop; }),
                                m_waiters.end());
            });
        };
        return waitUntil(client, progress, wakers, boundMs, true);
    }

    // The request that owned the line ended; failed says the line is in doubt.
    void release(bool failed)
    {
        m_busy = false;
        if (failed) {
            m_dirty = true;
            m_sinceNoise.restart();
        }
        // Wakes the requests waiting for their turn.
        const QList<Waiter> waiting = m_waiters;
        for (const Waiter &waiter : waiting) {
            if (waiter.loop)
                waiter.wake();
        }
    }

private:
    LineGuard(QModbusClient *client, QSerialPort *port)
        : QObject(client)
        , m_client(client)
        , m_port(port)
    {
        m_sinceNoise.start();
        // Every byte that comes in restarts the quiet time.
        connect(port, &QSerialPort::readyRead, this, [this] { m_sinceNoise.restart(); });
    }

    struct Waiter
    {
        QPointer<QEventLoop> loop;
        std::function<void()> wake;
    };

    QModbusClient *m_client;
    QPointer<QSerialPort> m_port;
    QList<Waiter> m_waiters;
    QElapsedTimer m_sinceNoise;
    bool m_busy = false;
    bool m_dirty = false;
};

void releaseReply(const QPointer<QModbusReply> &reply)
{
    if (reply)
        reply->deleteLater();
}

// One request from sending to its checked end, on either transport; a read
// fills buffer only on success.
ResultCode exchange(QModbusClient *client, const Settings &settings, const quint16 *words, bool write,
                    quint16 *buffer, TrafficMark &traffic)
{
    s_lastException = 0;
    if (!client)
        return ResultNoLink;

    QPointer<QModbusClient> guardedClient(client);
    const int boundMs = requestBoundMs(client);
    QPointer<LineGuard> guard(LineGuard::of(client));
    if (guard) {
        // Waits at most for the request ahead of it, its quiet time, and itself.
        const WaitOutcome turn = guard->takeTurn(guardedClient, boundMs + guard->quietMs());
        if (turn == WaitOutcome::BoundPassed)
            return ResultTimeout;
        if (turn != WaitOutcome::Finished)
            return ResultNoLink;
    }

    QModbusDataUnit request(QModbusDataUnit::HoldingRegisters, settings.address, settings.num);
    if (write) {
        for (int i = 0; i < settings.num; ++i)
            request.setValue(i, words[i]);
    }
    const quint16 firstWord = write && settings.num > 0 ? words[0] : 0;
    QPointer<QModbusReply> reply(write ? client->sendWriteRequest(request, settings.slaveId)
                                       : client->sendReadRequest(request, settings.slaveId));
    traffic.sent(client, reply);
    if (!reply) {
        if (guard)
            guard->release(false);
        return ResultNoLink;
    }
    // The line is released the moment the reply ends, not when this function
    // returns: a request started inside this wait must not wait for it.
    QMetaObject::Connection done;
    if (guard) {
        done = QObject::connect(reply.data(), &QModbusReply::finished, guard.data(),
                                [guard, reply, write, settings, firstWord] {
                                    if (guard && reply)
                                        guard->release(replyFailed(reply, write, settings, firstWord));
                                });
        // A reply that ended before the connection was made never signals it.
        if (reply->isFinished()) {
            QObject::disconnect(done);
            guard->release(replyFailed(reply, write, settings, firstWord));
        }
    }

    // Writes are not given up when the link starts closing: a write that has
    // gone out is waited for, so its result is known.
    const WaitOutcome outcome = waitForReply(guardedClient, reply, boundMs, !write);
    if (outcome != WaitOutcome::Finished) {
        // Given up before the client ended it: its reply may still come.
        QObject::disconnect(done);
        if (guard)
            guard->release(true);
        releaseReply(reply);
        if (outcome == WaitOutcome::BoundPassed) {
            qDebug() << "Timeout";
            return ResultTimeout;
        }
        return ResultNoLink;
    }
    QObject::disconnect(done);

    ResultCode result = ResultDeviceError;
    switch (reply->error()) {
    case QModbusDevice::NoError:
        if (!replyFits(reply, write, settings, firstWord)) {
            qDebug() << (write ? "Write" : "Read") << "answered by a reply that does not fit" << settings.address
                     << settings.num << reply->rawResult();
            result = ResultDeviceError;
            break;
        }
        if (!write) {
            const QModbusDataUnit unit = reply->result();
            for (int i = 0; i < settings.num; ++i)
                buffer[i] = unit.value(i);
        }
        result = ResultOk;
        break;
    case QModbusDevice::TimeoutError:
        // The client's own time-out ran out before the bound: no answer
        // either, which a caller must be able to tell from a refusal.
        qDebug() << "Timeout";
        result = ResultTimeout;
        break;
    case QModbusDevice::ProtocolError:
        noteException(reply);
        qDebug() << (write ? "e_ModbusResponseError1" : "Read exception") << settings.address << reply->errorString();
        result = ResultDeviceError;
        break;
    default:
        qDebug() << (write ? "e_ModbusResponseError2" : "Read failed") << settings.address << reply->errorString();
        result = ResultDeviceError;
        break;
    }
    releaseReply(reply);
    return result;
}

} // namespace

ResultCode readRegisters(QModbusClient *client, const Settings &settings, quint16 *buffer)
{
    TrafficMark traffic(settings, nullptr, false);
    return traffic.end(exchange(client, settings, nullptr, false, buffer, traffic));
}

ResultCode writeRegisters(QModbusClient *client, const Settings &settings, const quint16 *buffer)
{
    qDebug() << "This is Send address =" << settings.address << "num =" << settings.num;
    TrafficMark traffic(settings, buffer, true);
    return traffic.end(exchange(client, settings, buffer, true, nullptr, traffic));
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
