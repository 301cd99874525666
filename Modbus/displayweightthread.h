#ifndef DISPLAYWEIGHTTHREAD_H
#define DISPLAYWEIGHTTHREAD_H

#include <QThread>

#include <condition_variable>
#include <mutex>

// Asks the GUI thread for a refresh tick every 500 ms, but only when the
// previous tick has ended (g_tickPending clear): a slow link lowers the tick
// rate instead of queueing requests. It does no Modbus traffic itself.
class DisplayWeightThread : public QThread
{
    Q_OBJECT

public:
    static constexpr int TickIntervalMs = 500;

    explicit DisplayWeightThread(QObject *parent = nullptr);
    ~DisplayWeightThread() override;

    // Ends the run loop within moments and waits for it.
    void stop();

signals:
    void isdone();

protected:
    void run() override;

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
};

#endif // DISPLAYWEIGHTTHREAD_H
