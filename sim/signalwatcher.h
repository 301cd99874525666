#ifndef R7SIM_SIGNALWATCHER_H
#define R7SIM_SIGNALWATCHER_H

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal. The handler itself only writes the
// signal number into a socket pair (write() is async-signal-safe); the event
// loop picks it up, so shutting down runs as ordinary code.
class SignalWatcher : public QObject {
    Q_OBJECT

public:
    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

    bool isValid() const { return m_notifier != nullptr; }

signals:
    void terminationRequested(int signalNumber);

private:
    static void handle(int signalNumber);
    void readSignal();

    static int s_fds[2];
    QSocketNotifier* m_notifier = nullptr;
};

#endif // R7SIM_SIGNALWATCHER_H
