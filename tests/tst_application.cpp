#include "App/application.h"
#include "Modbus/devicemirror.h"
#include "Modbus/displayweightthread.h"
#include "Modbus/linkstate.h"
#include "main/mainwindow.h"

#include "pagedriver.h"
#include "simprocess.h"
#include "testsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace PageDriver;

namespace {

const QStringList InputFunctions = {"NONE", "ZERO", "CAL-ZERO", "TARE", "CLEAR TARE", "GROSS/NET",
                                    "COMP-ON", "PRINT", "P_EMPTY_LINE"};
const QStringList Levels = {"Low Level", "High Level"};
const QStringList OutputFunctions = {"NONE", "COMP1", "COMP2", "COMP3", "COMP4", "COMP5", "COMP6", "COMP7",
                                     "COMP8", "STABLE", "ZERO", "Net", "PRINTING", "-SIGN", "COM-Pulse"};
const QStringList CompModes = {"OFF ", "W<=CV1", "W=CV1", "W!=CV1", "W>=CV1", "CV1<=W<=CV2", "W<[CV1,CV2]>W",
                               "F<=CV1", "F=CV1", "F!=CV1", "F>=CV1", "CV1<=F<=CV2", "F<[CV1,CV2]>F"};
const QStringList Conditions = {"Immediately", "Stable", "Debounce"};

} // namespace

// The Application page in the main window, against the simulator: its
// bindings, the tab codes, the linked input levels, the comparator values and
// the layout.
class tst_Application : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void everyEditorBound_data();
    void everyEditorBound();
    void comboItemsInValueOrder();
    void tabCodes_data();
    void tabCodes();
    void comparatorBlocksFollowTab();
    void linkedLevels_data();
    void linkedLevels();
    void refusedLevelPutsAllThreeBack_data();
    void refusedLevelPutsAllThreeBack();
    void unknownFunctionLeavesComboBlank();
    void comparatorDisplay();
    void comparatorEntry_data();
    void comparatorEntry();
    void remoteBanner();
    void languageChangeReachesPage();
    void layout_data();
    void layout();

private:
    template<typename T> T *child(const QString &name) const { return m_page->findChild<T *>(name); }
    bool clickTab(int index);
    void tick() { m_window->onTick(); }

    QTemporaryDir m_dir;
    SimProcess m_sim;
    MainWindow *m_window = nullptr;
    Application *m_page = nullptr;
};

void tst_Application::initTestCase()
{
    TestSupport::installMessageCollector();
    qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
    QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));

    // One connected window for the suite; every test starts from fresh
    // registers, a fresh mirror and a forced page entry.
    g_mirror = DeviceMirror();
    g_appTabCode = 6;
    m_window = new MainWindow;
    m_window->move(0, 0);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QApplication::setActiveWindow(m_window);
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    QVERIFY(connectForManualTicks(m_window, m_sim));
    m_page = qobject_cast<Application *>(m_window->page(PageApplication));
    QVERIFY(m_page);
}

void tst_Application::cleanupTestCase()
{
    delete m_window;
    m_window = nullptr;
}

void tst_Application::init()
{
    for (const char *command : {"fail off", "noreply off", "delay 0", "set 202 0", "set 203 2", "set 200 0",
                                "set 201 1", "set 10205 1"})
        QVERIFY2(m_sim.command(QLatin1String(command)), qPrintable(m_sim.lastAnswer()));
    // Inputs, outputs and comparators start from zero in every test.
    for (int address = 300; address <= 367; address += 2)
        QVERIFY(setRegister32(m_sim, address, 0));
    for (int address = 500; address <= 652; address += 2)
        QVERIFY(setRegister32(m_sim, address, 0));
    g_mirror = DeviceMirror();
    m_page->adjustLayout(1150);
    m_window->showPage(PageMainInterface);
    QVERIFY(clickTab(0));
    QCOMPARE(g_appTabCode, 6);
    m_window->showPage(PageApplication);
    tick();
    // Leaving a field writes it; that belongs to the test before.
    if (QWidget *focus = QApplication::focusWidget())
        focus->clearFocus();
    QVERIFY(m_sim.command(QStringLiteral("writes reset")));
}

bool tst_Application::clickTab(int index)
{
    auto *tabs = child<QTabWidget>(QStringLiteral("tabWidget"));
    QTabBar *bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
    return tabs->currentIndex() == index;
}

void tst_Application::everyEditorBound_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("firstRegister");
    QTest::newRow("inputs") << 0 << 15 << 302;
    QTest::newRow("outputs") << 1 << 18 << 332;
    QTest::newRow("comparators") << 2 << 56 << 500;
}

void tst_Application::everyEditorBound()
{
    QFETCH(int, table);
    QFETCH(int, rows);
    QFETCH(int, firstRegister);

    const QVector<const BindingTable *> tables = m_page->bindingTables();
    QCOMPARE(tables.size(), 3);
    const BindingTable *t = tables.at(table);
    QCOMPARE(t->rows, rows);
    for (int row = 0; row < t->rows; ++row) {
        QVERIFY2(child<QWidget>(t->names[row]), qPrintable(t->names[row]));
        QCOMPARE(t->spans[row].count, quint16(2));
        // Comparator n's seven items follow each other from 500 + 20 (n - 1).
        const int expected = table == 2 ? 500 + 20 * (row / 7) + 2 * (row % 7) : firstRegister + 2 * row;
        QCOMPARE(t->spans[row].address, quint32(expected));
    }
    // Every editor of the page has a row in one of the tables.
    QCOMPARE(m_page->findChildren<QComboBox *>().size() + m_page->findChildren<QLineEdit *>().size(), 15 + 18 + 56);
}

void tst_Application::comboItemsInValueOrder()
{
    // The index a combo box shows is the value it stores.
    QCOMPARE(itemTexts(child<QComboBox>(QStringLiteral("BoxInput4"))), InputFunctions);
    QCOMPARE(itemTexts(child<QComboBox>(QStringLiteral("cBoxInputMode_5"))), Levels);
    QCOMPARE(itemTexts(child<QComboBox>(QStringLiteral("BoxOutput9"))), OutputFunctions);
    QCOMPARE(itemTexts(child<QComboBox>(QStringLiteral("BoxCOMPMode8"))), CompModes);
    QCOMPARE(itemTexts(child<QComboBox>(QStringLiteral("BoxOFFCOND6"))), Conditions);
}

void tst_Application::tabCodes_data()
{
    QTest::addColumn<int>("startTab");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("code");

    QTest::newRow("click comp") << 0 << "2" << 8;
    QTest::newRow("click input") << 2 << "0" << 6;
    QTest::newRow("beside the tabs") << 2 << "beside" << 8;
    QTest::newRow("ctrl+tab") << 0 << "keyboard" << 7;
}

void tst_Application::tabCodes()
{
    QFETCH(int, startTab);
    QFETCH(QString, action);
    QFETCH(int, code);

    QVERIFY(clickTab(startTab));
    auto *tabs = child<QTabWidget>(QStringLiteral("tabWidget"));
    QTabBar *bar = tabs->tabBar();
    if (action == QLatin1String("beside")) {
        // The tab bar reports a click on its empty part as index -1.
        QSignalSpy clicked(tabs, &QTabWidget::tabBarClicked);
        bar->resize(bar->tabRect(2).right() + 200, bar->height());
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->tabRect(2).right() + 100, 5));
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).toInt(), -1);
    } else if (action == QLatin1String("keyboard")) {
        bar->setFocus();
        QTest::keyClick(tabs, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 1);
    } else {
        QVERIFY(clickTab(action.toInt()));
    }
    QCOMPARE(g_appTabCode, code);
}

void tst_Application::comparatorBlocksFollowTab()
{
    // Markers in block 9 (COMP1 mode) and block 10 (COMP8 mode, its second record).
    QVERIFY(setRegister32(m_sim, 500, 4));
    QVERIFY(setRegister32(m_sim, 640, 9));
    tick();
    QCOMPARE(g_mirror.comparator[1], 0u); // the inputs tab polls block 6 only

    QVERIFY(clickTab(2));
    QCOMPARE(g_appTabCode, 8);
    tick();
    QCOMPARE(g_mirror.comparator[1], 4u);
    QCOMPARE(g_mirror.comparator[1 + 8 * 7], 9u);
    QCOMPARE(child<QComboBox>(QStringLiteral("BoxCOMPMode1"))->currentText(), QStringLiteral("W>=CV1"));
    QCOMPARE(child<QComboBox>(QStringLiteral("BoxCOMPMode8"))->currentText(), QStringLiteral("F!=CV1"));

    // Block 9 fails: block 10 is not read and the page is not redrawn, even
    // though the header brought new decimals.
    auto *value = child<QLineEdit>(QStringLiteral("lineEditCOMP1Value1"));
    QCOMPARE(value->text(), QStringLiteral("0.00"));
    QVERIFY(setRegister32(m_sim, 640, 3));
    QVERIFY(m_sim.command(QStringLiteral("set 203 1")));
    QVERIFY(m_sim.command(QStringLiteral("fail 510 2")));
    tick();
    QCOMPARE(g_mirror.live.decimalPoint, 1u);
    QCOMPARE(g_mirror.comparator[1 + 8 * 7], 9u);
    QCOMPARE(value->text(), QStringLiteral("0.00"));

    QVERIFY(m_sim.command(QStringLiteral("fail off")));
    tick();
    QCOMPARE(g_mirror.comparator[1 + 8 * 7], 3u);
    QCOMPARE(value->text(), QStringLiteral("0.0"));
}

void tst_Application::linkedLevels_data()
{
    QTest::addColumn<int>("chosen");
    QTest::addColumn<int>("address");
    QTest::newRow("input 1") << 1 << 304;
    QTest::newRow("input 3") << 3 << 316;
}

void tst_Application::linkedLevels()
{
    QFETCH(int, chosen);
    QFETCH(int, address);

    QVERIFY(choose(child<QComboBox>(QStringLiteral("cBoxInputMode_%1").arg(chosen)), 1));
    for (int n = 1; n <= 3; ++n)
        QCOMPARE(child<QComboBox>(QStringLiteral("cBoxInputMode_%1").arg(n))->currentText(),
                 QStringLiteral("High Level"));
    // The extension inputs keep their own level.
    QCOMPARE(child<QComboBox>(QStringLiteral("cBoxInputMode_4"))->currentIndex(), 0);

    // One write, to the chosen combo's register only: 0x0000 0x0001 -> 1.
    QCOMPARE(simWrites(m_sim), 1);
    QCOMPARE(pair(m_sim, address), 1);
    for (int other : {304, 310, 316}) {
        if (other != address)
            QCOMPARE(pair(m_sim, other), 0);
    }

    // The refresh leaves the other two alone while their registers stay.
    tick();
    for (int n = 1; n <= 3; ++n)
        QCOMPARE(child<QComboBox>(QStringLiteral("cBoxInputMode_%1").arg(n))->currentIndex(), 1);
}

void tst_Application::refusedLevelPutsAllThreeBack_data()
{
    QTest::addColumn<QList<int>>("levels"); // as the device holds them, inputs 1 to 3
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("choice");

    QTest::newRow("another level") << QList<int>{0, 0, 0} << 2 << 1;
    // The chosen combo looks unchanged after the refusal; the other two must
    // still go back.
    QTest::newRow("the level shown") << QList<int>{0, 1, 1} << 1 << 0;
}

void tst_Application::refusedLevelPutsAllThreeBack()
{
    QFETCH(QList<int>, levels);
    QFETCH(int, input);
    QFETCH(int, choice);
    // cBoxInputMode_n: registers 304 + 6 (n - 1)
    for (int n = 1; n <= 3; ++n)
        QVERIFY(setRegister32(m_sim, 304 + 6 * (n - 1), levels.at(n - 1)));
    tick();
    QVERIFY(m_sim.command(QStringLiteral("fail %1 4").arg(304 + 6 * (input - 1))));
    QVERIFY(choose(child<QComboBox>(QStringLiteral("cBoxInputMode_%1").arg(input)), choice));
    QCOMPARE(simWrites(m_sim), 1);
    for (int n = 1; n <= 3; ++n)
        QCOMPARE(child<QComboBox>(QStringLiteral("cBoxInputMode_%1").arg(n))->currentIndex(), levels.at(n - 1));
}

void tst_Application::unknownFunctionLeavesComboBlank()
{
    QVERIFY(setRegister32(m_sim, 332, 15)); // 0x0000 0x000F -> 15, one past "COM-Pulse"
    QVERIFY(setRegister32(m_sim, 334, 1));
    QVERIFY(clickTab(1));
    tick();
    auto *box = child<QComboBox>(QStringLiteral("BoxOutput1"));
    QCOMPARE(box->currentIndex(), -1);
    QCOMPARE(box->currentText(), QString());
    QCOMPARE(child<QComboBox>(QStringLiteral("BoxMode_1"))->currentText(), QStringLiteral("High Level"));
}

void tst_Application::comparatorDisplay()
{
    QVERIFY(m_sim.command(QStringLiteral("set 203 3")));
    QVERIFY(setRegister32(m_sim, 502, -1234)); // 0xFFFF 0xFB2E
    QVERIFY(setRegister32(m_sim, 508, -20));   // COMP1 judge time
    QVERIFY(clickTab(2));
    tick();
    auto *value = child<QLineEdit>(QStringLiteral("lineEditCOMP1Value1"));
    QCOMPARE(value->text(), QStringLiteral("-1.234"));
    QCOMPARE(value->toolTip(), QStringLiteral("-999.999 - 999.999"));
    QCOMPARE(child<QLineEdit>(QStringLiteral("lineEditTRUEJudgeT1"))->text(), QStringLiteral("-20"));

    // Only the decimals change: the value is redrawn at the next refresh.
    QVERIFY(m_sim.command(QStringLiteral("set 203 0")));
    tick();
    QCOMPARE(value->text(), QStringLiteral("-1234"));
    QCOMPARE(value->toolTip(), QStringLiteral("-999999 - 999999"));

    QVERIFY(m_sim.command(QStringLiteral("set 203 4")));
    tick();
    QCOMPARE(value->text(), QStringLiteral("-0.1234"));
    QCOMPARE(value->toolTip(), QStringLiteral("-99.9999 - 99.9999"));
}

void tst_Application::comparatorEntry_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("address");
    QTest::addColumn<qint64>("expected"); // the pair as the simulator holds it

    QTest::newRow("judge time unscaled") << "lineEditTRUEJudgeT2" << 1 << "2.5" << 528 << qint64(2);
    QTest::newRow("1.15 with two") << "lineEditCOMP3Value1" << 2 << "1.15" << 542 << qint64(115);
    // -1250 -> 0xFFFF 0xFB1E
    QTest::newRow("negative") << "lineEditCOMP8Value1" << 2 << "-12.5" << 642 << qint64(0xFFFFFB1E);
}

void tst_Application::comparatorEntry()
{
    QFETCH(QString, editor);
    QFETCH(int, decimals);
    QFETCH(QString, typed);
    QFETCH(int, address);
    QFETCH(qint64, expected);

    QVERIFY(m_sim.command(QStringLiteral("set 203 %1").arg(decimals)));
    QVERIFY(clickTab(2));
    tick();
    QCOMPARE(g_mirror.live.decimalPoint, quint32(decimals));
    QVERIFY(m_sim.command(QStringLiteral("writes reset")));

    QVERIFY(typeAndReturn(child<QLineEdit>(editor), typed));
    QCOMPARE(simWrites(m_sim), 1);
    QCOMPARE(pair(m_sim, address), expected);
}

void tst_Application::remoteBanner()
{
    auto *banner = child<QWidget>(QStringLiteral("widget_top"));
    QVERIFY(m_sim.command(QStringLiteral("set 10205 0")));
    tick();
    QVERIFY(banner->isVisible());
    QVERIFY(!child<QLabel>(QStringLiteral("label_RemoteTip"))->text().isEmpty());
    QVERIFY(m_sim.command(QStringLiteral("set 10205 1")));
    tick();
    QVERIFY(!banner->isVisible());
}

void tst_Application::languageChangeReachesPage()
{
    QVERIFY(setRegister32(m_sim, 306, 150)); // input 1 delay
    QVERIFY(setRegister32(m_sim, 304, 1));   // input 1 level
    tick();
    auto *tabs = child<QTabWidget>(QStringLiteral("tabWidget"));
    const QString english = tabs->tabText(2);
    QString delay;
    int level = -1;
    const QString chinese = whileChinese([&] {
        // The language change refilled the page from the mirror.
        delay = child<QLineEdit>(QStringLiteral("lineEditInput1"))->text();
        level = child<QComboBox>(QStringLiteral("cBoxInputMode_1"))->currentIndex();
        return tabs->tabText(2);
    });
    QVERIFY(!chinese.isEmpty());
    QVERIFY(chinese != english);
    QCOMPARE(tabs->tabText(2), english);
    QCOMPARE(delay, QStringLiteral("150"));
    QCOMPARE(level, 1);
}

void tst_Application::layout_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QPoint>("position");

    // Inputs: 530 px columns, rows at 15, 310, 610.
    QTest::newRow("in 1680") << 1680 << "widget_Input_5" << QPoint(10, 610);
    QTest::newRow("in 1681") << 1681 << "widget_Input_3" << QPoint(1070, 15);
    // Outputs: 350 px columns, rows at 15, 245, 475.
    QTest::newRow("out 3250") << 3250 << "widget_Output9" << QPoint(10, 245);
    QTest::newRow("out 3251") << 3251 << "widget_Output9" << QPoint(2810, 15);
    // Comparators: 350 px columns, rows at 15, 365, 715.
    QTest::newRow("comp 1150") << 1150 << "widget_COMP8" << QPoint(360, 715);
    QTest::newRow("comp 2901") << 2901 << "widget_COMP8" << QPoint(2460, 15);
}

void tst_Application::layout()
{
    QFETCH(int, width);
    QFETCH(QString, group);
    QFETCH(QPoint, position);

    // From another width, so that every group has to move.
    m_page->adjustLayout(width > 2000 ? 1150 : 4000);
    m_page->adjustLayout(width);
    QCOMPARE(child<QWidget>(group)->pos(), position);
    QCOMPARE(child<QTabWidget>(QStringLiteral("tabWidget"))->geometry(), QRect(0, 0, width - 70, 1131));
    QCOMPARE(child<QWidget>(QStringLiteral("scrollAreaWidgetContents"))->minimumWidth(), width);
}

QTEST_MAIN(tst_Application)
#include "tst_application.moc"
