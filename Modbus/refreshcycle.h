#ifndef REFRESHCYCLE_H
#define REFRESHCYCLE_H

#include "Modbus/registeraccess.h"
#include "Modbus/registermap.h"

#include <QObject>

#include <functional>

// Groups of blocks polled together, numbered after the block that spans them.
enum class BlockGroup {
    Comparators = 8,  // comparators 1-6, then 7-8
    DataTrans = 11,   // serial ports, Ethernet, analog output
    SystemInfo = 15   // system information, MAC addresses, voltage coefficient
};

// The periodic refresh of the device mirror. Each tick reads the header
// blocks and then the blocks of the page (and Application tab) on show; the
// page that shows a block is told once it has been read. Which blocks a page
// polls is one table, in refreshcycle.cpp.
class RefreshCycle : public QObject
{
    Q_OBJECT

public:
    // Reads one register block and decodes it into the device mirror.
    using BlockReader = std::function<ResultCode(Block block)>;

    explicit RefreshCycle(BlockReader readBlock, QObject *parent = nullptr);

    // One tick; a tick that starts while another waits does nothing.
    void tick();

    ResultCode pollHeaderBlocks();
    // Reads the block; its page is refreshed whatever the result.
    ResultCode pollBlock(Block block);
    // Reads the group's blocks up to the first failure; its page is
    // refreshed only when every block was read.
    ResultCode pollBlockGroup(BlockGroup group);
    // True unless the client is connected; a dropped TCP link is retried.
    bool isLinkDown();

    // Failed header polls in a row; a new link starts again from none.
    int failureCount() const { return m_failureCount; }
    void resetFailures() { m_failureCount = 0; }

signals:
    // The header blocks were read.
    void headerRead();
    // What the page shows was read (for the monitoring page: the header).
    void pageRead(int page);
    // The verdict for the status bar: an error once enough header polls in a
    // row failed; normal on a good tick that follows a good one.
    void communicationChanged(bool normal);

private:
    void pollCurrentPage();

    BlockReader m_readBlock;
    int m_failureCount = 0;
    bool m_inTick = false;
};

#endif // REFRESHCYCLE_H
