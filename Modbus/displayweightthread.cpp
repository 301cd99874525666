#include "Modbus/displayweightthread.h"

#include "Modbus/linkstate.h"

#include <chrono>

DisplayWeightThread::DisplayWeightThread(QObject *parent)
    : QThread(parent)
{
}

DisplayWeightThread::~DisplayWeightThread()
{
    stop();
}

void DisplayWeightThread::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    wait();
}

void DisplayWeightThread::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stopping) {
        bool idle = false;
        if (g_tickPending.compare_exchange_strong(idle, true))
            emit isdone();
        m_wake.wait_for(lock, std::chrono::milliseconds(TickIntervalMs), [this] { return m_stopping; });
    }
}
