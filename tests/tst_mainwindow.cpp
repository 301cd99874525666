#include "App/application.h"
#include "App/basicconfig.h"
#include "App/datatrans.h"
#include "App/maininterface.h"
#include "App/testmaintain.h"
#include "App/weightcal.h"
#include "Modbus/linkstate.h"
#include "Modbus/modbussetting.h"
#include "main/mainwindow.h"

#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScopedPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

const char *const NavButtons[6] = {"ButtonMainInterface", "ButtonBasicConfig", "ButtonWeightCal",
                                   "ButtonApplication",   "ButtonDataTrans",   "ButtonTestMaintain"};

const QString SelectedStyle = QStringLiteral("background-color:#00aaff;");
const QString NormalStyle = QStringLiteral("QPushButton:hover{background-color:#00aaff;}");

void sendMouse(QWidget *target, QEvent::Type type, const QPoint &local, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, local, target->mapToGlobal(local), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void formsConnectEverySlot_data();
    void formsConnectEverySlot();
    void startsOnConnectionPage();
    void linkUpShowsChromeAndPageZero();
    void disconnectGrace_data();
    void disconnectGrace();
    void navigation_data();
    void navigation();
    void leavingTestMaintainLocksIt_data();
    void leavingTestMaintainLocksIt();
    void hoverCursor_data();
    void hoverCursor();
    void pressAndMove_data();
    void pressAndMove();
    void doubleClickTitle_data();
    void doubleClickTitle();
    void maximiseAndRestoreLayOutPages();
    void linkParameters_data();
    void linkParameters();
    void rtuAfterTcpShowsSlaveIdAgain();
    void exitActionCloses();

private:
    template<typename T> T *child(const char *name) const
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }
    QWidget *currentPage() const { return child<QStackedWidget>("stackedWidget")->currentWidget(); }
    void linkUp();
    void setTcp(const QString &host, const QString &port);
    void setRtu(const QString &port, int baudIndex, int dataBitsIndex, int parityIndex);

    QTemporaryDir m_settingsDir;
    QScopedPointer<MainWindow> m_window;
};

void tst_MainWindow::initTestCase()
{
    QVERIFY(m_settingsDir.isValid());
    // Keeps the connection page from writing setting.ini beside the binary.
    qputenv("R7CONFIG_SETTINGS_DIR", m_settingsDir.path().toLocal8Bit());
    TestSupport::installMessageCollector(TestSupport::PassAll);
    // The exit test closes the last window; that must not end the run.
    QApplication::setQuitOnLastWindowClosed(false);
}

void tst_MainWindow::init()
{
    g_unmatchedSlots.clear();
    g_commError = false;
    setLinkClosing(false);
    g_normalWidth = 1150;

    m_window.reset(new MainWindow);
    QVERIFY2(g_unmatchedSlots.isEmpty(), qPrintable(g_unmatchedSlots.join(QLatin1Char('\n'))));
    // As the application shows it: without a frame, window and client positions agree.
    m_window->setWindowFlags(m_window->windowFlags() | Qt::FramelessWindowHint);
    m_window->move(0, 0);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.data()));
    g_traces.clear();
}

void tst_MainWindow::cleanup()
{
    m_window.reset();
    g_commError = false;
    setLinkClosing(false);
}

void tst_MainWindow::linkUp()
{
    emit m_window->connectionPage()->ConnectSuccessfulSignal();
}

void tst_MainWindow::formsConnectEverySlot_data()
{
    QTest::addColumn<QString>("form");
    QTest::newRow("MainWindow") << QStringLiteral("MainWindow");
    QTest::newRow("MainInterface") << QStringLiteral("MainInterface");
    QTest::newRow("BasicConfig") << QStringLiteral("BasicConfig");
    QTest::newRow("WeightCal") << QStringLiteral("WeightCal");
    QTest::newRow("Application") << QStringLiteral("Application");
    QTest::newRow("DataTrans") << QStringLiteral("DataTrans");
    QTest::newRow("TestMaintain") << QStringLiteral("TestMaintain");
}

void tst_MainWindow::formsConnectEverySlot()
{
    QFETCH(QString, form);
    g_unmatchedSlots.clear();

    QScopedPointer<QWidget> widget;
    if (form == QLatin1String("MainWindow"))
        widget.reset(new MainWindow);
    else if (form == QLatin1String("MainInterface"))
        widget.reset(new MainInterface);
    else if (form == QLatin1String("BasicConfig"))
        widget.reset(new BasicConfig);
    else if (form == QLatin1String("WeightCal"))
        widget.reset(new WeightCal);
    else if (form == QLatin1String("Application"))
        widget.reset(new Application);
    else if (form == QLatin1String("DataTrans"))
        widget.reset(new DataTrans);
    else if (form == QLatin1String("TestMaintain"))
        widget.reset(new TestMaintain);
    QVERIFY(widget);
    QCOMPARE(widget->objectName(), form);
    QVERIFY2(g_unmatchedSlots.isEmpty(), qPrintable(g_unmatchedSlots.join(QLatin1Char('\n'))));

    // Every page has the remote-editing banner, hidden until the device asks for it.
    if (form != QLatin1String("MainWindow")) {
        auto *banner = widget->findChild<QWidget *>(QStringLiteral("widget_top"));
        QVERIFY(banner);
        QVERIFY(banner->findChild<QLabel *>(QStringLiteral("label_RemoteTip")));
        QVERIFY(banner->isHidden());
    }
}

void tst_MainWindow::startsOnConnectionPage()
{
    QCOMPARE(g_pageIndex, int(PageConnection));
    QCOMPARE(currentPage(), static_cast<QWidget *>(m_window->connectionPage()));
    QVERIFY(child<QWidget>("WeightDisplay")->isHidden());
    QVERIFY(child<QWidget>("widget")->isHidden());
    QVERIFY(child<QWidget>("widget_down")->isHidden());
    QVERIFY(!g_linkClosing);
    QVERIFY(!m_window->disconnectTimer()->isActive());
    QVERIFY(m_window->disconnectTimer()->isSingleShot());
    QCOMPARE(m_window->size(), QSize(1150, 800));
    QCOMPARE(m_window->minimumSize(), QSize(1150, 800));
    QCOMPARE(m_window->normalWidth(), 1150);

    // Connection page first, then the six pages by their numbers.
    auto *stack = child<QStackedWidget>("stackedWidget");
    QCOMPARE(stack->count(), 7);
    QCOMPARE(stack->widget(0), static_cast<QWidget *>(m_window->connectionPage()));
    for (int i = 0; i < 6; ++i)
        QCOMPARE(stack->widget(i + 1), m_window->page(i));
}

void tst_MainWindow::linkUpShowsChromeAndPageZero()
{
    linkUp();
    QCOMPARE(g_pageIndex, int(PageMainInterface));
    QCOMPARE(currentPage(), m_window->page(PageMainInterface));
    QVERIFY(!child<QWidget>("WeightDisplay")->isHidden());
    QVERIFY(!child<QWidget>("widget")->isHidden());
    QVERIFY(!child<QWidget>("widget_down")->isHidden());
    QVERIFY(!child<QLabel>("label_protol")->text().isEmpty());
}

void tst_MainWindow::disconnectGrace_data()
{
    QTest::addColumn<bool>("commError");
    QTest::addColumn<int>("graceMs");

    QTest::newRow("last poll good") << false << 500;
    QTest::newRow("last poll failed") << true << 2000;
}

void tst_MainWindow::disconnectGrace()
{
    QFETCH(bool, commError);
    QFETCH(int, graceMs);

    linkUp();
    g_commError = commError;
    QSignalSpy teardowns(m_window.data(), &MainWindow::linkDown);
    auto *button = child<QPushButton>("ButtonDisconnect");
    QTimer *timer = m_window->disconnectTimer();

    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(g_linkClosing);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), graceMs);

    // Still within the grace period: nothing is torn down yet.
    QCoreApplication::processEvents();
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(g_linkClosing);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), graceMs);
    QCOMPARE(teardowns.count(), 0);
    QCOMPARE(g_pageIndex, int(PageMainInterface));
    QVERIFY(!child<QWidget>("widget_down")->isHidden());

    QTRY_COMPARE_WITH_TIMEOUT(teardowns.count(), 1, graceMs + 10000);
    QVERIFY(!g_linkClosing);
    QCOMPARE(g_pageIndex, int(PageConnection));
    QCOMPARE(currentPage(), static_cast<QWidget *>(m_window->connectionPage()));
    QVERIFY(child<QWidget>("WeightDisplay")->isHidden());
    QVERIFY(child<QWidget>("widget")->isHidden());
    QVERIFY(child<QWidget>("widget_down")->isHidden());

    // A second teardown from the first click would come within one more grace period.
    QTest::qWait(graceMs + 200);
    QCOMPARE(teardowns.count(), 1);
    QVERIFY(!timer->isActive());
}

void tst_MainWindow::navigation_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("pageClass");
    QTest::addColumn<QString>("trace");

    QTest::newRow("main interface") << 0 << "MainInterface" << "Into Main Interface-------------";
    QTest::newRow("basic config") << 1 << "BasicConfig" << "IN BasicParam---------";
    QTest::newRow("weight & cal") << 2 << "WeightCal" << "Into cal translate";
    QTest::newRow("application") << 3 << "Application" << "Into Application-------------";
    QTest::newRow("data-trans") << 4 << "DataTrans" << "Into Data Tran-------------";
    QTest::newRow("test maintain") << 5 << "TestMaintain" << "Into Test_Maintain------";
}

void tst_MainWindow::navigation()
{
    QFETCH(int, index);
    QFETCH(QString, pageClass);
    QFETCH(QString, trace);

    linkUp();
    // Start from another page so that the click has to change something.
    m_window->showPage(index == 0 ? 1 : 0);
    g_traces.clear();

    QTest::mouseClick(child<QPushButton>(NavButtons[index]), Qt::LeftButton);

    QCOMPARE(g_pageIndex, index);
    QCOMPARE(QString::fromLatin1(currentPage()->metaObject()->className()), pageClass);
    int selected = 0;
    for (int i = 0; i < 6; ++i) {
        const QString style = child<QPushButton>(NavButtons[i])->styleSheet();
        if (i == index) {
            QCOMPARE(style, SelectedStyle);
            ++selected;
        } else {
            QCOMPARE(style, NormalStyle);
        }
    }
    QCOMPARE(selected, 1);
    // Entered exactly once: a slot connected twice would enter the page twice.
    QCOMPARE(g_traces.count(trace), 1);
}

void tst_MainWindow::leavingTestMaintainLocksIt_data()
{
    QTest::addColumn<int>("next");
    QTest::addColumn<bool>("stillUnlocked");

    QTest::newRow("to basic config") << 1 << false;
    QTest::newRow("to connection page") << 7 << false;
    QTest::newRow("test maintain again") << 5 << true;
}

void tst_MainWindow::leavingTestMaintainLocksIt()
{
    QFETCH(int, next);
    QFETCH(bool, stillUnlocked);

    linkUp();
    m_window->showPage(PageTestMaintain);
    TestMaintain *page = m_window->testMaintainPage();
    page->setPasswordOk(true);

    m_window->showPage(next);
    QCOMPARE(g_pageIndex, next);
    QCOMPARE(page->passwordOk(), stillUnlocked);
}

void tst_MainWindow::hoverCursor_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("shape");

    QTest::newRow("right edge") << QPoint(1146, 400) << int(Qt::SizeHorCursor);
    QTest::newRow("top edge") << QPoint(500, 2) << int(Qt::SizeVerCursor);
    QTest::newRow("bottom-right") << QPoint(1148, 798) << int(Qt::SizeFDiagCursor);
    QTest::newRow("title, off the edges") << QPoint(300, 20) << int(Qt::ArrowCursor);
}

void tst_MainWindow::hoverCursor()
{
    QFETCH(QPoint, point);
    QFETCH(int, shape);

    // Start from a shape that no row expects, so every row has to set it.
    m_window->setCursor(Qt::WaitCursor);
    sendMouse(m_window.data(), QEvent::MouseMove, point, Qt::NoButton, Qt::NoButton);
    QCOMPARE(int(m_window->cursor().shape()), shape);
    QCOMPARE(m_window->geometry(), QRect(QPoint(0, 0), QSize(1150, 800)));
}

void tst_MainWindow::pressAndMove_data()
{
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<QPoint>("moved");
    QTest::addColumn<QSize>("grown");

    QTest::newRow("y 50 off the edges") << QPoint(300, 50) << QPoint(40, 30) << QPoint(0, 0) << QSize(0, 0);
    QTest::newRow("title drags") << QPoint(300, 20) << QPoint(-20, 15) << QPoint(-20, 15) << QSize(0, 0);
    QTest::newRow("right edge resizes") << QPoint(1146, 400) << QPoint(50, 20) << QPoint(0, 0) << QSize(50, 0);
    QTest::newRow("left edge resizes") << QPoint(3, 400) << QPoint(-30, 10) << QPoint(-30, 0) << QSize(30, 0);
    QTest::newRow("top-left corner") << QPoint(1, 1) << QPoint(-10, -20) << QPoint(-10, -20) << QSize(10, 20);
    QTest::newRow("shrinking from the left stops at the minimum")
        << QPoint(3, 400) << QPoint(80, 0) << QPoint(0, 0) << QSize(0, 0);
}

void tst_MainWindow::pressAndMove()
{
    QFETCH(QPoint, press);
    QFETCH(QPoint, delta);
    QFETCH(QPoint, moved);
    QFETCH(QSize, grown);

    m_window->move(100, 60);
    QTRY_COMPARE(m_window->pos(), QPoint(100, 60));
    const QRect before = m_window->geometry();

    sendMouse(m_window.data(), QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton);
    // The window may move under the mouse, so the move is given globally.
    const QPoint global = m_window->mapToGlobal(press) + delta;
    QMouseEvent move(QEvent::MouseMove, m_window->mapFromGlobal(global), global, Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_window.data(), &move);
    sendMouse(m_window.data(), QEvent::MouseButtonRelease, m_window->mapFromGlobal(global), Qt::LeftButton,
              Qt::NoButton);

    QTRY_COMPARE(m_window->pos(), before.topLeft() + moved);
    QCOMPARE(m_window->size(), before.size() + grown);
    QCOMPARE(m_window->normalWidth(), before.width() + grown.width());

    // After the release, moving without a button changes nothing.
    const QRect after = m_window->geometry();
    QMouseEvent hover(QEvent::MouseMove, QPoint(600, 20), m_window->mapToGlobal(QPoint(600, 20)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(m_window.data(), &hover);
    QCOMPARE(m_window->geometry(), after);
}

void tst_MainWindow::doubleClickTitle_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<bool>("toggles");

    QTest::newRow("title, row 40") << QPoint(600, 40) << true;
    QTest::newRow("below the title") << QPoint(150, 41) << false;
    // Relative to the language button, found in the test.
    QTest::newRow("at the language button's left edge") << QPoint(0, 20) << true;
    QTest::newRow("right of the language button's edge") << QPoint(1, 20) << false;
}

void tst_MainWindow::doubleClickTitle()
{
    QFETCH(QPoint, point);
    QFETCH(bool, toggles);

    if (QByteArray(QTest::currentDataTag()).contains("language")) {
        auto *language = child<QPushButton>("Btn_ChangeLanguage");
        point.rx() += language->mapTo(m_window.data(), QPoint(0, 0)).x();
    }
    g_traces.clear();

    QVERIFY(!m_window->isMaximized());
    sendMouse(m_window.data(), QEvent::MouseButtonDblClick, point, Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(m_window->isMaximized(), toggles);
    QCOMPARE(g_traces.filter(QStringLiteral("BtnPos")).count(), 1);

    if (toggles) {
        sendMouse(m_window.data(), QEvent::MouseButtonDblClick, point, Qt::LeftButton, Qt::LeftButton);
        QVERIFY(!m_window->isMaximized());
    }
}

void tst_MainWindow::maximiseAndRestoreLayOutPages()
{
    auto *basic = qobject_cast<BasicConfig *>(m_window->page(PageBasicConfig));
    auto *main = qobject_cast<MainInterface *>(m_window->page(PageMainInterface));
    auto *cal = qobject_cast<WeightCal *>(m_window->page(PageWeightCal));
    auto *app = qobject_cast<Application *>(m_window->page(PageApplication));
    auto *trans = qobject_cast<DataTrans *>(m_window->page(PageDataTrans));
    QVERIFY(basic && main && cal && app && trans);

    // Grow the window from its right edge first, so the normal width is not the default.
    sendMouse(m_window.data(), QEvent::MouseButtonPress, QPoint(1146, 400), Qt::LeftButton, Qt::LeftButton);
    const QPoint global = m_window->mapToGlobal(QPoint(1146 + 70, 400));
    QMouseEvent move(QEvent::MouseMove, m_window->mapFromGlobal(global), global, Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_window.data(), &move);
    sendMouse(m_window.data(), QEvent::MouseButtonRelease, QPoint(1216, 400), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(m_window->normalWidth(), 1220);
    QCOMPARE(basic->layoutWidth(), 1220);

    QTest::mouseClick(child<QPushButton>("Btn_Max"), Qt::LeftButton);
    QVERIFY(m_window->isMaximized());
    const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
    for (int width : {main->layoutWidth(), basic->layoutWidth(), cal->layoutWidth(), app->layoutWidth(),
                      trans->layoutWidth()})
        QCOMPARE(width, screenWidth);
    QCOMPARE(m_window->normalWidth(), 1220);

    // A press on an edge of the maximised window neither resizes nor moves it.
    const QRect maximised = m_window->geometry();
    sendMouse(m_window.data(), QEvent::MouseButtonPress, QPoint(2, 400), Qt::LeftButton, Qt::LeftButton);
    const QPoint away = m_window->mapToGlobal(QPoint(60, 400));
    QMouseEvent drag(QEvent::MouseMove, m_window->mapFromGlobal(away), away, Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(m_window.data(), &drag);
    sendMouse(m_window.data(), QEvent::MouseButtonRelease, QPoint(60, 400), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(m_window->geometry(), maximised);

    // Restoring by double-click lays the pages out for the stored normal width.
    sendMouse(m_window.data(), QEvent::MouseButtonDblClick, QPoint(150, 20), Qt::LeftButton, Qt::LeftButton);
    QVERIFY(!m_window->isMaximized());
    for (int width : {main->layoutWidth(), basic->layoutWidth(), cal->layoutWidth(), app->layoutWidth(),
                      trans->layoutWidth()})
        QCOMPARE(width, 1220);
    QCOMPARE(m_window->width(), 1220);
}

void tst_MainWindow::setTcp(const QString &host, const QString &port)
{
    ModbusSetting *page = m_window->connectionPage();
    page->findChild<QComboBox *>(QStringLiteral("connectType"))->setCurrentIndex(1);
    page->findChild<QLineEdit *>(QStringLiteral("EditHostIP"))->setText(host);
    page->findChild<QLineEdit *>(QStringLiteral("EditPort"))->setText(port);
}

void tst_MainWindow::setRtu(const QString &port, int baudIndex, int dataBitsIndex, int parityIndex)
{
    ModbusSetting *page = m_window->connectionPage();
    page->findChild<QComboBox *>(QStringLiteral("connectType"))->setCurrentIndex(0);
    auto *ports = page->findChild<QComboBox *>(QStringLiteral("serialnumcomboBox"));
    ports->addItem(QStringLiteral("Test adapter(%1)").arg(port));
    ports->setCurrentIndex(ports->count() - 1);
    page->findChild<QComboBox *>(QStringLiteral("baudCombo"))->setCurrentIndex(baudIndex);
    page->findChild<QComboBox *>(QStringLiteral("dataBitsCombo"))->setCurrentIndex(dataBitsIndex);
    page->findChild<QComboBox *>(QStringLiteral("parityCombo"))->setCurrentIndex(parityIndex);
    page->findChild<QComboBox *>(QStringLiteral("stopBitsCombo"))->setCurrentIndex(0);
}

void tst_MainWindow::linkParameters_data()
{
    QTest::addColumn<bool>("tcp");
    QTest::addColumn<int>("baudIndex");
    QTest::addColumn<int>("dataBitsIndex");
    QTest::addColumn<int>("parityIndex");
    QTest::addColumn<int>("delay");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("protocol");
    QTest::addColumn<QString>("slaveTitle");
    QTest::addColumn<QString>("slave");

    QTest::newRow("RTU 38400-8-E-1")
        << false << 3 << 1 << 1 << 300 << "ttyUSB0:<a style='color:#00aaff;'>38400-8-E-1</a>" << "Modbus RTU"
        << "Slave ID:" << "*";
    QTest::newRow("RTU 4800-7-N-1")
        << false << 0 << 0 << 0 << 50 << "ttyUSB0:<a style='color:#00aaff;'>4800-7-N-1</a>" << "Modbus RTU"
        << "Slave ID:" << "*";
    QTest::newRow("RTU 115200-8-O-1")
        << false << 5 << 1 << 2 << 1000 << "ttyUSB0:<a style='color:#00aaff;'>115200-8-O-1</a>"
        << "Modbus RTU" << "Slave ID:" << "*";
    QTest::newRow("TCP") << true << 0 << 0 << 0 << 200 << "192.168.1.20" << "Modbus TCP" << "Port: " << "1502";
}

void tst_MainWindow::linkParameters()
{
    QFETCH(bool, tcp);
    QFETCH(int, baudIndex);
    QFETCH(int, dataBitsIndex);
    QFETCH(int, parityIndex);
    QFETCH(int, delay);
    QFETCH(QString, port);
    QFETCH(QString, protocol);
    QFETCH(QString, slaveTitle);
    QFETCH(QString, slave);

    if (tcp)
        setTcp(QStringLiteral("192.168.1.20"), QStringLiteral("1502"));
    else
        setRtu(QStringLiteral("ttyUSB0"), baudIndex, dataBitsIndex, parityIndex);
    m_window->connectionPage()->findChild<QSpinBox *>(QStringLiteral("timeoutSpinner"))->setValue(delay);

    m_window->InitLinkParam();

    const Settings settings = m_window->connectionPage()->settings();
    QCOMPARE(child<QLabel>("label_port")->text(), port);
    QCOMPARE(child<QLabel>("label_protol")->text(), protocol);
    QCOMPARE(child<QLabel>("label_SlaveTitle")->text(), slaveTitle);
    QCOMPARE(child<QLabel>("label_SlaveID")->text(),
             slave == QLatin1String("*") ? QString::number(settings.slaveId) : slave);
    QCOMPARE(child<QLabel>("label_DwordFormat")->text(),
             settings.dwordFormat == 0 ? QStringLiteral("AB-CD") : QStringLiteral("CD-AB"));
    QCOMPARE(child<QLabel>("label_Delay")->text(), QStringLiteral("%1ms").arg(delay));
}

void tst_MainWindow::rtuAfterTcpShowsSlaveIdAgain()
{
    setTcp(QStringLiteral("10.0.0.7"), QStringLiteral("502"));
    linkUp();
    QCOMPARE(child<QLabel>("label_SlaveTitle")->text(), QStringLiteral("Port: "));
    QCOMPARE(child<QLabel>("label_SlaveID")->text(), QStringLiteral("502"));

    QSignalSpy teardowns(m_window.data(), &MainWindow::linkDown);
    QTest::mouseClick(child<QPushButton>("ButtonDisconnect"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(teardowns.count(), 1, 10000);

    setRtu(QStringLiteral("ttyS3"), 3, 1, 1);
    linkUp();
    QCOMPARE(child<QLabel>("label_SlaveTitle")->text(), QStringLiteral("Slave ID:"));
    QVERIFY(child<QLabel>("label_SlaveTitle")->isVisible());
    QVERIFY(child<QLabel>("label_SlaveID")->isVisible());
    QCOMPARE(child<QLabel>("label_protol")->text(), QStringLiteral("Modbus RTU"));
    QCOMPARE(child<QLabel>("label_port")->text(), QStringLiteral("ttyS3:<a style='color:#00aaff;'>38400-8-E-1</a>"));
}

void tst_MainWindow::exitActionCloses()
{
    QVERIFY(m_window->isVisible());
    child<QAction>("actionExit")->trigger();
    QVERIFY(!m_window->isVisible());
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
