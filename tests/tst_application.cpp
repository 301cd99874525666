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
#include <QScrollArea>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTranslator>
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

// The Application page in the main window, against the simulator: the tab
// codes, the linked input levels, the comparator values and the layout.
class tst_Application : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void formConnectsEverySlot();
    void formMatchesTables_data();
    void formMatchesTables();
    void formTexts_data();
    void formTexts();
    void tabCodes_data();
    void tabCodes();
    void comparatorBlocksFollowTab();
    void linkedLevels_data();
    void linkedLevels();
    void refusedLevelPutsAllThreeBack_data();
    void refusedLevelPutsAllThreeBack();
    void outputFunction();
    void unknownFunctionLeavesComboBlank();
    void comparatorDisplay();
    void comparatorEntry_data();
    void comparatorEntry();
    void unitLabels_data();
    void unitLabels();
    void remoteBanner();
    void wheelChangesNothing();
    void chineseTexts_data();
    void chineseTexts();
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
    g_unmatchedSlots.clear();

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

void tst_Application::formConnectsEverySlot()
{
    g_unmatchedSlots.clear();
    Application page;
    QVERIFY2(g_unmatchedSlots.isEmpty(), qPrintable(g_unmatchedSlots.join(QLatin1Char('\n'))));
    QCOMPARE(page.objectName(), QStringLiteral("Application"));
    QCOMPARE(page.windowTitle(), QStringLiteral("Form"));
    // Built with tab 0 shown.
    QCOMPARE(page.findChild<QTabWidget *>(QStringLiteral("tabWidget"))->currentIndex(), 0);
}

void tst_Application::formMatchesTables_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("firstRegister");
    QTest::newRow("inputs") << 0 << 15 << 302;
    QTest::newRow("outputs") << 1 << 18 << 332;
    QTest::newRow("comparators") << 2 << 56 << 500;
}

void tst_Application::formMatchesTables()
{
    QFETCH(int, table);
    QFETCH(int, rows);
    QFETCH(int, firstRegister);

    const QVector<const BindingTable *> tables = m_page->bindingTables();
    QCOMPARE(tables.size(), 3);
    const BindingTable *t = tables.at(table);
    QCOMPARE(t->rows, rows);
    for (int row = 0; row < t->rows; ++row) {
        const QString name = t->names[row];
        QWidget *editor = child<QWidget>(name);
        QVERIFY2(editor, qPrintable(name));
        QVERIFY2(qobject_cast<QComboBox *>(editor) || qobject_cast<QLineEdit *>(editor), qPrintable(name));
        QCOMPARE(t->spans[row].count, quint16(2));
        // Comparator n's seven items follow each other from 500 + 20 (n - 1).
        const quint32 expected = table == 2 ? quint32(500 + 20 * (row / 7) + 2 * (row % 7))
                                            : quint32(firstRegister + 2 * row);
        QCOMPARE(t->spans[row].address, expected);
        // The editor sits on the tab of its table.
        const char *const tabNames[3] = {"tab_Input", "tab_Output", "tab_COMP"};
        QVERIFY2(child<QWidget>(QLatin1String(tabNames[table]))->isAncestorOf(editor), qPrintable(name));
    }

    // Every editor of the page has a row in one of the tables.
    QStringList unbound;
    const QList<QWidget *> editors = m_page->findChildren<QWidget *>();
    for (QWidget *w : editors) {
        if (!qobject_cast<QComboBox *>(w) && !qobject_cast<QLineEdit *>(w))
            continue;
        bool found = false;
        for (const BindingTable *each : tables)
            found = found || each->rowOf(w->objectName()) >= 0;
        if (!found)
            unbound << w->objectName();
    }
    QVERIFY2(unbound.isEmpty(), qPrintable(unbound.join(QLatin1Char(' '))));
}

void tst_Application::formTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("toolTip");

    const QStringList none;
    const QString any = QStringLiteral("*");
    QTest::newRow("input function") << "BoxInput4" << any << InputFunctions << any;
    QTest::newRow("input level") << "cBoxInputMode_5" << any << Levels << any;
    QTest::newRow("input delay") << "lineEditInput3" << any << none << "0 - 200ms";
    QTest::newRow("output function") << "BoxOutput9" << any << OutputFunctions << any;
    QTest::newRow("output level") << "BoxMode_1" << any << Levels << any;
    QTest::newRow("comp mode") << "BoxCOMPMode8" << any << CompModes << any;
    QTest::newRow("on cond") << "BoxONCOND3" << any << Conditions << any;
    QTest::newRow("off cond") << "BoxOFFCOND6" << any << Conditions << any;
    QTest::newRow("judge time") << "lineEditTRUEJudgeT1" << any << none << "0 - 50000ms";
    QTest::newRow("hold time") << "lineEditFALSEHoldT8" << any << none << "0 - 50000ms";
    QTest::newRow("tab input") << "tab_Input" << "Input Config" << none << any;
    QTest::newRow("tab output") << "tab_Output" << "Output Config" << none << any;
    QTest::newRow("tab comp") << "tab_COMP" << "COMP Config" << none << any;
    QTest::newRow("group in 1") << "label_InputTitle_1" << "Input 1" << none << any;
    QTest::newRow("group ext in 2") << "label_InputTitle_5" << "Ext.IN 2" << none << any;
    QTest::newRow("group out 5") << "label_OutputTitle_5" << "Output 5" << none << any;
    QTest::newRow("group ext out 1") << "label_OutputTitle_6" << "Ext.Out 1" << none << any;
    QTest::newRow("group comp 7") << "label_COMPTitle_7" << "COMP 7" << none << any;
    QTest::newRow("delay unit") << "label_InputDelayUnit_2" << "ms" << none << any;
    QTest::newRow("judge unit") << "label_TRUEJudgeTUnit_4" << "ms" << none << any;
    QTest::newRow("in function label") << "label_InputFunction_1" << "Function：" << none << any;
    QTest::newRow("in mode label") << "label_InputMode_1" << "Mode:" << none << any;
    QTest::newRow("out mode label") << "label_OutputMode_1" << "Mode：" << none << any;
    QTest::newRow("comp value label") << "label_COMPValue2_1" << "COMP Value-2:" << none << any;
}

void tst_Application::formTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QStringList, items);
    QFETCH(QString, toolTip);

    QWidget *w = child<QWidget>(name);
    QVERIFY2(w, qPrintable(name));
    if (auto *box = qobject_cast<QComboBox *>(w))
        QCOMPARE(itemTexts(box), items);
    if (text != QLatin1String("*")) {
        if (auto *label = qobject_cast<QLabel *>(w)) {
            QCOMPARE(label->text(), text);
        } else {
            auto *tabs = child<QTabWidget>(QStringLiteral("tabWidget"));
            QCOMPARE(tabs->tabText(tabs->indexOf(w)), text);
        }
    }
    if (toolTip != QLatin1String("*"))
        QCOMPARE(w->toolTip(), toolTip);
}

void tst_Application::tabCodes_data()
{
    QTest::addColumn<int>("startTab");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("code");

    QTest::newRow("click output") << 0 << "1" << 7;
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
    // Markers in block 9 (COMP1 mode) and block 10 (COMP7 mode).
    QVERIFY(setRegister32(m_sim, 500, 4));
    QVERIFY(setRegister32(m_sim, 620, 9));
    tick();
    QCOMPARE(g_mirror.comparator[1], 0u); // the inputs tab polls block 6 only

    QVERIFY(clickTab(2));
    QCOMPARE(g_appTabCode, 8);
    tick();
    QCOMPARE(g_mirror.comparator[1], 4u);
    QCOMPARE(g_mirror.comparator[1 + 8 * 6], 9u);
    QCOMPARE(child<QComboBox>(QStringLiteral("BoxCOMPMode1"))->currentText(), QStringLiteral("W>=CV1"));
    QCOMPARE(child<QComboBox>(QStringLiteral("BoxCOMPMode7"))->currentText(), QStringLiteral("F!=CV1"));

    // Block 9 fails: block 10 is not read and the page is not redrawn, even
    // though the header brought new decimals.
    auto *value = child<QLineEdit>(QStringLiteral("lineEditCOMP1Value1"));
    QCOMPARE(value->text(), QStringLiteral("0.00"));
    QVERIFY(setRegister32(m_sim, 620, 3));
    QVERIFY(m_sim.command(QStringLiteral("set 203 1")));
    QVERIFY(m_sim.command(QStringLiteral("fail 510 2")));
    tick();
    QCOMPARE(g_mirror.live.decimalPoint, 1u);
    QCOMPARE(g_mirror.comparator[1 + 8 * 6], 9u);
    QCOMPARE(value->text(), QStringLiteral("0.00"));

    QVERIFY(m_sim.command(QStringLiteral("fail off")));
    tick();
    QCOMPARE(g_mirror.comparator[1 + 8 * 6], 3u);
    QCOMPARE(value->text(), QStringLiteral("0.0"));
}

void tst_Application::linkedLevels_data()
{
    QTest::addColumn<int>("chosen");
    QTest::addColumn<int>("address");
    QTest::newRow("input 1") << 1 << 304;
    QTest::newRow("input 2") << 2 << 310;
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

void tst_Application::outputFunction()
{
    QVERIFY(clickTab(1));
    tick();
    QVERIFY(choose(child<QComboBox>(QStringLiteral("BoxOutput7")), 14));
    QCOMPARE(child<QComboBox>(QStringLiteral("BoxOutput7"))->currentText(), QStringLiteral("COM-Pulse"));
    QCOMPARE(simWrites(m_sim), 1);
    QCOMPARE(pair(m_sim, 356), 14);

    // The entry already shown is written again when chosen.
    QVERIFY(choose(child<QComboBox>(QStringLiteral("BoxOutput7")), 14));
    QCOMPARE(simWrites(m_sim), 2);
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

    QTest::newRow("value 2, one decimal") << "lineEditCOMP2Value2" << 1 << "2.5" << 524 << qint64(25);
    QTest::newRow("judge time unscaled") << "lineEditTRUEJudgeT2" << 1 << "2.5" << 528 << qint64(2);
    QTest::newRow("1.15 with two") << "lineEditCOMP3Value1" << 2 << "1.15" << 542 << qint64(115);
    // -1250 -> 0xFFFF 0xFB1E
    QTest::newRow("negative") << "lineEditCOMP8Value1" << 2 << "-12.5" << 642 << qint64(0xFFFFFB1E);
    QTest::newRow("no decimals cut") << "lineEditCOMP5Value2" << 0 << "7.9" << 584 << qint64(7);
    QTest::newRow("hold time") << "lineEditFALSEHoldT7" << 2 << "50000" << 632 << qint64(50000);
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

void tst_Application::unitLabels_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("text");
    QTest::newRow("kg") << 1 << "kg";
    QTest::newRow("lb") << 3 << "lb";
    QTest::newRow("no unit") << 6 << "";
}

void tst_Application::unitLabels()
{
    QFETCH(int, unit);
    QFETCH(QString, text);

    QVERIFY(m_sim.command(QStringLiteral("set 201 %1").arg(unit)));
    QVERIFY(clickTab(2));
    tick();
    for (int n = 1; n <= 8; ++n) {
        QCOMPARE(child<QLabel>(QStringLiteral("label_CompVal1Unit_%1").arg(n))->text(), text);
        QCOMPARE(child<QLabel>(QStringLiteral("label_CompVal2Unit_%1").arg(n))->text(), text);
    }
}

void tst_Application::remoteBanner()
{
    auto *banner = child<QWidget>(QStringLiteral("widget_top"));
    auto *tip = child<QLabel>(QStringLiteral("label_RemoteTip"));
    QVERIFY(m_sim.command(QStringLiteral("set 10205 0")));
    tick();
    m_window->showPage(PageApplication);
    QVERIFY(banner->isVisible());
    QCOMPARE(tip->text(), QStringLiteral("Application remote editing switch off, on before modifying parameters!"));

    QVERIFY(m_sim.command(QStringLiteral("set 10205 1")));
    tick();
    QVERIFY(!banner->isVisible());
}

void tst_Application::wheelChangesNothing()
{
    auto *box = child<QComboBox>(QStringLiteral("BoxInput1"));
    QWheelEvent wheel(QPointF(5, 5), QPointF(box->mapToGlobal(QPoint(5, 5))), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(box, &wheel);
    QCOMPARE(box->currentIndex(), 0);
    QCOMPARE(simWrites(m_sim), 0);
}

void tst_Application::chineseTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("text");

    QTest::newRow("tab") << "tab_COMP" << -1 << "比较器配置";
    QTest::newRow("delay") << "label_InputDelay_1" << -1 << "去抖时间：";
    QTest::newRow("comp title") << "label_COMPTitle_3" << -1 << "比较器3";
    QTest::newRow("ext out") << "label_OutputTitle_9" << -1 << "扩展输出4";
    QTest::newRow("judge") << "label_TRUEJudgeT_2" << -1 << "达成判定时间：";
    QTest::newRow("off mode") << "BoxCOMPMode1" << 0 << "关闭";
    QTest::newRow("pulse") << "BoxOutput7" << 14 << "通讯心跳";
    QTest::newRow("high") << "cBoxInputMode_4" << 1 << "高电平";
    QTest::newRow("debounce") << "BoxOFFCOND8" << 2 << "延时模式";
    QTest::newRow("untranslated unit") << "label_InputDelayUnit_1" << -1 << "ms";
    QTest::newRow("banner") << "label_RemoteTip" << -1 << "应用远程编辑关闭，修改参数之前请在仪表中开启！";
}

void tst_Application::chineseTexts()
{
    QFETCH(QString, name);
    QFETCH(int, item);
    QFETCH(QString, text);

    QVERIFY(m_sim.command(QStringLiteral("set 10205 0")));
    QVERIFY(setRegister32(m_sim, 306, 150)); // input 1 delay
    tick();
    auto *delay = child<QLineEdit>(QStringLiteral("lineEditInput1"));
    QCOMPARE(delay->text(), QStringLiteral("150"));
    QTranslator translator;
    QVERIFY(translator.load(ChineseTranslation));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    QCoreApplication::processEvents();
    QWidget *w = child<QWidget>(name);
    QVERIFY2(w, qPrintable(name));
    QString shown;
    if (auto *box = qobject_cast<QComboBox *>(w))
        shown = box->itemText(item);
    else if (auto *label = qobject_cast<QLabel *>(w))
        shown = label->text();
    else
        shown = child<QTabWidget>(QStringLiteral("tabWidget"))->tabText(2);
    // The language change refilled the page from the mirror.
    const QString delayText = delay->text();
    QCoreApplication::removeTranslator(&translator);
    QCoreApplication::processEvents();
    QCOMPARE(shown, text);
    QCOMPARE(delayText, QStringLiteral("150"));
}

void tst_Application::layout_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QPoint>("position");

    // Inputs: 530 px columns, rows at 15, 310, 610.
    QTest::newRow("in 1150") << 1150 << "widget_Input_3" << QPoint(10, 310);
    QTest::newRow("in 1680") << 1680 << "widget_Input_5" << QPoint(10, 610);
    QTest::newRow("in 1681") << 1681 << "widget_Input_3" << QPoint(1070, 15);
    QTest::newRow("in 1681 b") << 1681 << "widget_Input_4" << QPoint(10, 310);
    QTest::newRow("in 2210") << 2210 << "widget_Input_4" << QPoint(10, 310);
    QTest::newRow("in 2211") << 2211 << "widget_Input_4" << QPoint(1600, 15);
    QTest::newRow("in 2741") << 2741 << "widget_Input_5" << QPoint(2130, 15);
    QTest::newRow("in 4000") << 4000 << "widget_Input_5" << QPoint(2130, 15);
    // Outputs: 350 px columns, rows at 15, 245, 475.
    QTest::newRow("out 1150") << 1150 << "widget_Output9" << QPoint(710, 475);
    QTest::newRow("out 1500") << 1500 << "widget_Output4" << QPoint(10, 245);
    QTest::newRow("out 1501") << 1501 << "widget_Output4" << QPoint(1060, 15);
    QTest::newRow("out 1851") << 1851 << "widget_Output6" << QPoint(10, 245);
    QTest::newRow("out 2901") << 2901 << "widget_Output9" << QPoint(10, 245);
    QTest::newRow("out 3250") << 3250 << "widget_Output9" << QPoint(10, 245);
    QTest::newRow("out 3251") << 3251 << "widget_Output9" << QPoint(2810, 15);
    QTest::newRow("out 3601") << 3601 << "widget_Output9" << QPoint(2810, 15);
    QTest::newRow("out 5000") << 5000 << "widget_Output1" << QPoint(10, 15);
    // Comparators: 350 px columns, rows at 15, 365, 715.
    QTest::newRow("comp 1150") << 1150 << "widget_COMP8" << QPoint(360, 715);
    QTest::newRow("comp 1501") << 1501 << "widget_COMP5" << QPoint(10, 365);
    QTest::newRow("comp 2551") << 2551 << "widget_COMP8" << QPoint(10, 365);
    QTest::newRow("comp 2901") << 2901 << "widget_COMP8" << QPoint(2460, 15);
    QTest::newRow("comp 3251") << 3251 << "widget_COMP8" << QPoint(2460, 15);
    QTest::newRow("comp 3700") << 3700 << "widget_COMP8" << QPoint(2460, 15);
}

void tst_Application::layout()
{
    QFETCH(int, width);
    QFETCH(QString, group);
    QFETCH(QPoint, position);

    // From another width, so that every group has to move.
    m_page->adjustLayout(width > 2000 ? 1150 : 4000);
    m_page->adjustLayout(width);
    QCOMPARE(m_page->layoutWidth(), width);
    QCOMPARE(child<QWidget>(group)->pos(), position);
    QCOMPARE(child<QTabWidget>(QStringLiteral("tabWidget"))->geometry(), QRect(0, 0, width - 70, 1131));
    auto *content = child<QWidget>(QStringLiteral("scrollAreaWidgetContents"));
    QCOMPARE(content->minimumWidth(), width);
    QCOMPARE(content->maximumWidth(), width);
}

QTEST_MAIN(tst_Application)
#include "tst_application.moc"
