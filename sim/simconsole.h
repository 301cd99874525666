#ifndef R7SIM_SIMCONSOLE_H
#define R7SIM_SIMCONSOLE_H

#include "linetiming.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;
class RequestHandler;
class SimDevice;
class SimTcpServer;
struct FaultSettings;

// The run-time control of the simulator: one command per line, one answer line
// per command, "ok ..." or "error ...". Tests and demos drive it over stdin.
// The commands are listed, with what they do, in one table in simconsole.cpp;
// helpText() renders it for --help, the help command as one line.
class SimConsole : public QObject {
    Q_OBJECT

public:
    SimConsole(SimDevice* device, FaultSettings* faults, const LineTiming& timing, QObject* parent = nullptr);

    void setTcpServer(SimTcpServer* server) { m_tcp = server; }
    // Source of the write counter of the writes and lastwrite commands.
    void setRequestHandler(RequestHandler* handler) { m_handler = handler; }

    // Carries out one command line and returns the answer line (no newline).
    QString execute(const QString& line);

    // The command table, one command per line, for --help.
    static QString helpText();

signals:
    void quitRequested();

private:
    QString status() const;
    QString calibration() const;

    SimDevice* m_device;
    FaultSettings* m_faults;
    LineTiming m_timing;
    SimTcpServer* m_tcp = nullptr;
    RequestHandler* m_handler = nullptr;
};

// Reads lines from standard input without blocking the event loop. At end of
// input it stops watching: a simulator started with stdin closed keeps running.
class StdinReader : public QObject {
    Q_OBJECT

public:
    explicit StdinReader(QObject* parent = nullptr);

signals:
    void lineRead(const QString& line);

private:
    void readAvailable();

    QSocketNotifier* m_notifier;
    QByteArray m_pending;
};

// Writes one line to stdout and flushes, so a reader on a pipe sees it at once.
void writeStdoutLine(const QString& line);

#endif // R7SIM_SIMCONSOLE_H
