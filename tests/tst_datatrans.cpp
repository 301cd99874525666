#include "App/datatrans.h"
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
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

using namespace PageDriver;

namespace {

// The registers of the page as the binding table lists them.
QList<int> pageRegisters()
{
    QList<int> registers;
    for (int a = 8000; a <= 8005; ++a)
        registers << a;
    for (int a = 8020; a <= 8026; ++a)
        registers << a;
    for (int a = 8040; a <= 8045; ++a)
        registers << a;
    for (int a = 8100; a <= 8111; ++a)
        registers << a;
    for (int a = 8150; a <= 8155; ++a)
        registers << a;
    return registers;
}

} // namespace

// The Data-Trans page in the main window, against the simulator: its table,
// the analog type handling, the analog values in thousandths and the layout.
class tst_DataTrans : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void formConnectsEverySlot();
    void formMatchesTable();
    void formTexts_data();
    void formTexts();
    void analogType_data();
    void analogType();
    void analogTypeOnEntry();
    void analogValues_data();
    void analogValues();
    void entry_data();
    void entry();
    void refusedEntry_data();
    void refusedEntry();
    void comboWrites_data();
    void comboWrites();
    void refreshComparesSixteenBits();
    void remoteBanner();
    void chineseTexts_data();
    void chineseTexts();
    void layout_data();
    void layout();

private:
    template<typename T> T *child(const QString &name) const { return m_page->findChild<T *>(name); }
    void tick() { m_window->onTick(); }

    QTemporaryDir m_dir;
    SimProcess m_sim;
    MainWindow *m_window = nullptr;
    DataTrans *m_page = nullptr;
};

void tst_DataTrans::initTestCase()
{
    TestSupport::installMessageCollector();
    qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
    QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));

    // One connected window for the suite; every test starts from fresh
    // registers, a fresh mirror and a forced page entry.
    g_mirror = DeviceMirror();
    m_window = new MainWindow;
    m_window->move(0, 0);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QApplication::setActiveWindow(m_window);
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    QVERIFY(connectForManualTicks(m_window, m_sim));
    m_page = qobject_cast<DataTrans *>(m_window->page(PageDataTrans));
    QVERIFY(m_page);
}

void tst_DataTrans::cleanupTestCase()
{
    delete m_window;
    m_window = nullptr;
}

void tst_DataTrans::init()
{
    for (const char *command : {"fail off", "noreply off", "delay 0", "set 10207 1"})
        QVERIFY2(m_sim.command(QLatin1String(command)), qPrintable(m_sim.lastAnswer()));
    for (int address : pageRegisters())
        QVERIFY(m_sim.command(QStringLiteral("set %1 0").arg(address)));
    g_mirror = DeviceMirror();
    g_unmatchedSlots.clear();

    m_page->adjustLayout(1150);
    m_window->showPage(PageMainInterface);
    m_window->showPage(PageDataTrans);
    tick();
    // Leaving a field writes it; that belongs to the test before.
    if (QWidget *focus = QApplication::focusWidget())
        focus->clearFocus();
    QVERIFY(m_sim.command(QStringLiteral("writes reset")));
}

void tst_DataTrans::formConnectsEverySlot()
{
    g_unmatchedSlots.clear();
    DataTrans page;
    QVERIFY2(g_unmatchedSlots.isEmpty(), qPrintable(g_unmatchedSlots.join(QLatin1Char('\n'))));
    QCOMPARE(page.objectName(), QStringLiteral("DataTrans"));
    QCOMPARE(page.windowTitle(), QStringLiteral("Form"));
}

void tst_DataTrans::formMatchesTable()
{
    const QVector<const BindingTable *> tables = m_page->bindingTables();
    QCOMPARE(tables.size(), 1);
    const BindingTable *table = tables.first();
    const QList<int> registers = pageRegisters();
    QCOMPARE(table->rows, registers.size());
    for (int row = 0; row < table->rows; ++row) {
        const QString name = table->names[row];
        QWidget *editor = child<QWidget>(name);
        QVERIFY2(editor, qPrintable(name));
        QVERIFY2(qobject_cast<QComboBox *>(editor) || qobject_cast<QLineEdit *>(editor), qPrintable(name));
        QCOMPARE(table->spans[row].address, quint32(registers.at(row)));
        QCOMPARE(table->spans[row].count, quint16(1));
    }

    QStringList unbound;
    for (QWidget *w : m_page->findChildren<QWidget *>()) {
        if ((qobject_cast<QComboBox *>(w) || qobject_cast<QLineEdit *>(w)) && table->rowOf(w->objectName()) < 0)
            unbound << w->objectName();
    }
    QVERIFY2(unbound.isEmpty(), qPrintable(unbound.join(QLatin1Char(' '))));
}

void tst_DataTrans::formTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("toolTip");

    const QStringList none;
    const QString any = QStringLiteral("*");
    const QStringList bauds = {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
    const QStringList protocols = {"Modbus RTU", "Modbus ASCII", "Cont-A", "Cont-B", "r-Cont", "rE-Cont", "YH",
                                   "Print"};
    const QStringList formats = {"8-N-1", "8-E-1", "8-O-1", "7-E-1", "7-O-1"};
    const QStringList orders = {"AB-CD", "CD-AB"};
    QTest::newRow("baud") << "BoxBaudrate_2" << any << bauds << any;
    QTest::newRow("protocol") << "BoxProtocol_3" << any << protocols << any;
    QTest::newRow("format") << "BoxDataFormat_1" << any << formats << any;
    QTest::newRow("word order") << "BoxDwordFormat_3" << any << orders << any;
    QTest::newRow("com type") << "BoxComType" << any << QStringList{"485-Mode", "232-Mode"} << any;
    QTest::newRow("net protocol") << "cBoxNetComProtocol" << any
                                  << QStringList{"Modbus/TCP", "Cont-A/TCP", "Cont-B/TCP", "r-Cont/TCP",
                                                 "rE-Cont/TCP", "YH/TCP"}
                                  << any;
    QTest::newRow("net order") << "cBoxNetComDwordFormat" << any << orders << any;
    QTest::newRow("analog type") << "cBoxAnalogType" << any
                                 << QStringList{"4-20 mA", "0-10 V", "User-mA", "User-V", "-5-5 V", "-10-10 V"}
                                 << any;
    QTest::newRow("link data") << "cBoxLinkData" << any << QStringList{"Weight", "Net", "Gross", "Flow Rate"}
                               << any;
    QTest::newRow("com id") << "lineEditCOMID_2" << any << none << "0 - 99";
    QTest::newRow("send gap") << "lineEditSendGap_3" << any << none << "0 - 1000ms";
    QTest::newRow("net gap") << "EditNetComSendGap" << any << none << "0 - 1000ms";
    QTest::newRow("ip") << "EditIP_2" << any << none << "0 - 255";
    QTest::newRow("dest ip") << "EditDestIP_4" << any << none << "0 - 255";
    QTest::newRow("socket") << "EditNetComSocket" << any << none << "0 - 65535";
    QTest::newRow("title com 0") << "label_COMTitle_1" << "COM 0" << none << any;
    QTest::newRow("title net") << "label_NetComTitle" << "NetCOM" << none << any;
    QTest::newRow("title analog") << "label_AnalogTitle" << "Analog" << none << any;
    QTest::newRow("id label") << "label_COMID_3" << "COM2 ID:" << none << any;
    QTest::newRow("com type label") << "label_ComType" << "RS485/RS232:" << none << any;
    QTest::newRow("net order label") << "label_NetComDwordFormat" << "DwordFormat:" << none << any;
    QTest::newRow("gap unit") << "label_SendGapUnit_1" << "ms" << none << any;
    QTest::newRow("ip dot") << "label_IPDot_1" << "." << none << any;
}

void tst_DataTrans::formTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QStringList, items);
    QFETCH(QString, toolTip);

    QWidget *w = child<QWidget>(name);
    QVERIFY2(w, qPrintable(name));
    if (auto *box = qobject_cast<QComboBox *>(w))
        QCOMPARE(itemTexts(box), items);
    if (text != QLatin1String("*"))
        QCOMPARE(qobject_cast<QLabel *>(w)->text(), text);
    if (toolTip != QLatin1String("*"))
        QCOMPARE(w->toolTip(), toolTip);
}

void tst_DataTrans::analogType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("values");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("toolTip");

    QTest::newRow("4-20 mA") << 0 << "4-20 mA" << false << "" << "";
    QTest::newRow("0-10 V") << 1 << "0-10 V" << false << "" << "";
    QTest::newRow("user mA") << 2 << "User-mA" << true << "mA" << "0 - 24.000 mA";
    QTest::newRow("user V") << 3 << "User-V" << true << "V" << "0 - 10.000 V";
    QTest::newRow("-10-10 V") << 5 << "-10-10 V" << false << "" << "";
    QTest::newRow("no such type") << 9 << "" << false << "" << "";
}

void tst_DataTrans::analogType()
{
    QFETCH(int, type);
    QFETCH(QString, shown);
    QFETCH(bool, values);
    QFETCH(QString, unit);
    QFETCH(QString, toolTip);

    auto *subGroup = child<QWidget>(QStringLiteral("widget_Analog_2"));
    QVERIFY(!subGroup->isVisible()); // type 0 after init

    QVERIFY(m_sim.command(QStringLiteral("set 8150 %1").arg(type)));
    tick();
    QCOMPARE(child<QComboBox>(QStringLiteral("cBoxAnalogType"))->currentText(), shown);
    QCOMPARE(subGroup->isVisible(), values);
    if (values) {
        for (const char *name : {"label_MinOutUnit", "label_ZeroOutUnit", "label_FSOutUnit", "label_MaxOutUnit"})
            QCOMPARE(child<QLabel>(QLatin1String(name))->text(), unit);
        for (const char *name : {"EditMinOut", "EditZeroOut", "EditFSOut", "EditMaxOut"})
            QCOMPARE(child<QLineEdit>(QLatin1String(name))->toolTip(), toolTip);
    }

    // Back to a fixed type: the sub-group goes.
    QVERIFY(m_sim.command(QStringLiteral("set 8150 1")));
    tick();
    QVERIFY(!subGroup->isVisible());
}

void tst_DataTrans::analogTypeOnEntry()
{
    QVERIFY(m_sim.command(QStringLiteral("set 8150 3")));
    tick();
    auto *subGroup = child<QWidget>(QStringLiteral("widget_Analog_2"));
    QVERIFY(subGroup->isVisible());
    // Entering the page again re-applies the type although it did not change.
    subGroup->hide();
    m_window->showPage(PageMainInterface);
    m_window->showPage(PageDataTrans);
    QVERIFY(subGroup->isVisible());
    QCOMPARE(child<QLabel>(QStringLiteral("label_MaxOutUnit"))->text(), QStringLiteral("V"));
    QCOMPARE(child<QLineEdit>(QStringLiteral("EditMaxOut"))->toolTip(), QStringLiteral("0 - 10.000 V"));
}

void tst_DataTrans::analogValues_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("raw");
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("text");

    QTest::newRow("4 mA") << 8151 << 4000 << "EditMinOut" << "4.000";
    QTest::newRow("-5 V") << 8152 << 60536 << "EditZeroOut" << "-5.000"; // 0xEC78 -> -5000
    QTest::newRow("largest") << 8153 << 32767 << "EditFSOut" << "32.767";
    QTest::newRow("smallest") << 8154 << 32768 << "EditMaxOut" << "-32.768";
    QTest::newRow("thousandth") << 8151 << 1 << "EditMinOut" << "0.001";
}

void tst_DataTrans::analogValues()
{
    QFETCH(int, address);
    QFETCH(int, raw);
    QFETCH(QString, editor);
    QFETCH(QString, text);

    QVERIFY(m_sim.command(QStringLiteral("set 8150 2")));
    QVERIFY(m_sim.command(QStringLiteral("set %1 %2").arg(address).arg(raw)));
    tick();
    QCOMPARE(child<QLineEdit>(editor)->text(), text);
}

void tst_DataTrans::entry_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("expected");

    QTest::newRow("12.5 mA") << "EditMinOut" << "12.5" << 8151 << 12500;
    QTest::newRow("-1.5") << "EditZeroOut" << "-1.5" << 8152 << 64036; // -1500 in two's complement
    QTest::newRow("-2.25") << "EditFSOut" << "-2.25" << 8153 << 63286;
    QTest::newRow("largest") << "EditMaxOut" << "32.767" << 8154 << 32767;
    QTest::newRow("smallest") << "EditMaxOut" << "-32.768" << 8154 << 32768;
    QTest::newRow("send gap cut") << "lineEditSendGap_1" << "12.7" << 8005 << 12;
    QTest::newRow("ip octet") << "EditIP_1" << "192" << 8103 << 192;
    QTest::newRow("socket") << "EditNetComSocket" << "65535" << 8111 << 65535;
    QTest::newRow("slave id") << "lineEditCOMID_3" << "7" << 8040 << 7;
}

void tst_DataTrans::entry()
{
    QFETCH(QString, editor);
    QFETCH(QString, typed);
    QFETCH(int, address);
    QFETCH(int, expected);

    QVERIFY(m_sim.command(QStringLiteral("set 8150 2")));
    tick();
    QVERIFY(m_sim.command(QStringLiteral("writes reset")));
    QVERIFY(typeAndReturn(child<QLineEdit>(editor), typed));
    QCOMPARE(simWrites(m_sim), 1);
    QCOMPARE(registers(m_sim, address, 1), QList<int>{expected});
}

void tst_DataTrans::refusedEntry_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("address");

    // Their low 16 bits would read back as another value.
    QTest::newRow("40 mA") << "EditMinOut" << "40" << 8151;
    QTest::newRow("just above") << "EditZeroOut" << "32.768" << 8152;
    QTest::newRow("just below") << "EditFSOut" << "-32.769" << 8153;
    QTest::newRow("huge") << "EditMaxOut" << "123456789" << 8154;
    QTest::newRow("id too big") << "lineEditCOMID_1" << "70000" << 8000;
    QTest::newRow("negative gap") << "EditNetComSendGap" << "-1" << 8102;
    QTest::newRow("socket too big") << "EditNetComSocket" << "65536" << 8111;
}

void tst_DataTrans::refusedEntry()
{
    QFETCH(QString, editor);
    QFETCH(QString, typed);
    QFETCH(int, address);

    QVERIFY(m_sim.command(QStringLiteral("set 8150 2")));
    QVERIFY(m_sim.command(QStringLiteral("set %1 1234").arg(address)));
    tick();
    auto *edit = child<QLineEdit>(editor);
    const QString before = edit->text();
    QVERIFY(before == QLatin1String("1.234") || before == QLatin1String("1234"));
    QVERIFY(m_sim.command(QStringLiteral("writes reset")));

    QVERIFY(typeAndReturn(edit, typed));
    QCOMPARE(edit->text(), before);
    // Leaving the field afterwards writes nothing either.
    edit->clearFocus();
    QCOMPARE(simWrites(m_sim), 0);
    QCOMPARE(registers(m_sim, address, 1), QList<int>{1234});
}

void tst_DataTrans::comboWrites_data()
{
    QTest::addColumn<QString>("combo");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("address");

    QTest::newRow("print on COM 2") << "BoxProtocol_3" << 7 << "Print" << 8042;
    QTest::newRow("115200 on COM 0") << "BoxBaudrate_1" << 7 << "115200" << 8001;
    QTest::newRow("232 mode") << "BoxComType" << 1 << "232-Mode" << 8026;
    QTest::newRow("net YH") << "cBoxNetComProtocol" << 5 << "YH/TCP" << 8100;
    QTest::newRow("flow rate") << "cBoxLinkData" << 3 << "Flow Rate" << 8155;
    QTest::newRow("user V") << "cBoxAnalogType" << 3 << "User-V" << 8150;
}

void tst_DataTrans::comboWrites()
{
    QFETCH(QString, combo);
    QFETCH(int, index);
    QFETCH(QString, text);
    QFETCH(int, address);

    auto *box = child<QComboBox>(combo);
    QVERIFY(choose(box, index));
    QCOMPARE(box->currentText(), text);
    QCOMPARE(simWrites(m_sim), 1);
    QCOMPARE(registers(m_sim, address, 1), QList<int>{index});

    // A refused write puts the entry from before the pop-up back.
    QVERIFY(m_sim.command(QStringLiteral("fail %1 4").arg(address)));
    QVERIFY(choose(box, 1 - qMin(index, 1)));
    QCOMPARE(box->currentIndex(), index);
    QCOMPARE(registers(m_sim, address, 1), QList<int>{index});
}

void tst_DataTrans::refreshComparesSixteenBits()
{
    QVERIFY(m_sim.command(QStringLiteral("set 8026 1")));
    QVERIFY(m_sim.command(QStringLiteral("set 8111 502")));
    QVERIFY(m_sim.command(QStringLiteral("set 8150 2")));
    QVERIFY(m_sim.command(QStringLiteral("set 8155 1")));
    tick();
    QCOMPARE(child<QComboBox>(QStringLiteral("BoxComType"))->currentText(), QStringLiteral("232-Mode"));
    QCOMPARE(child<QLineEdit>(QStringLiteral("EditNetComSocket"))->text(), QStringLiteral("502"));
    QCOMPARE(child<QComboBox>(QStringLiteral("cBoxLinkData"))->currentText(), QStringLiteral("Net"));

    // What the operator is typing stays while the register does not change.
    auto *socket = child<QLineEdit>(QStringLiteral("EditNetComSocket"));
    socket->setText(QStringLiteral("50"));
    tick();
    QCOMPARE(socket->text(), QStringLiteral("50"));
    QVERIFY(m_sim.command(QStringLiteral("set 8111 503")));
    tick();
    QCOMPARE(socket->text(), QStringLiteral("503"));

    // A failed block keeps what the page shows.
    QVERIFY(m_sim.command(QStringLiteral("set 8155 2")));
    QVERIFY(m_sim.command(QStringLiteral("fail 8105 4")));
    tick();
    QCOMPARE(child<QComboBox>(QStringLiteral("cBoxLinkData"))->currentText(), QStringLiteral("Net"));
}

void tst_DataTrans::remoteBanner()
{
    auto *banner = child<QWidget>(QStringLiteral("widget_top"));
    QVERIFY(!banner->isVisible());
    QVERIFY(m_sim.command(QStringLiteral("set 10207 0")));
    tick();
    QVERIFY(banner->isVisible());
    QCOMPARE(child<QLabel>(QStringLiteral("label_RemoteTip"))->text(),
             QStringLiteral("Data-Trans remote editing switch off, on before modifying parameters!"));
    QVERIFY(m_sim.command(QStringLiteral("set 10207 1")));
    tick();
    QVERIFY(!banner->isVisible());
}

void tst_DataTrans::chineseTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("item");
    QTest::addColumn<QString>("text");

    QTest::newRow("com 0") << "label_COMTitle_1" << -1 << "串口0";
    QTest::newRow("com id") << "label_COMID_2" << -1 << "从机号：";
    QTest::newRow("dword") << "label_DwordFormat_3" << -1 << "双字格式";
    QTest::newRow("net dword") << "label_NetComDwordFormat" << -1 << "双字模式：";
    QTest::newRow("analog type") << "label_AnalogType" << -1 << "输出模式：";
    QTest::newRow("full scale") << "label_FSOut" << -1 << "最大量程输出：";
    QTest::newRow("232") << "BoxComType" << 1 << "232模式";
    QTest::newRow("flow") << "cBoxLinkData" << 3 << "流量";
    QTest::newRow("user mA") << "cBoxAnalogType" << 2 << "用户电流";
    QTest::newRow("untranslated") << "BoxProtocol_1" << 7 << "Print";
    QTest::newRow("banner") << "label_RemoteTip" << -1 << "通讯远程编辑关闭，修改参数之前请在仪表中开启！";
}

void tst_DataTrans::chineseTexts()
{
    QFETCH(QString, name);
    QFETCH(int, item);
    QFETCH(QString, text);

    QVERIFY(m_sim.command(QStringLiteral("set 10207 0")));
    QVERIFY(m_sim.command(QStringLiteral("set 8150 2")));
    QVERIFY(m_sim.command(QStringLiteral("set 8152 -4000")));
    tick();
    QTranslator translator;
    QVERIFY(translator.load(ChineseTranslation));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    QCoreApplication::processEvents();
    QWidget *w = child<QWidget>(name);
    QVERIFY2(w, qPrintable(name));
    const QString shown = item >= 0 ? qobject_cast<QComboBox *>(w)->itemText(item) : qobject_cast<QLabel *>(w)->text();
    // The language change refilled the page from the mirror.
    const QString zero = child<QLineEdit>(QStringLiteral("EditZeroOut"))->text();
    const int type = child<QComboBox>(QStringLiteral("cBoxAnalogType"))->currentIndex();
    QCoreApplication::removeTranslator(&translator);
    QCoreApplication::processEvents();
    QCOMPARE(shown, text);
    QCOMPARE(zero, QStringLiteral("-4.000"));
    QCOMPARE(type, 2);
}

void tst_DataTrans::layout_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QPoint>("position");

    // 540 px columns, rows at 10, 360, 710.
    QTest::newRow("1150 com 2") << 1150 << "widget_COM_2" << QPoint(10, 360);
    QTest::newRow("1150 analog") << 1150 << "widget_Analog" << QPoint(10, 710);
    QTest::newRow("1680 netcom") << 1680 << "widget_NetCOM" << QPoint(550, 360);
    QTest::newRow("1681 com 2") << 1681 << "widget_COM_2" << QPoint(1090, 10);
    QTest::newRow("1681 netcom") << 1681 << "widget_NetCOM" << QPoint(10, 360);
    QTest::newRow("2220 analog") << 2220 << "widget_Analog" << QPoint(550, 360);
    QTest::newRow("2221 netcom") << 2221 << "widget_NetCOM" << QPoint(1630, 10);
    QTest::newRow("2221 analog") << 2221 << "widget_Analog" << QPoint(10, 360);
    QTest::newRow("2761 analog") << 2761 << "widget_Analog" << QPoint(2170, 10);
    QTest::newRow("4000 analog") << 4000 << "widget_Analog" << QPoint(2170, 10);
    QTest::newRow("4000 com 1") << 4000 << "widget_COM_1" << QPoint(550, 10);
}

void tst_DataTrans::layout()
{
    QFETCH(int, width);
    QFETCH(QString, group);
    QFETCH(QPoint, position);

    m_page->adjustLayout(width > 2000 ? 1150 : 4000);
    m_page->adjustLayout(width);
    QCOMPARE(m_page->layoutWidth(), width);
    QCOMPARE(child<QWidget>(group)->pos(), position);
    auto *content = child<QWidget>(QStringLiteral("scrollAreaWidgetContents"));
    QCOMPARE(content->minimumWidth(), width);
    QCOMPARE(content->maximumWidth(), width);
    // The content reaches below the lowest group.
    QVERIFY(content->minimumHeight() > child<QWidget>(group)->geometry().bottom());
}

QTEST_MAIN(tst_DataTrans)
#include "tst_datatrans.moc"
