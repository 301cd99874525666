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
#include <QtTest>

using namespace PageDriver;

namespace {

// The registers of the page as the binding table lists them.
QList<int> pageRegisters()
{
    QList<int> registers;
    for (const auto &range : {qMakePair(8000, 6), qMakePair(8020, 7), qMakePair(8040, 6), qMakePair(8100, 12),
                              qMakePair(8150, 6)}) {
        for (int a = range.first; a < range.first + range.second; ++a)
            registers << a;
    }
    return registers;
}

} // namespace

// The Data-Trans page in the main window, against the simulator: its
// bindings, the analog type handling, the analog values in thousandths, the
// 16-bit entry limits and the layout.
class tst_DataTrans : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void everyEditorBound();
    void analogType_data();
    void analogType();
    void analogValues();
    void entry_data();
    void entry();
    void refusedEntry_data();
    void refusedEntry();
    void refreshComparesSixteenBits();
    void remoteBanner();
    void languageChangeReachesPage();
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

    m_page->adjustLayout(1150);
    m_window->showPage(PageMainInterface);
    m_window->showPage(PageDataTrans);
    tick();
    // Leaving a field writes it; that belongs to the test before.
    if (QWidget *focus = QApplication::focusWidget())
        focus->clearFocus();
    QVERIFY(m_sim.command(QStringLiteral("writes reset")));
}

void tst_DataTrans::everyEditorBound()
{
    const QVector<const BindingTable *> tables = m_page->bindingTables();
    QCOMPARE(tables.size(), 1);
    const BindingTable *table = tables.first();
    const QList<int> registers = pageRegisters();
    QCOMPARE(table->rows, registers.size());
    for (int row = 0; row < table->rows; ++row) {
        QVERIFY2(child<QWidget>(table->names[row]), qPrintable(table->names[row]));
        QCOMPARE(table->spans[row].address, quint32(registers.at(row)));
        QCOMPARE(table->spans[row].count, quint16(1));
    }
    QCOMPARE(m_page->findChildren<QComboBox *>().size() + m_page->findChildren<QLineEdit *>().size(), table->rows);
    // The index a combo box shows is the value it stores.
    QCOMPARE(itemTexts(child<QComboBox>(QStringLiteral("cBoxAnalogType"))),
             QStringList({"4-20 mA", "0-10 V", "User-mA", "User-V", "-5-5 V", "-10-10 V"}));
    QCOMPARE(itemTexts(child<QComboBox>(QStringLiteral("BoxProtocol_3"))),
             QStringList({"Modbus RTU", "Modbus ASCII", "Cont-A", "Cont-B", "r-Cont", "rE-Cont", "YH", "Print"}));
}

void tst_DataTrans::analogType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("values");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("toolTip");

    QTest::newRow("4-20 mA") << 0 << "4-20 mA" << false << "" << "";
    QTest::newRow("user mA") << 2 << "User-mA" << true << "mA" << "0 - 24.000 mA";
    QTest::newRow("user V") << 3 << "User-V" << true << "V" << "0 - 10.000 V";
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

void tst_DataTrans::analogValues()
{
    // Thousandths, signed 16-bit: 0xEC78 is -5000.
    for (const char *command : {"set 8150 2", "set 8151 4000", "set 8152 60536", "set 8153 32767", "set 8154 32768"})
        QVERIFY(m_sim.command(QLatin1String(command)));
    tick();
    QCOMPARE(child<QLineEdit>(QStringLiteral("EditMinOut"))->text(), QStringLiteral("4.000"));
    QCOMPARE(child<QLineEdit>(QStringLiteral("EditZeroOut"))->text(), QStringLiteral("-5.000"));
    QCOMPARE(child<QLineEdit>(QStringLiteral("EditFSOut"))->text(), QStringLiteral("32.767"));
    QCOMPARE(child<QLineEdit>(QStringLiteral("EditMaxOut"))->text(), QStringLiteral("-32.768"));
}

void tst_DataTrans::entry_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("expected");

    QTest::newRow("12.5 mA") << "EditMinOut" << "12.5" << 8151 << 12500;
    QTest::newRow("-1.5") << "EditZeroOut" << "-1.5" << 8152 << 64036; // -1500 in two's complement
    QTest::newRow("largest") << "EditMaxOut" << "32.767" << 8154 << 32767;
    QTest::newRow("smallest") << "EditMaxOut" << "-32.768" << 8154 << 32768;
    QTest::newRow("send gap cut") << "lineEditSendGap_1" << "12.7" << 8005 << 12;
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
    QVERIFY(!child<QLabel>(QStringLiteral("label_RemoteTip"))->text().isEmpty());
    QVERIFY(m_sim.command(QStringLiteral("set 10207 1")));
    tick();
    QVERIFY(!banner->isVisible());
}

void tst_DataTrans::languageChangeReachesPage()
{
    QVERIFY(m_sim.command(QStringLiteral("set 8150 2")));
    QVERIFY(m_sim.command(QStringLiteral("set 8152 -4000")));
    tick();
    auto *title = child<QLabel>(QStringLiteral("label_COMTitle_1"));
    const QString english = title->text();
    QString zero;
    int type = -1;
    const QString chinese = whileChinese([&] {
        // The language change refilled the page from the mirror.
        zero = child<QLineEdit>(QStringLiteral("EditZeroOut"))->text();
        type = child<QComboBox>(QStringLiteral("cBoxAnalogType"))->currentIndex();
        return title->text();
    });
    QVERIFY(!chinese.isEmpty());
    QVERIFY(chinese != english);
    QCOMPARE(title->text(), english);
    QCOMPARE(zero, QStringLiteral("-4.000"));
    QCOMPARE(type, 2);
}

void tst_DataTrans::layout_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QPoint>("position");

    // 540 px columns, rows at 10, 360, 710.
    QTest::newRow("1680 netcom") << 1680 << "widget_NetCOM" << QPoint(550, 360);
    QTest::newRow("1681 com 2") << 1681 << "widget_COM_2" << QPoint(1090, 10);
    QTest::newRow("2220 analog") << 2220 << "widget_Analog" << QPoint(550, 360);
    QTest::newRow("2221 netcom") << 2221 << "widget_NetCOM" << QPoint(1630, 10);
    QTest::newRow("2761 analog") << 2761 << "widget_Analog" << QPoint(2170, 10);
}

void tst_DataTrans::layout()
{
    QFETCH(int, width);
    QFETCH(QString, group);
    QFETCH(QPoint, position);

    m_page->adjustLayout(width > 2000 ? 1150 : 4000);
    m_page->adjustLayout(width);
    QCOMPARE(child<QWidget>(group)->pos(), position);
    auto *content = child<QWidget>(QStringLiteral("scrollAreaWidgetContents"));
    QCOMPARE(content->minimumWidth(), width);
    // The content reaches below the lowest group.
    QVERIFY(content->minimumHeight() > child<QWidget>(group)->geometry().bottom());
}

QTEST_MAIN(tst_DataTrans)
#include "tst_datatrans.moc"
