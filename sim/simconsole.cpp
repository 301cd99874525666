#include "simconsole.h"

#include "faultsettings.h"
#include "registermap.h"
#include "requesthandler.h"
#include "simdevice.h"
#include "simservers.h"

#include <QRegularExpression>
#include <QSocketNotifier>
#include <QStringList>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace {

// Decimal, or hexadecimal with 0x. No octal: "010" is ten to whoever types it.
bool parseInteger(const QString& text, qint64 min, qint64 max, qint64* value)
{
    bool ok = false;
    qint64 v = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = qint64(text.mid(2).toULongLong(&ok, 16));
    else
        v = text.toLongLong(&ok, 10);
    if (!ok || v < min || v > max)
        return false;
    *value = v;
    return true;
}

bool parseNumber(const QString& text, double* value)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    // Beyond a few million the raw 32-bit values would overflow at 4 decimals.
    if (!ok || !std::isfinite(v) || std::abs(v) > 1e6)
        return false;
    *value = v;
    return true;
}

QString hex(quint64 value, int digits)
{
    return QStringLiteral("0x%1").arg(value, digits, 16, QLatin1Char('0'));
}

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString usecs(qint64 ns)
{
    return fixed(double(ns) / 1000.0, 3);
}

struct CommandHelp {
    const char* syntax;
    const char* effect;
};

const CommandHelp Commands[] = {
    { "fail ADDR [CODE] | fail off", "exception CODE (default 4) on requests touching ADDR" },
    { "delay MS", "hold every reply MS ms (0: off)" },
    { "late N MS [COUNT] | late off", "after N more requests, hold COUNT (all) replies MS ms more" },
    { "short on|off", "answer reads of 2+ registers with one register fewer" },
    { "noreply on|off", "take requests in and carry them out, never answer" },
    { "swallow on|off", "lose every request unseen: nothing carried out, counted or answered" },
    { "silentreset on|off", "carry out Reset All, Partial and Data-Trans without answering them" },
    { "drop", "abort all TCP client connections" },
    { "set ADDR VALUE", "store a 16-bit register (-32768..65535), past the write rules" },
    { "get ADDR [COUNT]", "show registers" },
    { "load VALUE [now]", "put VALUE (weight unit, e.g. kg) on the scale; now: at rest at once" },
    { "tare VALUE | tare off", "hold a tare of VALUE / release it" },
    { "errbits VALUE", "set the 32-bit error word (decimal or 0x hex)" },
    { "sysinfo FIELD VALUE", "version N, date YEAR:MMDD, serial TEXT(25), mac|btmac XX-XX-XX-XX-XX-XX, coef N" },
    { "timing REQBYTES REPLYBYTES", "line time of one RTU exchange at the serial settings" },
    { "writes [reset]", "write requests taken in (accepted or refused) since start / reset" },
    { "lastwrite", "address, count and values of the last write request (none after reset)" },
    { "cal", "the calibration: zero, points (weight@mV), theory, coefficient" },
    { "status", "live values and faults in one line" },
    { "help", "list the commands" },
    { "quit", "end the simulator" },
};

QString syntaxSummary()
{
    QStringList syntaxes;
    for (const CommandHelp& c : Commands)
        syntaxes << QString::fromLatin1(c.syntax);
    return syntaxes.join(QStringLiteral(" | "));
}

} // namespace

SimConsole::SimConsole(SimDevice* device, FaultSettings* faults, const LineTiming& timing, QObject* parent)
    : QObject(parent)
    , m_device(device)
    , m_faults(faults)
    , m_timing(timing)
{
}

QString SimConsole::status() const
{
    const ScaleReading& r = m_device->reading();
    const int d = m_device->decimals();
    QStringList parts;
    parts << QStringLiteral("weight=%1").arg(r.weightRaw) << QStringLiteral("gross=%1").arg(fixed(r.gross, d))
          << QStringLiteral("net=%1").arg(fixed(r.net, d)) << QStringLiteral("tare=%1").arg(fixed(r.tare, d))
          << QStringLiteral("load=%1").arg(m_device->load())
          << QStringLiteral("status=%1").arg(hex(r.status, 4))
          << QStringLiteral("errbits=%1").arg(hex(m_device->errorBits(), 8))
          << QStringLiteral("flow=%1").arg(fixed(r.flowRate, d))
          << QStringLiteral("mv=%1").arg(fixed(r.sensorMv, 4))
          << QStringLiteral("clients=%1").arg(m_tcp ? m_tcp->connectionCount() : 0)
          << QStringLiteral("fail=%1").arg(m_faults->failAddress < 0
                     ? QStringLiteral("off")
                     : QStringLiteral("%1:%2").arg(m_faults->failAddress).arg(int(m_faults->failCode)))
          << QStringLiteral("delay=%1").arg(m_faults->delayMs)
          << QStringLiteral("noreply=%1").arg(m_faults->noReply ? QLatin1String("on") : QLatin1String("off"));
    return QStringLiteral("ok ") + parts.join(QLatin1Char(' '));
}

QString SimConsole::calibration() const
{
    const Calibrator& cal = m_device->calibrator();
    QStringList parts;
    parts << QStringLiteral("zero=%1").arg(fixed(cal.zeroMv(), 4));
    for (int i = 0; i < Calibrator::PointCount; ++i) {
        const Calibrator::Point& p = cal.point(i);
        parts << QStringLiteral("cp%1=%2").arg(i + 1).arg(p.recorded
                ? QStringLiteral("%1@%2").arg(fixed(p.weight, m_device->decimals()), fixed(p.signalMv, 4))
                : QStringLiteral("-"));
    }
    parts << QStringLiteral("theory=%1")
                 .arg(m_device->read32(SimReg::TheoryCal) != 0 ? QLatin1String("on") : QLatin1String("off"))
          << QStringLiteral("coef=%1").arg(fixed(m_device->read32(SimReg::CorrectCoef) / 100000.0, 5))
          << QStringLiteral("errbits=%1").arg(hex(m_device->errorBits(), 8));
    return QStringLiteral("ok ") + parts.join(QLatin1Char(' '));
}

QString SimConsole::helpText()
{
    QString text;
    for (const CommandHelp& c : Commands)
        text += QStringLiteral("  %1  %2\n")
                    .arg(QString::fromLatin1(c.syntax), -28)
                    .arg(QString::fromLatin1(c.effect));
    return text;
}

QString SimConsole::execute(const QString& line)
{
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList words = line.trimmed().split(blanks, Qt::SkipEmptyParts);
    if (words.isEmpty())
        return QStringLiteral("error usage: ") + syntaxSummary();
    const QString command = words.at(0).toLower();
    const QStringList args = words.mid(1);

    if (command == QLatin1String("fail")) {
        if (args.size() == 1 && args.at(0) == QLatin1String("off")) {
            m_faults->failAddress = -1;
            return QStringLiteral("ok fail off");
        }
        // "fail 206 4" and "fail 206:4" (the command-line form) both work.
        QStringList parts = args.size() == 1 ? args.at(0).split(QLatin1Char(':')) : args;
        qint64 address = 0;
        qint64 code = QModbusPdu::ServerDeviceFailure;
        if (parts.isEmpty() || parts.size() > 2 || !parseInteger(parts.at(0), 0, 0xFFFF, &address)
            || (parts.size() == 2 && !parseInteger(parts.at(1), 1, 0xFF, &code)))
            return QStringLiteral("error usage: fail ADDR [CODE] | fail off");
        m_faults->failAddress = int(address);
        m_faults->failCode = QModbusPdu::ExceptionCode(code);
        return QStringLiteral("ok fail %1 %2").arg(address).arg(code);
    }

    if (command == QLatin1String("delay")) {
        qint64 ms = 0;
        if (args.size() != 1 || !parseInteger(args.at(0), 0, 600000, &ms))
            return QStringLiteral("error usage: delay MS (0..600000)");
        m_faults->delayMs = int(ms);
        return QStringLiteral("ok delay %1").arg(ms);
    }

    if (command == QLatin1String("late")) {
        if (args.size() == 1 && args.at(0) == QLatin1String("off")) {
            m_faults->lateAfter = -1;
            return QStringLiteral("ok late off");
        }
        qint64 after = 0;
        qint64 ms = 0;
        qint64 count = -1;
        if (args.size() < 2 || args.size() > 3 || !parseInteger(args.at(0), 0, 1000000, &after)
            || !parseInteger(args.at(1), 0, 600000, &ms)
            || (args.size() == 3 && !parseInteger(args.at(2), 1, 1000000, &count)))
            return QStringLiteral("error usage: late N MS [COUNT] (N 0..1000000, MS 0..600000) | late off");
        m_faults->lateAfter = int(after);
        m_faults->lateMs = int(ms);
        m_faults->lateCount = int(count);
        ++m_faults->lateArmed;
        return count < 0 ? QStringLiteral("ok late %1 %2").arg(after).arg(ms)
                         : QStringLiteral("ok late %1 %2 %3").arg(after).arg(ms).arg(count);
    }

    if (command == QLatin1String("short")) {
        if (args.size() != 1 || (args.at(0) != QLatin1String("on") && args.at(0) != QLatin1String("off")))
            return QStringLiteral("error usage: short on|off");
        m_faults->shortReads = args.at(0) == QLatin1String("on");
        return QStringLiteral("ok short %1").arg(args.at(0));
    }

    if (command == QLatin1String("noreply")) {
        if (args.size() != 1 || (args.at(0) != QLatin1String("on") && args.at(0) != QLatin1String("off")))
            return QStringLiteral("error usage: noreply on|off");
        m_faults->noReply = args.at(0) == QLatin1String("on");
        return QStringLiteral("ok noreply %1").arg(args.at(0));
    }

    if (command == QLatin1String("swallow")) {
        if (args.size() != 1 || (args.at(0) != QLatin1String("on") && args.at(0) != QLatin1String("off")))
            return QStringLiteral("error usage: swallow on|off");
        m_faults->swallow = args.at(0) == QLatin1String("on");
        return QStringLiteral("ok swallow %1").arg(args.at(0));
    }

    if (command == QLatin1String("silentreset")) {
        if (args.size() != 1 || (args.at(0) != QLatin1String("on") && args.at(0) != QLatin1String("off")))
            return QStringLiteral("error usage: silentreset on|off");
        m_faults->silentLinkResets = args.at(0) == QLatin1String("on");
        return QStringLiteral("ok silentreset %1").arg(args.at(0));
    }

    if (command == QLatin1String("sysinfo")) {
        QString error;
        if (args.size() != 2)
            return QStringLiteral("error usage: sysinfo FIELD VALUE");
        if (!m_device->setSystemInfo(args.at(0), args.at(1), &error))
            return QStringLiteral("error sysinfo: ") + error;
        return QStringLiteral("ok sysinfo %1 %2").arg(args.at(0).toLower(), args.at(1));
    }

    if (command == QLatin1String("drop")) {
        if (!m_tcp)
            return QStringLiteral("error drop: no tcp server");
        return QStringLiteral("ok drop %1").arg(m_tcp->dropConnections());
    }

    if (command == QLatin1String("set")) {
        qint64 address = 0;
        qint64 value = 0;
        if (args.size() != 2 || !parseInteger(args.at(0), 0, SimReg::Last, &address)
            || !parseInteger(args.at(1), -32768, 0xFFFF, &value))
            return QStringLiteral("error usage: set ADDR VALUE (ADDR 0..%1, VALUE -32768..65535)")
                .arg(SimReg::Last);
        m_device->poke(int(address), quint16(value));
        return QStringLiteral("ok set %1 %2").arg(address).arg(m_device->peek(int(address)));
    }

    if (command == QLatin1String("get")) {
        qint64 address = 0;
        qint64 count = 1;
        if (args.isEmpty() || args.size() > 2 || !parseInteger(args.at(0), 0, SimReg::Last, &address)
            || (args.size() == 2 && !parseInteger(args.at(1), 1, RequestHandler::MaxReadCount, &count)))
            return QStringLiteral("error usage: get ADDR [COUNT]");
        QVector<quint16> values;
        if (m_device->readRegisters(int(address), int(count), &values) != SimDevice::Access::Ok)
            return QStringLiteral("error get: beyond register %1").arg(SimReg::Last);
        QStringList texts;
        for (quint16 v : values)
            texts << QString::number(v);
        return QStringLiteral("ok ") + texts.join(QLatin1Char(' '));
    }

    if (command == QLatin1String("load")) {
        double load = 0.0;
        const bool atRest = args.size() == 2 && args.at(1).toLower() == QLatin1String("now");
        if (args.isEmpty() || args.size() > 2 || (args.size() == 2 && !atRest)
            || !parseNumber(args.at(0), &load))
            return QStringLiteral("error usage: load VALUE [now] (weight unit, |VALUE| <= 1000000)");
        m_device->setLoad(load, atRest);
        return QStringLiteral("ok load %1%2").arg(load).arg(atRest ? QStringLiteral(" now") : QString());
    }

    if (command == QLatin1String("cal")) {
        if (!args.isEmpty())
            return QStringLiteral("error usage: cal");
        return calibration();
    }

    if (command == QLatin1String("tare")) {
        if (args.size() == 1 && args.at(0) == QLatin1String("off")) {
            m_device->clearTare();
            return QStringLiteral("ok tare off");
        }
        double tare = 0.0;
        if (args.size() != 1 || !parseNumber(args.at(0), &tare))
            return QStringLiteral("error usage: tare VALUE | tare off");
        m_device->setTare(tare);
        return QStringLiteral("ok tare %1").arg(tare);
    }

    if (command == QLatin1String("errbits")) {
        qint64 bits = 0;
        if (args.size() != 1 || !parseInteger(args.at(0), 0, 0xFFFFFFFFLL, &bits))
            return QStringLiteral("error usage: errbits VALUE (32-bit, decimal or 0x hex)");
        m_device->setErrorBits(quint32(bits));
        return QStringLiteral("ok errbits %1").arg(hex(quint64(bits), 8));
    }

    if (command == QLatin1String("timing")) {
        qint64 request = 0;
        qint64 reply = 0;
        if (args.size() != 2 || !parseInteger(args.at(0), 4, 256, &request)
            || !parseInteger(args.at(1), 4, 256, &reply))
            return QStringLiteral("error usage: timing REQBYTES REPLYBYTES (4..256 each)");
        return QStringLiteral("ok bits=%1 char_us=%2 silence_us=%3 exchange_us=%4")
            .arg(m_timing.bitsPerCharacter())
            .arg(usecs(m_timing.characterNs()))
            .arg(usecs(m_timing.silenceNs()))
            .arg(usecs(m_timing.exchangeNs(int(request), int(reply))));
    }

    if (command == QLatin1String("writes")) {
        if (!m_handler)
            return QStringLiteral("error writes: no request handler");
        if (args.size() == 1 && args.at(0) == QLatin1String("reset")) {
            m_handler->resetWriteLog();
            return QStringLiteral("ok writes 0");
        }
        if (!args.isEmpty())
            return QStringLiteral("error usage: writes [reset]");
        return QStringLiteral("ok writes %1").arg(m_handler->writeLog().count);
    }

    if (command == QLatin1String("lastwrite")) {
        if (!m_handler)
            return QStringLiteral("error lastwrite: no request handler");
        if (!args.isEmpty())
            return QStringLiteral("error usage: lastwrite");
        const RequestHandler::WriteLog& log = m_handler->writeLog();
        if (log.lastAddress < 0)
            return QStringLiteral("ok lastwrite none");
        QStringList parts;
        parts << QString::number(log.lastAddress) << QString::number(log.lastValues.size());
        for (quint16 v : log.lastValues)
            parts << QString::number(v);
        return QStringLiteral("ok lastwrite ") + parts.join(QLatin1Char(' '));
    }

    if (command == QLatin1String("status"))
        return status();

    if (command == QLatin1String("help"))
        return QStringLiteral("ok ") + syntaxSummary();

    if (command == QLatin1String("quit")) {
        emit quitRequested();
        return QStringLiteral("ok quit");
    }

    return QStringLiteral("error unknown command '%1'; try help").arg(words.at(0));
}

StdinReader::StdinReader(QObject* parent)
    : QObject(parent)
    , m_notifier(new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this))
{
    connect(m_notifier, &QSocketNotifier::activated, this, &StdinReader::readAvailable);
}

void StdinReader::readAvailable()
{
    char chunk[4096];
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    const bool atEnd = n <= 0;
    if (n > 0)
        m_pending.append(chunk, int(n));
    if (atEnd) {
        // Stop watching, or the notifier fires for ever on a closed stdin.
        m_notifier->setEnabled(false);
        if (!m_pending.isEmpty())
            m_pending.append('\n');
    }

    int newline;
    while ((newline = m_pending.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(m_pending.left(newline)).trimmed();
        m_pending.remove(0, newline + 1);
        if (!line.isEmpty())
            emit lineRead(line);
    }
}

void writeStdoutLine(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}
