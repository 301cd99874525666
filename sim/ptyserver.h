#ifndef R7SIM_PTYSERVER_H
#define R7SIM_PTYSERVER_H

#include "linetiming.h"
#include "simservers.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QSocketNotifier;
class RequestHandler;

// Modbus RTU front on a pseudo-terminal the simulator owns: it holds the master
// side and makes a symbolic link to the slave side, which the client opens as
// its serial port. On Linux the master sees the baud rate, data bits and stop
// bits the client set on the slave, so a frame sent with settings other than
// the device's is left unanswered, as garbage on a real line would be. Parity
// does not reach the master (the pty drops it) and is not checked.
class PtyRtuServer : public QObject {
    Q_OBJECT

public:
    PtyRtuServer(RequestHandler* handler, int unitId, QObject* parent = nullptr);
    ~PtyRtuServer() override;

    void setLineTiming(const LineTiming& timing, bool pacing);
    void setVerbose(bool verbose) { m_verbose = verbose; }
    // Opens the pty and links linkPath (replacing an old link) to its slave.
    bool start(const QString& linkPath, const SerialSettings& expected);
    QString errorString() const { return m_error; }
    QString slaveName() const { return m_slaveName; }

    // Whether the line settings the client chose, as the master sees them,
    // are the device's; *seen describes them ("9600 8N1" without the parity).
    bool lineMatches(QString* seen) const;

private:
    void readMaster();
    void takeFrames();
    void answer(const QByteArray& adu, qint64 holdNs);

    RequestHandler* m_handler;
    int m_unitId;
    LineTiming m_timing;
    bool m_pacing = false;
    bool m_verbose = false;
    SerialSettings m_expected;
    QString m_link;
    QString m_slaveName;
    QString m_error;
    int m_master = -1;
    int m_slave = -1; // kept open so the master never reads end-of-file between clients
    QSocketNotifier* m_notifier = nullptr;
    QByteArray m_buffer;
    QTimer m_stale; // a partial frame left alone this long is noise
};

#endif // R7SIM_PTYSERVER_H
