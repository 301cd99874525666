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

// A block polled on its own, or a group, and the page that shows it.
struct PollUnit
{
    int number; // a block, or a BlockGroup
    bool group;
    std::initializer_list<int> blocks;
    int page;
};
const PollUnit PollUnits[] = {
    {BlockBasicConfig, false, {BlockBasicConfig}, PageBasicConfig},
    {BlockWeightCal, false, {BlockWeightCal}, PageWeightCal},
    {BlockInputs, false, {BlockInputs}, PageApplication},
    {BlockOutputs, false, {BlockOutputs}, PageApplication},
    {GroupComparators, true, {BlockComparators1To6, BlockComparators7To8}, PageApplication},
    {GroupDataTrans, true, {BlockSerialPorts, BlockEthernet, BlockAnalogOutput}, PageDataTrans},
    {GroupSystemInfo, true, {BlockSystemInfo, BlockMacAddresses, BlockVoltageCoefficient}, PageTestMaintain},
};

// What a tick polls after the header, by page and Application tab. The
// monitoring page draws from the header blocks alone.
constexpr int AnyTab = -1;
struct PagePoll
{
    int page;
    int appTab;
    std::initializer_list<int> units;
};
const PagePoll PagePolls[] = {
    {PageMainInterface, AnyTab, {}},
    {PageBasicConfig, AnyTab, {BlockBasicConfig, BlockWeightCal}},
    {PageWeightCal, AnyTab, {BlockWeightCal}},
    {PageApplication, 6, {BlockInputs}},
    {PageApplication, 7, {BlockOutputs}},
    {PageApplication, 8, {GroupComparators}},
    {PageDataTrans, AnyTab, {GroupDataTrans}},
    {PageTestMaintain, AnyTab, {GroupSystemInfo}},
};

const PollUnit *findUnit(int number, bool group)
{
    for (const PollUnit &unit : PollUnits) {
        if (unit.number == number && unit.group == group)
            return &unit;
    }
    return nullptr;
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
    for (int block : {BlockWeight, BlockLive, BlockErrorBits, BlockRemoteSwitches, BlockUnits}) {
        const ResultCode result = m_readBlock(block);
        if (result != ResultOk)
            return result;
    }
    return ResultOk;
}

void RefreshCycle::pollCurrentPage()
{
    for (const PagePoll &poll : PagePolls) {
        if (poll.page != g_pageIndex || (poll.appTab != AnyTab && poll.appTab != g_appTabCode))
            continue;
        if (poll.units.size() == 0)
            emit pageRead(poll.page);
        for (int unit : poll.units) {
            if (findUnit(unit, true))
                pollBlockGroup(unit);
            else
                pollBlock(unit);
        }
        return;
    }
}

ResultCode RefreshCycle::pollBlock(int block)
{
    const ResultCode result = m_readBlock(block);
    if (const PollUnit *unit = findUnit(block, false))
        emit pageRead(unit->page);
    return result;
}

ResultCode RefreshCycle::pollBlockGroup(int group)
{
    const PollUnit *unit = findUnit(group, true);
    if (!unit)
        return ResultDeviceError;
    for (int block : unit->blocks) {
        const ResultCode result = m_readBlock(block);
        if (result != ResultOk)
            return result;
    }
    emit pageRead(unit->page);
    return ResultOk;
}
