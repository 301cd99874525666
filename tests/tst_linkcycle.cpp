#include "Modbus/devicemirror.h"
#include "Modbus/displayweightthread.h"
#include "Modbus/linkstate.h"
#include "Modbus/modbussetting.h"
#include "Modbus/registeraccess.h"
#include "main/mainwindow.h"

#include "editordriver.h"
#include "simprocess.h"
#include "windowparts.h"

#include <QChartView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QModbusClient>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QXYSeries>
#include <QtTest>

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
QT_CHARTS_USE_NAMESPACE
#endif

#include <memory>

// The main window against the simulator over loopback TCP and a serial
// line: link-up, dropped links and the teardown with requests still
// outstanding.
class tst_LinkCycle : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void linkUpShowsSimulatorWeight();
    void droppedTcpLinkIsRetried();
    void teardownWithOutstandingRequests();
    void closeWhileTickWaits();
    void deadSerialLine();

private:
    bool connectWindow() { return EditorDriver::connectWindow(m_window, m_sim); }
    QLabel *label(const char *name) const { return m_window->findChild<QLabel *>(QLatin1String(name)); }
    // Runs ticks by hand: the worker thread is stopped so that nothing else polls.
    void manualTicks() { workerOf(m_window)->stop(); }

    QTemporaryDir m_dir;
    SimProcess m_sim;
    MainWindow *m_window = nullptr;
};

void tst_LinkCycle::initTestCase()
{
    qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
    QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));
}

void tst_LinkCycle::init()
{
    for (const char *command : {"fail off", "noreply off", "delay 0", "load 0", "errbits 0"})
        QVERIFY2(m_sim.command(QLatin1String(command)), qPrintable(m_sim.lastAnswer()));
    g_mirror = DeviceMirror();
    g_appTabCode = AppTab::Inputs;
    m_window = new MainWindow;
    m_window->show();
}

void tst_LinkCycle::cleanup()
{
    delete m_window;
    m_window = nullptr;
    QVERIFY(!modbusClient());
}

void tst_LinkCycle::linkUpShowsSimulatorWeight()
{
    QVERIFY(m_sim.command(QStringLiteral("load 12.34")));
    QVERIFY(connectWindow());
    QVERIFY(m_window->findChild<QWidget *>(QStringLiteral("WeightDisplay"))->isVisible());
    QVERIFY(workerOf(m_window)->isRunning());
    // Link-up read the calibration block: the simulator works with two decimals.
    QCOMPARE(g_mirror.live.decimalPoint, 2u);

    // The simulated load settles within a few ticks of the worker thread.
    QTRY_COMPARE_WITH_TIMEOUT(label("labelweight_1")->text(), QStringLiteral("12.34 kg"), 15000);
    QCOMPARE(label("label_ConnectState")->text(), QStringLiteral("Communication-Normal"));
    QVERIFY(label("label_Mv_1")->text().endsWith(QLatin1String(" mV")));

    auto *view = m_window->findChild<QChartView *>(QStringLiteral("QChartView_Monitor_1"));
    QVERIFY(view && !view->chart()->series().isEmpty());
    auto *series = qobject_cast<QXYSeries *>(view->chart()->series().first());
    const int before = series->count();
    QTRY_VERIFY_WITH_TIMEOUT(series->count() >= before + 2, 5000);
    QVERIFY(qAbs(series->points().last().y() - 12.34) < 0.05);
}

void tst_LinkCycle::droppedTcpLinkIsRetried()
{
    QVERIFY(connectWindow());
    manualTicks();
    QPointer<QModbusClient> client = modbusClient();
    QVERIFY(m_sim.command(QStringLiteral("drop")));
    QTRY_VERIFY(client->state() == QModbusDevice::UnconnectedState);

    m_window->onTick(); // notices the drop and starts reconnecting
    QVERIFY(g_commError);
    QTRY_COMPARE(client->state(), QModbusDevice::ConnectedState);
    m_window->onTick();
    QVERIFY(!g_commError);
    QCOMPARE(modbusClient(), client.data());
}

void tst_LinkCycle::teardownWithOutstandingRequests()
{
    QVERIFY(connectWindow());
    manualTicks();
    QVERIFY(m_sim.command(QStringLiteral("noreply on")));

    // A write whose bound (the link's time-out, 5 s) outlasts the grace
    // period, and a read, both waiting when Disconnect is pressed.
    modbusClient()->setTimeout(5000);
    ResultCode writeResult = ResultOk;
    ResultCode readResult = ResultOk;
    bool writeDone = false;
    bool readDone = false;
    QTimer::singleShot(0, [&] {
        Settings request;
        request.address = 104;
        request.num = 2;
        writeResult = writeParameter(modbusClient(), 20, request);
        writeDone = true;
    });
    QTimer::singleShot(10, [&] {
        quint16 words[2];
        Settings request;
        request.address = 0;
        request.num = 2;
        readResult = readRegisters(modbusClient(), request, words);
        readDone = true;
    });
    QTimer::singleShot(50, [this] {
        QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("ButtonDisconnect")), Qt::LeftButton);
    });
    QTRY_VERIFY_WITH_TIMEOUT(writeDone && readDone, 4000);
    QCOMPARE(readResult, ResultNoLink);  // gave up on the closing flag
    QCOMPARE(writeResult, ResultNoLink); // the client went away under it
    QTRY_COMPARE(g_pageIndex, int(PageConnection));
    QVERIFY(!modbusClient());
    QVERIFY(!g_linkClosing);
}

void tst_LinkCycle::closeWhileTickWaits()
{
    QVERIFY(connectWindow());
    QVERIFY(m_sim.command(QStringLiteral("noreply on")));
    // The worker thread keeps ticking; once a tick waits on the device (in
    // the wait's own event loop) the operator disconnects and closes.
    bool clicked = false;
    QTimer operatorHand;
    connect(&operatorHand, &QTimer::timeout, this, [&] {
        if (clicked || QThread::currentThread()->loopLevel() == 0)
            return;
        clicked = true;
        QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("ButtonDisconnect")), Qt::LeftButton);
        m_window->close();
    });
    operatorHand.start(20);
    QTRY_VERIFY_WITH_TIMEOUT(clicked && !modbusClient(), 5000);
    // Deleting the window stops the worker thread before anything else.
    delete m_window;
    m_window = nullptr;
}

void tst_LinkCycle::deadSerialLine()
{
    auto pair = std::make_unique<SocatPair>();
    QVERIFY2(pair->start(), qPrintable(pair->errorString()));
    SimProcess rtuSim({QStringLiteral("--rtu"), pair->second(), QStringLiteral("--baud"), QStringLiteral("38400"),
                       QStringLiteral("--parity"), QStringLiteral("none")});
    QVERIFY2(rtuSim.start(), qPrintable(rtuSim.errorString()));

    ModbusSetting *page = connectionPageOf(m_window);
    page->findChild<QComboBox *>(QStringLiteral("connectType"))->setCurrentIndex(0);
    page->findChild<QComboBox *>(QStringLiteral("serialnumcomboBox"))->setEditText(pair->first());
    page->findChild<QComboBox *>(QStringLiteral("baudCombo"))->setCurrentIndex(3);
    page->findChild<QComboBox *>(QStringLiteral("dataBitsCombo"))->setCurrentIndex(1);
    page->findChild<QComboBox *>(QStringLiteral("parityCombo"))->setCurrentIndex(0);
    QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("connectButton")), Qt::LeftButton);
    QCOMPARE(g_pageIndex, int(PageMainInterface));
    QVERIFY(label("label_port")->text().contains(QLatin1String("38400-8-N-1")));
    manualTicks();
    m_window->onTick();
    QCOMPARE(label("label_ConnectState")->text(), QStringLiteral("Communication-Normal"));

    pair.reset(); // the cable is pulled
    for (int tick = 0; tick < 3; ++tick)
        m_window->onTick();
    QCOMPARE(label("label_ConnectState")->text(), QStringLiteral("Communication-Error"));
    QVERIFY(label("label_ConnectState")->styleSheet().contains(QLatin1String("red")));
    QVERIFY(g_commError);
    // The failed port is closed rather than left raising errors.
    QCOMPARE(modbusClient()->state(), QModbusDevice::UnconnectedState);

    QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("ButtonDisconnect")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(g_pageIndex, int(PageConnection), 5000);
}

QTEST_MAIN(tst_LinkCycle)
#include "tst_linkcycle.moc"
