#ifndef TRAFFICLOG_H
#define TRAFFICLOG_H

#include "Modbus/registeraccess.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QString>
#include <QVector>

class QIODevice;
class QModbusReply;

// How one exchange ended, as the operator reads it.
enum class TrafficOutcome : quint8 {
    Ok,
    Exception,  // the device refused: exception code in TrafficEntry::exception
    Timeout,    // no answer in time
    Garbled,    // a frame the client could not take apart (CRC, framing, length)
    NoFit,      // a well-formed reply that does not answer the request
    LinkClosed  // the link went away while the request was out
};

// One request and its reply.
struct TrafficEntry
{
    qint64 timeMs = 0;      // when the request went out, ms since the epoch
    quint8 unit = 0;
    quint8 function = 0;
    quint16 address = 0;
    quint16 count = 0;
    QByteArray request;     // frame bytes: RTU unit + PDU + CRC; TCP unit + PDU
    QByteArray reply;       // the same for the reply; empty when none came
    qint32 roundTripUs = 0;
    TrafficOutcome outcome = TrafficOutcome::Ok;
    quint8 exception = 0;

    bool failed() const { return outcome != TrafficOutcome::Ok; }
    // "OK", "exception 02 illegal data address", "time-out", ...
    QString outcomeText() const;
    // One CSV line with its line break: time, unit, function, first register,
    // count, request, reply, round trip ms, outcome.
    QByteArray csvLine() const;
};

// The first line of a traffic CSV file.
extern const char CsvHeader[];

// English name of a Modbus exception code ("illegal data address"), empty
// for a code without a standard name.
const char *exceptionName(int code);

// Counts since the link was opened.
struct TrafficStatistics
{
    quint64 requests = 0;
    quint64 ok = 0;
    quint64 exceptions = 0;
    quint64 timeouts = 0;
    qint64 roundTripSumUs = 0; // of the exchanges that got an answer
    quint64 answered = 0;
    qint32 roundTripMaxUs = 0;

    double meanRoundTripMs() const { return answered ? roundTripSumUs / 1000.0 / double(answered) : 0.0; }
    double maxRoundTripMs() const { return roundTripMaxUs / 1000.0; }
    QString text() const; // one line, English
};

// The last Capacity exchanges of the process, in a ring; and the statistics
// of the present link, which start again with every new client.
class TrafficLog
{
public:
    static constexpr int Capacity = 10000;

    static TrafficLog *instance();

    void append(const TrafficEntry &entry, const QModbusClient *client = nullptr);
    void clear(); // the lines; the statistics stay

    int size() const { return int(qMin<quint64>(m_total - m_cleared, quint64(m_ring.size()))); }
    // Sequence numbers: the entry appended n-th has number n - 1. The entries
    // kept are those from firstKept() to total() - 1.
    quint64 total() const { return m_total; }
    quint64 firstKept() const { return m_total - quint64(size()); }
    const TrafficEntry &entry(quint64 number) const { return m_ring.at(int(number % Capacity)); }

    const TrafficStatistics &statistics() const { return m_statistics; }

    // Every later entry also goes to sink as a CSV line (null: none). The
    // sink is the caller's; it must outlive its use here.
    void setSink(QIODevice *sink);

private:
    TrafficLog() = default;

    QVector<TrafficEntry> m_ring;
    quint64 m_total = 0;
    quint64 m_cleared = 0; // total() when the lines were last cleared
    TrafficStatistics m_statistics;
    QPointer<const QModbusClient> m_client; // the statistics' link
    QIODevice *m_sink = nullptr;
};

// Records one exchange of the register layer: made before the request,
// told when it went out, and ended with the request's result.
class TrafficMark
{
public:
    TrafficMark(const Settings &settings, const quint16 *words, bool write);
    void sent(QModbusClient *client, QModbusReply *reply);
    ResultCode end(ResultCode result);

private:
    TrafficEntry m_entry;
    QElapsedTimer m_clock;
    QPointer<QModbusClient> m_client;
    QPointer<QModbusReply> m_reply;
    bool m_rtu = false;
    bool m_sent = false;
};

// While it lives, every exchange also goes as a CSV line into a file (the
// command line's --traffic).
class TrafficCsvFile
{
public:
    TrafficCsvFile() = default;
    ~TrafficCsvFile();
    // Empty when the file is open, else why not.
    QString open(const QString &path);

private:
    Q_DISABLE_COPY(TrafficCsvFile)
    QFile m_file;
};

// Qt's Modbus traces on standard error: on with verbose or the environment
// variable R7CONFIG_MODBUS_TRACE=1, off otherwise. Returns whether they are on.
bool setupModbusTraces(bool verbose);

#endif // TRAFFICLOG_H
