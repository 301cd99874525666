#include "Modbus/refreshcycle.h"

#include "Modbus/devicelink.h"
#include "Modbus/linkstate.h"
#include "Modbus/registerblocks.h"

#include <QModbusClient>
#include <QScopeGuard>
#include <QScopedValueRollback>

#include <initializer_list>

namespace {

// Failed header polls in a row before the status bar reports an error.
constexpr int FailuresShown = 3;

// A block polled on its own and the page that shows it.
struct BlockPoll
{
    Block block;
    int page;
};
const BlockPoll BlockPolls[] = {
    {Block::BasicConfig, PageBasicConfig},
    {Block::WeightCal, PageWeightCal},
    {Block::Inputs, PageApplication},
    {Block::Outputs, PageApplication},
};

// A group of blocks polled together and the page that shows them.
struct GroupPoll
{
    BlockGroup group;
    std::initializer_list<Block> blocks;
    int page;
};
const GroupPoll GroupPolls[] = {
    {BlockGroup::Comparators, {Block::Comparators1To6, Block::Comparators7To8}, PageApplication},
    {BlockGroup::DataTrans, {Block::SerialPorts, Block::Ethernet, Block::AnalogOutput}, PageDataTrans},
    {BlockGroup::SystemInfo, {Block::SystemInfo, Block::MacAddresses, Block::VoltageCoefficient}, PageTestMaintain},
};

// What a tick polls after the header, by page and Application tab (no tab:
// any): blocks, or one group. The monitoring page draws from the header
// blocks alone.
struct PagePoll
{
    int page;
    std::initializer_list<AppTab> tabs;
    std::initializer_list<Block> blocks;
    std::initializer_list<BlockGroup> groups;
};
const PagePoll PagePolls[] = {
    {PageMainInterface, {}, {}, {}},
    {PageBasicConfig, {}, {Block::BasicConfig, Block::WeightCal}, {}},
    {PageWeightCal, {}, {Block::WeightCal}, {}},
    {PageApplication, {AppTab::Inputs}, {Block::Inputs}, {}},
    {PageApplication, {AppTab::Outputs}, {Block::Outputs}, {}},
    {PageApplication, {AppTab::Comparators}, {}, {BlockGroup::Comparators}},
    {PageDataTrans, {}, {}, {BlockGroup::DataTrans}},
    {PageTestMaintain, {}, {}, {BlockGroup::SystemInfo}},
};

bool showsTab(const PagePoll &poll)
{
    for (AppTab tab : poll.tabs) {
        if (tab == g_appTabCode)
            return true;
    }
    return poll.tabs.size() == 0;
}

} // namespace

RefreshCycle::RefreshCycle(BlockReader readBlock, QObject *parent)
    : QObject(parent)
    , m_readBlock(std::move(readBlock))
{
}

void RefreshCycle::tick()
{
    // Ticks are requested only after the previous one ended, but a wait inside
    // a slot run during a tick must still never start a second one.
    if (m_inTick)
        return;
    QScopedValueRollback<bool> inTick(m_inTick, true);

    // A transfer or a scan has the link to itself: g_tickPending stays
    // raised and the holder lowers it at its end.
    DeviceLink &link = DeviceLink::instance();
    if (!link.take(LinkUser::Polling))
        return;
    const auto giveBack = qScopeGuard([&link] { link.giveBack(LinkUser::Polling); });

    // Ticking stops here until the next link-up: g_tickPending stays set.
    if (g_linkClosing)
        return;
    if (isLinkDown())
        g_tickPending = false;

    if (pollHeaderBlocks() != ResultOk) {
        ++m_failureCount;
        if (m_failureCount >= FailuresShown)
            emit communicationChanged(false);
        g_commError = true;
    } else {
        emit headerRead();
        pollCurrentPage();
        // After a run of failures the first good tick only resets the count,
        // so one lucky answer does not hide a flaky line.
        if (m_failureCount == 0)
            emit communicationChanged(true);
        m_failureCount = 0;
        g_commError = false;
    }
    // The link may have been torn down during the waits above; then the
    // ticks stay stopped until the next link-up. A transfer that took the
    // link meanwhile lowers the flag itself.
    if (g_pageIndex != PageConnection && link.holder() == LinkUser::Polling)
        g_tickPending = false;
}

bool RefreshCycle::isLinkDown()
{
    const DeviceLink &link = DeviceLink::instance();
    if (link.isUp())
        return false;
    QModbusClient *client = link.client();
    // A dropped TCP link is retried on every tick; connecting runs in the
    // background, so the window never waits for it.
    if (client && g_connType == 1 && client->state() == QModbusDevice::UnconnectedState) {
        client->disconnectDevice();
        client->connectDevice();
    }
    return true;
}

ResultCode RefreshCycle::pollHeaderBlocks()
{
    if (g_linkClosing)
        return ResultOk;
    for (Block block : {Block::Weight, Block::Live, Block::ErrorBits, Block::RemoteSwitches, Block::Units}) {
        const ResultCode result = m_readBlock(block);
        if (result != ResultOk)
            return result;
    }
    return ResultOk;
}

void RefreshCycle::pollCurrentPage()
{
    for (const PagePoll &poll : PagePolls) {
        if (poll.page != g_pageIndex || !showsTab(poll))
            continue;
        if (poll.blocks.size() == 0 && poll.groups.size() == 0)
            emit pageRead(poll.page);
        for (Block block : poll.blocks)
            pollBlock(block);
        for (BlockGroup group : poll.groups)
            pollBlockGroup(group);
        return;
    }
}

ResultCode RefreshCycle::pollBlock(Block block)
{
    const ResultCode result = m_readBlock(block);
    for (const BlockPoll &poll : BlockPolls) {
        if (poll.block == block)
            emit pageRead(poll.page);
    }
    return result;
}

ResultCode RefreshCycle::pollBlockGroup(BlockGroup group)
{
    const GroupPoll *unit = nullptr;
    for (const GroupPoll &poll : GroupPolls) {
        if (poll.group == group)
            unit = &poll;
    }
    if (!unit)
        return ResultDeviceError;
    for (Block block : unit->blocks) {
        const ResultCode result = m_readBlock(block);
        if (result != ResultOk)
            return result;
    }
    emit pageRead(unit->page);
    return ResultOk;
}
