#include "Modbus/devicelink.h"
#include "Modbus/linkstate.h"
#include "Modbus/refreshcycle.h"

#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(LinkUser)

// The refresh cycle against a scripted block reader: what each tick reads,
// which page is told, and the verdict on the link.
class tst_RefreshCycle : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void pageSchedule_data();
    void pageSchedule();
    void communicationVerdict();
    void quietTicks();
    void linkArbitration_data();
    void linkArbitration();

private:
    QList<int> readsOfTick(int page, int tab);
    QList<int> pagesRead() const;

    QList<int> m_reads;
    QSet<int> m_failing;
    RefreshCycle m_cycle{[this](Block block) {
        m_reads << int(block);
        return m_failing.contains(int(block)) ? ResultTimeout : ResultOk;
    }};
    QScopedPointer<QSignalSpy> m_pageRead;
};

void tst_RefreshCycle::init()
{
    setLinkClosing(false);
    m_failing.clear();
    m_reads.clear();
    m_cycle.resetFailures();
    m_pageRead.reset(new QSignalSpy(&m_cycle, &RefreshCycle::pageRead));
}

QList<int> tst_RefreshCycle::readsOfTick(int page, int tab)
{
    g_pageIndex = page;
    g_appTabCode = AppTab(tab);
    m_reads.clear();
    m_pageRead->clear();
    m_cycle.tick();
    return m_reads;
}

QList<int> tst_RefreshCycle::pagesRead() const
{
    QList<int> pages;
    for (const QList<QVariant> &signal : *m_pageRead)
        pages << signal.at(0).toInt();
    return pages;
}

using Blocks = QList<int>;
const Blocks Header = {0, 1, 2, 19, 3};

void tst_RefreshCycle::pageSchedule_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("tab");
    QTest::addColumn<Blocks>("failing");
    QTest::addColumn<Blocks>("reads");
    QTest::addColumn<Blocks>("pages");

    QTest::newRow("main interface") << 0 << 6 << Blocks() << Header << Blocks{0};
    QTest::newRow("basic config") << 1 << 6 << Blocks() << Header + Blocks{5, 4} << Blocks{1, 2};
    QTest::newRow("weight & cal") << 2 << 6 << Blocks() << Header + Blocks{4} << Blocks{2};
    QTest::newRow("inputs") << 3 << 6 << Blocks() << Header + Blocks{6} << Blocks{3};
    QTest::newRow("outputs") << 3 << 7 << Blocks() << Header + Blocks{7} << Blocks{3};
    QTest::newRow("comparators") << 3 << 8 << Blocks() << Header + Blocks{9, 10} << Blocks{3};
    QTest::newRow("data-trans") << 4 << 6 << Blocks() << Header + Blocks{12, 13, 14} << Blocks{4};
    QTest::newRow("test maintain") << 5 << 6 << Blocks() << Header + Blocks{17, 18, 16} << Blocks{5};
    QTest::newRow("connection page") << 7 << 6 << Blocks() << Header << Blocks();
    // A failed header read ends the tick: nothing else is read or shown.
    QTest::newRow("header fails") << 2 << 6 << Blocks{1} << Blocks{0, 1} << Blocks();
    // A single block's page is refreshed whatever the read gave ...
    QTest::newRow("basic config fails") << 1 << 6 << Blocks{5} << Header + Blocks{5, 4} << Blocks{1, 2};
    // ... a group's only when every block was read.
    QTest::newRow("comparators fail") << 3 << 8 << Blocks{9} << Header + Blocks{9} << Blocks();
    QTest::newRow("data-trans fails") << 4 << 6 << Blocks{13} << Header + Blocks{12, 13} << Blocks();
}

void tst_RefreshCycle::pageSchedule()
{
    QFETCH(int, page);
    QFETCH(int, tab);
    QFETCH(Blocks, failing);
    QFETCH(Blocks, reads);
    QFETCH(Blocks, pages);

    m_failing = QSet<int>(failing.cbegin(), failing.cend());
    QSignalSpy header(&m_cycle, &RefreshCycle::headerRead);
    QCOMPARE(readsOfTick(page, tab), reads);
    QCOMPARE(pagesRead(), pages);
    QCOMPARE(header.count(), failing.contains(1) ? 0 : 1);
    QCOMPARE(g_commError, failing.contains(1));
}

void tst_RefreshCycle::communicationVerdict()
{
    QSignalSpy verdicts(&m_cycle, &RefreshCycle::communicationChanged);
    m_failing = {0};
    for (int tick = 1; tick <= 4; ++tick) {
        readsOfTick(PageMainInterface, 6);
        QCOMPARE(m_cycle.failureCount(), tick);
        // The error shows from the third failure in a row on.
        QCOMPARE(verdicts.count(), qMax(0, tick - 2));
    }
    QVERIFY(!verdicts.last().at(0).toBool());

    // After a run of failures the first good tick only clears the count.
    m_failing.clear();
    verdicts.clear();
    readsOfTick(PageMainInterface, 6);
    QCOMPARE(m_cycle.failureCount(), 0);
    QVERIFY(!g_commError);
    QCOMPARE(verdicts.count(), 0);
    readsOfTick(PageMainInterface, 6);
    QCOMPARE(verdicts.count(), 1);
    QVERIFY(verdicts.last().at(0).toBool());
}

// A tick that would start inside a wait of another reads nothing.
void tst_RefreshCycle::quietTicks()
{
    int nested = -1;
    RefreshCycle reentrant([&](Block) {
        if (nested < 0) {
            nested = 0;
            reentrant.tick();
        }
        return ResultTimeout;
    });
    reentrant.tick();
    QCOMPARE(reentrant.failureCount(), 1);
    QCOMPARE(m_cycle.pollBlockGroup(BlockGroup(9)), ResultDeviceError); // not a group
}

void tst_RefreshCycle::linkArbitration_data()
{
    QTest::addColumn<LinkUser>("holder"); // takes the link before the tick
    QTest::addColumn<bool>("takenDuring"); // a transfer takes it at the tick's first read
    QTest::addColumn<int>("reads");
    QTest::addColumn<bool>("pendingAfter");
    QTest::addColumn<LinkUser>("holderAfter");

    QTest::newRow("free link") << LinkUser::Nobody << false << 5 << false << LinkUser::Nobody;
    // Disconnect's grace period: no tick reads, and ticking stays stopped.
    QTest::newRow("link closing") << LinkUser::Nobody << false << 0 << true << LinkUser::Nobody;
    QTest::newRow("transfer holds") << LinkUser::Transfer << false << 0 << true << LinkUser::Transfer;
    QTest::newRow("scan holds") << LinkUser::Scan << false << 0 << true << LinkUser::Scan;
    // The tick's end neither resumes polling nor frees the transfer's link.
    QTest::newRow("transfer starts mid-tick") << LinkUser::Nobody << true << 5 << true << LinkUser::Transfer;
}

void tst_RefreshCycle::linkArbitration()
{
    QFETCH(LinkUser, holder);
    QFETCH(bool, takenDuring);
    QFETCH(LinkUser, holderAfter);
    DeviceLink &link = DeviceLink::instance();
    link.take(holder);
    int reads = 0;
    RefreshCycle cycle([&](Block) {
        if (++reads == 1 && takenDuring && link.take(LinkUser::Transfer))
            g_tickPending = true; // as a transfer does
        return ResultOk;
    });
    g_pageIndex = PageMainInterface;
    g_tickPending = true;
    setLinkClosing(QTest::currentDataTag() == QByteArray("link closing"));
    cycle.tick();
    setLinkClosing(false);
    QTEST(reads, "reads");
    QTEST(bool(g_tickPending), "pendingAfter");
    QCOMPARE(link.holder(), holderAfter);
    // Another transfer or a scan gets only a free link.
    QCOMPARE(link.take(LinkUser::Scan), holderAfter == LinkUser::Nobody);
    link.giveBack(link.holder());
}

QTEST_GUILESS_MAIN(tst_RefreshCycle)
#include "tst_refreshcycle.moc"
