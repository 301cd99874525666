#include "App/application.h"
#include "App/basicconfig.h"
#include "App/datatrans.h"
#include "App/maininterface.h"
#include "App/testmaintain.h"
#include "App/weightcal.h"
#include "Modbus/devicemirror.h"
#include "Modbus/linkstate.h"
#include "Modbus/modbussetting.h"
#include "Modbus/refreshcycle.h"
#include "main/mainwindow.h"

#include "testsupport.h"
#include "windowparts.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScopeGuard>
#include <QScopedPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

const char *const NavButtons[6] = {"ButtonMainInterface", "ButtonBasicConfig", "ButtonWeightCal",
                                   "ButtonApplication",   "ButtonDataTrans",   "ButtonTestMaintain"};

void sendMouse(QWidget *target, QEvent::Type type, const QPoint &local, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, local, target->mapToGlobal(local), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// A press at a point, a move by delta (given globally: the window may move
// under the mouse) and the release there.
void dragBy(QWidget *window, const QPoint &press, const QPoint &delta)
{
    sendMouse(window, QEvent::MouseButtonPress, press, Qt::LeftButton);
    const QPoint global = window->mapToGlobal(press) + delta;
    sendMouse(window, QEvent::MouseMove, window->mapFromGlobal(global), Qt::LeftButton);
    sendMouse(window, QEvent::MouseButtonRelease, window->mapFromGlobal(global), Qt::NoButton);
}

// Every shown widget of the window lies within its parent and has at least the size its contents need; the
// contents of a scroll area may be as high as they like, but no wider than an area that cannot scroll across.
QStringList layoutProblems(QWidget *window)
{
    QStringList problems;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!w->isVisible() || w->isWindow() || qobject_cast<QComboBox *>(w->parentWidget())
            || qobject_cast<QAbstractSpinBox *>(w->parentWidget()))
            continue; // the parts of a compound editor are its own business
        QWidget *parent = w->parentWidget();
        const QString name = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                       : w->objectName();
        auto *area = qobject_cast<QScrollArea *>(parent->parentWidget());
        if (area && area->widget() == w) {
            if (area->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOff && w->width() > parent->width())
                problems << QStringLiteral("%1 is %2 px wider than its scroll area")
                                .arg(name)
                                .arg(w->width() - parent->width());
            continue;
        }
        if (!parent->rect().contains(w->geometry()))
            problems << QStringLiteral("%1 (%2,%3 %4x%5) is cut off by %6 (%7x%8)")
                            .arg(name).arg(w->x()).arg(w->y()).arg(w->width()).arg(w->height())
                            .arg(parent->objectName()).arg(parent->width()).arg(parent->height());
        // What a layout would give it at least: the minimum set on the form, or what its contents need.
        QSize need = w->minimumSizeHint();
        if (w->minimumWidth() > 0)
            need.setWidth(w->minimumWidth());
        if (w->minimumHeight() > 0)
            need.setHeight(w->minimumHeight());
        auto *label = qobject_cast<QLabel *>(w);
        if (label && label->hasScaledContents())
            continue;
        if (need.isValid() && (w->width() < need.width() || w->height() < need.height()))
            problems << QStringLiteral("%1 is %2x%3, its contents need %4x%5")
                            .arg(name).arg(w->width()).arg(w->height()).arg(need.width()).arg(need.height());
    }
    return problems;
}

} // namespace

// One window for the suite; every case starts from the connection page with
// the window at its normal size and place.
class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void formsConnectEverySlot();
    void navigation();
    void disconnectGrace_data();
    void disconnectGrace();
    void pressAndMove_data();
    void pressAndMove();
    void doubleClickTitle_data();
    void doubleClickTitle();
    void maximisedWindowKeepsNormalWidth();
    void groupsNeverOverlap_data();
    void groupsNeverOverlap();
    void smallScreen_data();
    void smallScreen();
    void tabOrder_data();
    void tabOrder();
    void linkParameters_data();
    void linkParameters();

private:
    template<typename T> T *child(const char *name) const
    {
        return m_window->findChild<T *>(QLatin1String(name));
    }
    // The page shown; a page without a scroll area of its own sits in one.
    QWidget *currentPage() const
    {
        QWidget *shown = child<QStackedWidget>("stackedWidget")->currentWidget();
        auto *area = qobject_cast<QScrollArea *>(shown);
        return area ? area->widget() : shown;
    }
    void linkUp() { emit connectionPageOf(m_window.data())->ConnectSuccessfulSignal(); }

    QTemporaryDir m_settingsDir;
    QScopedPointer<MainWindow> m_window;
};

void tst_MainWindow::initTestCase()
{
    QVERIFY(m_settingsDir.isValid());
    // Keeps the connection page from writing setting.ini beside the binary.
    qputenv("R7CONFIG_SETTINGS_DIR", m_settingsDir.path().toLocal8Bit());
    TestSupport::installMessageCollector(TestSupport::PassAll);

    m_window.reset(new MainWindow);
    // As the application shows it: without a frame, window and client positions agree.
    m_window->setWindowFlags(m_window->windowFlags() | Qt::FramelessWindowHint);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.data()));
}

void tst_MainWindow::init()
{
    if (g_pageIndex != PageConnection)
        m_window->disconnectModbus();
    g_commError = false;
    setLinkClosing(false);
    m_window->showNormal();
    g_normalWidth = 1150;
    m_window->setGeometry(0, 0, 1150, 800);
    QTRY_COMPARE(m_window->geometry(), QRect(0, 0, 1150, 800));
    g_traces.clear();
}

void tst_MainWindow::cleanupTestCase()
{
    m_window.reset();
    setLinkClosing(false);
}

// setupUi binds on_<object>_<signal> slots by name and only warns when an
// object was renamed: a button would then do nothing.
void tst_MainWindow::formsConnectEverySlot()
{
    g_unmatchedSlots.clear();
    delete new MainWindow;
    delete new MainInterface;
    delete new BasicConfig;
    delete new WeightCal;
    delete new Application;
    delete new DataTrans;
    delete new TestMaintain;
    QVERIFY2(g_unmatchedSlots.isEmpty(), qPrintable(g_unmatchedSlots.join(QLatin1Char('\n'))));
}

void tst_MainWindow::navigation()
{
    QCOMPARE(currentPage(), static_cast<QWidget *>(connectionPageOf(m_window.data())));
    QVERIFY(child<QWidget>("WeightDisplay")->isHidden());
    QVERIFY(child<QWidget>("widget_down")->isHidden());

    linkUp();
    QCOMPARE(g_pageIndex, int(PageMainInterface));
    QCOMPARE(currentPage(), m_window->page(PageMainInterface));
    QVERIFY(!child<QWidget>("WeightDisplay")->isHidden());
    QVERIFY(!child<QWidget>("widget")->isHidden());
    QVERIFY(!child<QWidget>("widget_down")->isHidden());

    const QStringList entered = {"Into Main Interface-------------", "IN BasicParam---------",
                                 "Into cal translate", "Into Application-------------",
                                 "Into Data Tran-------------", "Into Test_Maintain------"};
    for (int index : {1, 2, 3, 4, 5, 0}) {
        g_traces.clear();
        QTest::mouseClick(child<QPushButton>(NavButtons[index]), Qt::LeftButton);
        QCOMPARE(g_pageIndex, index);
        QCOMPARE(currentPage(), m_window->page(index));
        for (int i = 0; i < 6; ++i)
            QCOMPARE(child<QPushButton>(NavButtons[i])->styleSheet().startsWith(QLatin1String("background")),
                     i == index);
        // Entered once: a slot connected twice would enter the page twice.
        QCOMPARE(g_traces.count(entered.at(index)), 1);
    }
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
    auto *timer = child<QTimer>("disconnectTimer");
    auto *button = child<QPushButton>("ButtonDisconnect");

    // A second click within the grace period restarts the same timer.
    for (int click = 0; click < 2; ++click) {
        QTest::mouseClick(button, Qt::LeftButton);
        QCoreApplication::processEvents();
        QVERIFY(g_linkClosing);
        QVERIFY(timer->isActive() && timer->isSingleShot());
        QCOMPARE(timer->interval(), graceMs);
        QCOMPARE(g_pageIndex, int(PageMainInterface));
    }

    timer->start(0); // the grace period is over
    QTRY_COMPARE(g_pageIndex, int(PageConnection));
    QVERIFY(!g_linkClosing);
    QVERIFY(!timer->isActive());
    QCOMPARE(currentPage(), static_cast<QWidget *>(connectionPageOf(m_window.data())));
    QVERIFY(child<QWidget>("WeightDisplay")->isHidden());
    QVERIFY(child<QWidget>("widget")->isHidden());
    QVERIFY(child<QWidget>("widget_down")->isHidden());
}

void tst_MainWindow::pressAndMove_data()
{
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<QPoint>("moved");
    QTest::addColumn<QSize>("grown");
    QTest::addColumn<int>("cursor"); // shape when hovering at the press point

    QTest::newRow("y 50 off the edges")
        << QPoint(300, 50) << QPoint(40, 30) << QPoint(0, 0) << QSize(0, 0) << int(Qt::ArrowCursor);
    QTest::newRow("title drags")
        << QPoint(300, 20) << QPoint(-20, 15) << QPoint(-20, 15) << QSize(0, 0) << int(Qt::ArrowCursor);
    QTest::newRow("right edge resizes")
        << QPoint(1146, 400) << QPoint(50, 20) << QPoint(0, 0) << QSize(50, 0) << int(Qt::SizeHorCursor);
    QTest::newRow("left edge resizes")
        << QPoint(3, 400) << QPoint(-30, 10) << QPoint(-30, 0) << QSize(30, 0) << int(Qt::SizeHorCursor);
    QTest::newRow("top-left corner")
        << QPoint(1, 1) << QPoint(-10, -20) << QPoint(-10, -20) << QSize(10, 20) << int(Qt::SizeFDiagCursor);
    QTest::newRow("shrinking from the left stops at the minimum")
        << QPoint(3, 400) << QPoint(200, 0) << QPoint(126, 0) << QSize(-126, 0) << int(Qt::SizeHorCursor);
}

void tst_MainWindow::pressAndMove()
{
    QFETCH(QPoint, press);
    QFETCH(QPoint, delta);
    QFETCH(QPoint, moved);
    QFETCH(QSize, grown);
    QFETCH(int, cursor);

    m_window->move(100, 60);
    QTRY_COMPARE(m_window->pos(), QPoint(100, 60));
    const QRect before = m_window->geometry();

    // Start from a shape no row expects, so every row has to set it.
    m_window->setCursor(Qt::WaitCursor);
    sendMouse(m_window.data(), QEvent::MouseMove, press, Qt::NoButton);
    QCOMPARE(int(m_window->cursor().shape()), cursor);

    dragBy(m_window.data(), press, delta);
    QTRY_COMPARE(m_window->pos(), before.topLeft() + moved);
    QCOMPARE(m_window->size(), before.size() + grown);
    QCOMPARE(g_normalWidth, before.width() + grown.width());

    // After the release, moving without a button changes nothing.
    const QRect after = m_window->geometry();
    sendMouse(m_window.data(), QEvent::MouseMove, QPoint(600, 20), Qt::NoButton);
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

    if (QByteArray(QTest::currentDataTag()).contains("language"))
        point.rx() += child<QPushButton>("Btn_ChangeLanguage")->mapTo(m_window.data(), QPoint(0, 0)).x();

    sendMouse(m_window.data(), QEvent::MouseButtonDblClick, point, Qt::LeftButton);
    QCOMPARE(m_window->isMaximized(), toggles);
    QCOMPARE(g_traces.filter(QStringLiteral("BtnPos")).count(), 1);
    if (toggles) {
        if (QByteArray(QTest::currentDataTag()).contains("language")) // the button moved with the right edge
            point.setX(child<QPushButton>("Btn_ChangeLanguage")->mapTo(m_window.data(), QPoint(0, 0)).x());
        sendMouse(m_window.data(), QEvent::MouseButtonDblClick, point, Qt::LeftButton);
        QVERIFY(!m_window->isMaximized());
    }
}

void tst_MainWindow::maximisedWindowKeepsNormalWidth()
{
    dragBy(m_window.data(), QPoint(1146, 400), QPoint(70, 0));
    QCOMPARE(g_normalWidth, 1220);

    QTest::mouseClick(child<QPushButton>("Btn_Max"), Qt::LeftButton);
    QVERIFY(m_window->isMaximized());
    QCOMPARE(g_normalWidth, 1220);

    // A press on an edge of the maximised window neither resizes nor moves it.
    const QRect maximised = m_window->geometry();
    dragBy(m_window.data(), QPoint(2, 400), QPoint(58, 0));
    QCOMPARE(m_window->geometry(), maximised);

    sendMouse(m_window.data(), QEvent::MouseButtonDblClick, QPoint(150, 20), Qt::LeftButton);
    QVERIFY(!m_window->isMaximized());
    QCOMPARE(m_window->width(), 1220);
}

void tst_MainWindow::groupsNeverOverlap_data()
{
    QTest::addColumn<int>("width");
    for (int width : {1150, 1300, 1500, 1700, 1900, 2100, 2300, 2600, 2800, 3200, 4000})
        QTest::newRow(qPrintable(QString::number(width))) << width;
}

// Whatever the width, the groups of a page lie side by side within it.
void tst_MainWindow::groupsNeverOverlap()
{
    QFETCH(int, width);
    qobject_cast<MainInterface *>(m_window->page(PageMainInterface))->adjustLayout(width);
    qobject_cast<BasicConfig *>(m_window->page(PageBasicConfig))->adjustLayout(width);
    qobject_cast<WeightCal *>(m_window->page(PageWeightCal))->adjustLayout(width);
    qobject_cast<Application *>(m_window->page(PageApplication))->adjustLayout(width);
    qobject_cast<DataTrans *>(m_window->page(PageDataTrans))->adjustLayout(width);
    for (int index = PageMainInterface; index <= PageDataTrans; ++index) {
        // The outermost "widget_" boxes under the scroll area, on every tab.
        QMultiHash<QWidget *, QWidget *> groupsOf;
        QList<QWidget *> pending = m_window->page(index)->findChildren<QWidget *>(
            QRegularExpression(QStringLiteral("^scrollAreaWidgetContents")));
        while (!pending.isEmpty()) {
            for (QWidget *child : pending.takeFirst()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
                if (!child->objectName().startsWith(QLatin1String("widget_")))
                    pending << child;
                else if (!child->isHidden())
                    groupsOf.insert(child->parentWidget(), child);
            }
        }
        QVERIFY(groupsOf.size() > 1);
        for (QWidget *parent : groupsOf.uniqueKeys()) {
            const QList<QWidget *> groups = groupsOf.values(parent);
            for (int i = 0; i < groups.size(); ++i) {
                const QRect a = groups.at(i)->geometry();
                QVERIFY2(a.left() >= 0 && a.right() < width,
                         qPrintable(groups.at(i)->objectName() + QLatin1String(" leaves the page")));
                for (int j = i + 1; j < groups.size(); ++j)
                    QVERIFY2(!a.intersects(groups.at(j)->geometry()),
                             qPrintable(groups.at(i)->objectName() + QLatin1String(" overlaps ")
                                        + groups.at(j)->objectName()));
            }
        }
    }
}

void tst_MainWindow::smallScreen_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("serialPort"); // empty: TCP
    QTest::newRow("English, light, 700, TCP") << 0 << 700 << QString();
    QTest::newRow("Chinese, dark, 700, ttyUSB0") << 1 << 700 << QStringLiteral("ttyUSB0");
    QTest::newRow("English, light, 600, a port by id")
        << 0 << 600 << QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    QTest::newRow("Chinese, dark, 600, /dev/ttyUSB0") << 1 << 600 << QStringLiteral("/dev/ttyUSB0");
}

// A panel PC's 1024 x 700 or 1024 x 600: every page, each of its tabs, with the remote-editing banner shown,
// fits the window (or scrolls in it), and a tab scrolled to its end keeps its tab bar in view.
void tst_MainWindow::smallScreen()
{
    QFETCH(int, language);
    QFETCH(int, height);
    QFETCH(QString, serialPort);
    ModbusSetting *connection = connectionPageOf(m_window.data());
    auto combo = [connection](const char *name) { return connection->findChild<QComboBox *>(QLatin1String(name)); };
    combo("connectType")->setCurrentIndex(serialPort.isEmpty() ? 1 : 0);
    combo("serialnumcomboBox")->setEditText(serialPort);
    combo("baudCombo")->setCurrentIndex(5); // 115200, the longest settings
    combo("parityCombo")->setCurrentIndex(1);
    g_language = language;
    g_uiMode = language == 0 ? 1 : 0;
    m_window->applyLanguage();
    m_window->applyStyle();
    // The panel's screen: the window may be as low as it.
    m_window->fitScreen(QSize(1024, height));
    const auto english = qScopeGuard([this] {
        g_language = 0;
        g_uiMode = 0;
        m_window->applyLanguage();
        m_window->applyStyle();
        m_window->fitScreen(QSize(1920, 1080));
    });
    const QByteArray shots = qgetenv("R7_SCREENSHOT_DIR"); // pictures of what the test saw
    g_mirror.live.unit = g_mirror.weightCal[0] = 1; // "kg" beside the fields, wider than "t"
    QStringList problems;
    for (int page : {int(PageConnection), 0, 1, 2, 3, 4, 5}) {
        if (page == PageMainInterface) {
            linkUp();
            emit m_window->findChild<RefreshCycle *>()->communicationChanged(true);
        }
        m_window->setGeometry(0, 0, 1024, height);
        QTRY_COMPARE(m_window->size(), QSize(1024, height));
        m_window->showPage(page);
        for (QWidget *banner : m_window->page(page)->findChildren<QWidget *>(QStringLiteral("widget_top")))
            banner->show();
        auto *tabs = m_window->page(page)->findChild<QTabWidget *>();
        for (int tab = 0; tab < (tabs ? tabs->count() : 1); ++tab) {
            if (tabs)
                tabs->setCurrentIndex(tab);
            const QList<QScrollArea *> areas = m_window->page(page)->findChildren<QScrollArea *>();
            for (QScrollArea *area : areas)
                area->verticalScrollBar()->setValue(0);
            QCoreApplication::processEvents();
            // A text set meanwhile (the communication state) has asked for a new layout.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            const QString where = QStringLiteral("page %1, tab %2: ").arg(page).arg(tab);
            for (const QString &problem : layoutProblems(m_window.data()))
                problems << where + problem;
            // The line's whole name can always be read: in the bar, or in its tool tip.
            auto *line = child<QLabel>("label_port");
            if (page != PageConnection && !serialPort.isEmpty() && !line->text().contains(serialPort)
                && line->toolTip() != serialPort)
                problems << where + QStringLiteral("the port's name is lost: ") + line->text();
            const QString tag = QString::fromLatin1(QTest::currentDataTag());
            const QString picture =
                QStringLiteral("%1/%2-%3-%4").arg(QString::fromLocal8Bit(shots), tag).arg(page).arg(tab);
            if (!shots.isEmpty())
                m_window->grab().save(picture + QStringLiteral(".png"));
            for (QScrollArea *area : areas) {
                if (area->isVisible())
                    area->verticalScrollBar()->setValue(area->verticalScrollBar()->maximum());
            }
            QCoreApplication::processEvents();
            if (!shots.isEmpty())
                m_window->grab().save(picture + QStringLiteral("-end.png"));
            if (tabs && tabs->tabBar()->visibleRegion().isEmpty())
                problems << where + QStringLiteral("the tab bar scrolled out of view");
        }
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

void tst_MainWindow::tabOrder_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("width"); // the groups of a wider window stand in other places
    for (int width : {1024, 1900}) {
        for (int page = PageMainInterface; page <= PageTestMaintain; ++page)
            QTest::newRow(qPrintable(QStringLiteral("page %1, %2 px").arg(page).arg(width))) << page << width;
    }
}

// Tab goes from the title row's language and theme buttons through the navigation and the page shown, group
// by group top to bottom and left to right, to Disconnect; Ctrl+1 to Ctrl+6 open the pages.
void tst_MainWindow::tabOrder()
{
    QFETCH(int, page);
    QFETCH(int, width);
    linkUp();
    m_window->setGeometry(0, 0, width, 800);
    QTRY_COMPARE(m_window->width(), width);
    QApplication::setActiveWindow(m_window.data());
    QTest::keyClick(m_window.data(), Qt::Key(Qt::Key_1 + page), Qt::ControlModifier);
    QTRY_COMPARE(g_pageIndex, page);
    // Where everything stands before the focus scrolls the page.
    QWidget *pageWidget = m_window->page(page);
    for (QScrollArea *area : pageWidget->findChildren<QScrollArea *>())
        area->verticalScrollBar()->setValue(0);
    QHash<QWidget *, QPoint> at;
    for (QWidget *w : pageWidget->findChildren<QWidget *>())
        at.insert(w, w->mapTo(pageWidget, QPoint(0, 0)));
    child<QWidget>("Btn_ChangeLanguage")->setFocus(Qt::TabFocusReason);
    QList<QWidget *> order;
    for (QWidget *w = QApplication::focusWidget(); w && !order.contains(w) && order.size() < 500;
         w = QApplication::focusWidget()) {
        order << w;
        QTest::keyClick(w, Qt::Key_Tab);
    }
    QStringList names;
    for (QWidget *w : order)
        names << w->objectName();
    QCOMPARE(names.mid(0, 8), QStringList({"Btn_ChangeLanguage", "Btn_ChangeColor"}) + [] {
        QStringList nav;
        for (const char *name : NavButtons)
            nav << QLatin1String(name);
        return nav;
    }());
    QCOMPARE(names.last(), QStringLiteral("ButtonDisconnect"));
    // On the page: the outermost "widget_" box of each stop is its group; groups come in reading order and
    // are never left and entered again, and so do the stops inside a group.
    const auto groupOf = [pageWidget](QWidget *w) {
        QWidget *group = w;
        for (QWidget *p = w; p != pageWidget; p = p->parentWidget()) {
            if (p->objectName().startsWith(QLatin1String("widget_")))
                group = p;
        }
        return group;
    };
    const auto before = [&at](QWidget *a, QWidget *b) {
        const QPoint pa = at.value(a), pb = at.value(b);
        return pa.y() < pb.y() || (pa.y() == pb.y() && pa.x() < pb.x());
    };
    QList<QWidget *> groupsSeen;
    for (int i = 8; i + 1 < order.size(); ++i) {
        QWidget *a = order.at(i), *b = i + 2 < order.size() ? order.at(i + 1) : nullptr;
        QVERIFY2(pageWidget->isAncestorOf(a), qPrintable(names.at(i) + QLatin1String(" is not on the page")));
        QVERIFY2(!qobject_cast<QScrollArea *>(a), qPrintable(names.at(i) + QLatin1String(" is a scroll area")));
        if (!b)
            break;
        QWidget *ga = groupOf(a), *gb = groupOf(b);
        if (ga == gb) {
            QVERIFY2(before(a, b),
                     qPrintable(names.at(i + 1) + QLatin1String(" comes after ") + names.at(i)));
        } else {
            QVERIFY2(!groupsSeen.contains(gb) && before(ga, gb),
                     qPrintable(gb->objectName() + QLatin1String(" comes after ") + ga->objectName()
                                + QLatin1String(": ") + names.join(QLatin1Char(' '))));
            groupsSeen << ga;
        }
    }
    QVERIFY(order.size() > 10);
}

// Rows run in order on one window: the RTU row after the TCP one must bring
// the slave id back.
void tst_MainWindow::linkParameters_data()
{
    QTest::addColumn<bool>("tcp");
    QTest::addColumn<int>("baudIndex");
    QTest::addColumn<int>("dataBitsIndex");
    QTest::addColumn<int>("parityIndex");
    QTest::addColumn<int>("delay");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("slaveTitle");

    QTest::newRow("RTU 4800-7-N-1") << false << 0 << 0 << 0 << 50
                                    << "ttyUSB0:<a style='color:#00aaff;'>4800-7-N-1</a>" << "Slave ID:";
    QTest::newRow("TCP") << true << 0 << 0 << 0 << 200 << "192.168.1.20" << "Port: ";
    QTest::newRow("RTU 38400-8-E-1 after TCP")
        << false << 3 << 1 << 1 << 300 << "ttyUSB0:<a style='color:#00aaff;'>38400-8-E-1</a>" << "Slave ID:";
    QTest::newRow("RTU 115200-8-O-1") << false << 5 << 1 << 2 << 1000
                                      << "ttyUSB0:<a style='color:#00aaff;'>115200-8-O-1</a>" << "Slave ID:";
}

void tst_MainWindow::linkParameters()
{
    QFETCH(bool, tcp);
    QFETCH(int, baudIndex);
    QFETCH(int, dataBitsIndex);
    QFETCH(int, parityIndex);
    QFETCH(int, delay);
    QFETCH(QString, port);
    QFETCH(QString, slaveTitle);

    ModbusSetting *page = connectionPageOf(m_window.data());
    auto combo = [page](const char *name) { return page->findChild<QComboBox *>(QLatin1String(name)); };
    combo("connectType")->setCurrentIndex(tcp ? 1 : 0);
    page->findChild<QLineEdit *>(QStringLiteral("EditHostIP"))->setText(QStringLiteral("192.168.1.20"));
    page->findChild<QLineEdit *>(QStringLiteral("EditPort"))->setText(QStringLiteral("1502"));
    combo("serialnumcomboBox")->addItem(QStringLiteral("Test adapter(ttyUSB0)"));
    combo("serialnumcomboBox")->setCurrentIndex(combo("serialnumcomboBox")->count() - 1);
    combo("baudCombo")->setCurrentIndex(baudIndex);
    combo("dataBitsCombo")->setCurrentIndex(dataBitsIndex);
    combo("parityCombo")->setCurrentIndex(parityIndex);
    combo("stopBitsCombo")->setCurrentIndex(0);
    page->findChild<QSpinBox *>(QStringLiteral("timeoutSpinner"))->setValue(delay);
    linkUp();

    const Settings settings = page->settings();
    QCOMPARE(child<QLabel>("label_port")->text(), port);
    QCOMPARE(child<QLabel>("label_protol")->text(), tcp ? QStringLiteral("Modbus TCP") : QStringLiteral("Modbus RTU"));
    QCOMPARE(child<QLabel>("label_SlaveTitle")->text(), slaveTitle);
    QVERIFY(child<QLabel>("label_SlaveTitle")->isVisible());
    QCOMPARE(child<QLabel>("label_SlaveID")->text(), tcp ? QStringLiteral("1502") : QString::number(settings.slaveId));
    QCOMPARE(child<QLabel>("label_DwordFormat")->text(),
             settings.dwordFormat == 0 ? QStringLiteral("AB-CD") : QStringLiteral("CD-AB"));
    QCOMPARE(child<QLabel>("label_Delay")->text(), QStringLiteral("%1ms").arg(delay));
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
