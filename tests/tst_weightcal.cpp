#include "App/parameterbinding.h"
#include "App/weightcal.h"
#include "Modbus/devicemirror.h"
#include "Modbus/displayweightthread.h"
#include "Modbus/linkstate.h"
#include "main/mainwindow.h"

#include "editordriver.h"
#include "simprocess.h"
#include "testsupport.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <functional>
#include <memory>

using namespace EditorDriver;

// The Weight & CAL page in the main window, against the simulator: format
// and division, the fixed-factor fields, the calibration-point texts, the
// banner and layout, and a whole calibration through the page's editors.

namespace {

const char *const PointEdits[] = {"EditWeightCp1", "EditWeightCp2", "EditWeightCp3", "EditWeightCp4",
                                  "EditWeightCp5"};

} // namespace

class tst_WeightCal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void formMatchesTable();
    void formTexts_data();
    void formTexts();
    void divisionWritesNumber_data();
    void divisionWritesNumber();
    void divisionFromDevice_data();
    void divisionFromDevice();
    void comboWritesIndex_data();
    void comboWritesIndex();
    void zeroButtonWritesOne();
    void lineEditWrites_data();
    void lineEditWrites();
    void fieldsFromDevice_data();
    void fieldsFromDevice();
    void pointEntries();
    void pointTextsReset();
    void decimalsChange_data();
    void decimalsChange();
    void unitLabels();
    void remoteSwitch();
    void chineseTexts_data();
    void chineseTexts();
    void adjustLayout_data();
    void adjustLayout();
    void fullCalibration();

private:
    WeightCal *page() const { return qobject_cast<WeightCal *>(m_window->page(PageWeightCal)); }
    template <typename T>
    T *child(const char *name) const { return page()->findChild<T *>(QLatin1String(name)); }
    QLineEdit *edit(const char *name) const { return child<QLineEdit>(name); }
    void tick() { m_window->onTick(); }
    // Ticks until the condition holds, at most for the given time.
    bool tickUntil(const std::function<bool()> &condition, int timeoutMs = 5000);

    QTemporaryDir m_dir;
    SimProcess m_sim;
    std::unique_ptr<MainWindow> m_window;
};

void tst_WeightCal::initTestCase()
{
    TestSupport::installMessageCollector();
    qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
    QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));

    m_window = std::make_unique<MainWindow>();
    QVERIFY2(g_unmatchedSlots.isEmpty(), qPrintable(g_unmatchedSlots.join(QLatin1Char('\n'))));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QVERIFY(connectForManualTicks(m_window.get(), m_sim));
}

void tst_WeightCal::cleanupTestCase()
{
    m_window.reset();
    TestSupport::removeMessageCollector();
}

void tst_WeightCal::init()
{
    // kg, two decimals, d = 1, full scale 3000.00.
    for (const char *command : {"fail off", "set 10202 1", "set 200 0", "set 201 1", "set 202 0", "set 203 2",
                                "set 204 0", "set 205 1", "set 206 4", "set 207 37856", "errbits 0"})
        QVERIFY2(m_sim.command(QLatin1String(command)), qPrintable(m_sim.lastAnswer()));
    m_window->showPage(PageWeightCal);
    QApplication::setActiveWindow(m_window.get());
    tick();
    child<QLabel>("label_RemoteTip")->setFocus();
    QVERIFY(m_sim.command(QStringLiteral("writes reset")));
}

bool tst_WeightCal::tickUntil(const std::function<bool()> &condition, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        tick();
        if (condition())
            return true;
        QTest::qWait(50);
    }
    return false;
}

void tst_WeightCal::formMatchesTable()
{
    const QVector<const BindingTable *> tables = page()->bindingTables();
    QCOMPARE(tables.size(), 1);
    const BindingTable &table = *tables.first();
    QCOMPARE(table.rows, 18);
    const quint32 addresses[] = {200, 202, 204, 206, 210, 212, 214, 216, 218,
                                 220, 222, 224, 226, 228, 230, 232, 234, 236};
    for (int row = 0; row < table.rows; ++row) {
        QWidget *editor = page()->findChild<QWidget *>(table.names[row]);
        QVERIFY2(editor, qPrintable(table.names[row]));
        QVERIFY2(qobject_cast<QLineEdit *>(editor) || qobject_cast<QComboBox *>(editor)
                     || qobject_cast<QPushButton *>(editor),
                 qPrintable(table.names[row]));
        QCOMPARE(table.spans[row].address, addresses[row]);
        QCOMPARE(table.spans[row].count, quint16(2));
    }
    QList<QWidget *> editors;
    for (QLineEdit *e : page()->findChildren<QLineEdit *>())
        editors << e;
    for (QComboBox *box : page()->findChildren<QComboBox *>())
        editors << box;
    for (QPushButton *button : page()->findChildren<QPushButton *>())
        editors << button;
    QCOMPARE(editors.size(), 18);
    for (QWidget *editor : editors)
        QVERIFY2(table.rowOf(editor->objectName()) >= 0, qPrintable(editor->objectName()));
}

void tst_WeightCal::formTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("expected");

    const QString keyInTip = QStringLiteral(
        "0 - 5.0000(1mV/V,unipolarity)\n0 - 10.0000(2mV/V,unipolarity)\n0 - 15.0000(3mV/V,unipolarity)\n"
        "-5 - 5.0000(1mV/V,bipolar)\n-10 - 10.0000(2mV/V,bipolar)\n-15 - 15.0000(3mV/V,bipolar)");
    const struct {
        const char *name;
        const char *property;
        QString expected;
    } rows[] = {
        {"label_TitleTheoryCal", "text", QStringLiteral("Theory CAL")},
        {"label_TitleFormat", "text", QStringLiteral("Wt.Format")},
        {"label_TitleVALWeight", "text", QStringLiteral("CAL Weight")},
        {"label_TitleFlowRate", "text", QStringLiteral("Flowrate")},
        {"label_TitleCalZero", "text", QStringLiteral("CAL-ZERO")},
        {"label_TitleCalCorrect", "text", QStringLiteral("CAL Correct")},
        {"label_Division", "text", QStringLiteral("Division:          ")},
        {"label_FullScale", "text", QStringLiteral("Full Scale:     ")},
        {"label_AutoCapture", "text", QStringLiteral("Auto Capture:")},
        {"label_keyInmv", "text", QStringLiteral("key In mV:")},
        {"label_CP3", "text", QStringLiteral("CP3:")},
        {"label_LcMv", "text", QStringLiteral("LC mV/V:")},
        {"label_TCal", "text", QStringLiteral("Use T-CAL:")},
        {"label_SampleWindow", "text", QStringLiteral("Sample Window:")},
        {"label_FlowrateUnit", "text", QStringLiteral("Flowrate Unit:")},
        {"SetKeyInmv", "text", QStringLiteral("Zero")},
        {"label_WeightCP_1", "text", QStringLiteral("15.0000")},
        {"label_WeightCP_5", "text", QStringLiteral("15.0000")},
        {"EditWeightCp1", "text", QStringLiteral("0")},
        {"EditWeightCp5", "text", QStringLiteral("0")},
        {"EditLcMv", "text", QStringLiteral("0.000")},
        {"EditLcCapacity", "text", QStringLiteral("4")},
        {"EditFullScale", "text", QStringLiteral("1")},
        {"EditCorrectCoef", "text", QStringLiteral("0.000")},
        {"label_FullScaleUnit", "text", QStringLiteral("t")},
        {"label_WCPUnit_3", "text", QStringLiteral("t")},
        {"EditkeyInmv", "toolTip", keyInTip},
        {"EditLcMv", "toolTip", QStringLiteral("0.0000 - 3.9999")},
        {"EditLcCapacity", "toolTip", QStringLiteral("0 - 999999")},
        {"EditCorrectCoef", "toolTip", QStringLiteral("0.00001 - 9.99999")},
        {"EditSampleWindow", "toolTip", QStringLiteral("1.000 - 60.000")},
        {"BoxUnitSelect", "items", QStringLiteral("t|kg|g|lb|KN|N")},
        {"BoxDecimalSelect", "items", QStringLiteral("0|0.0|0.00|0.000|0.0000")},
        {"BoxDivisionSelect", "items",
         QStringLiteral("d = 1|d = 2|d = 5|d = 10|d = 20|d = 50|d = 100|d = 200|d = 500")},
        {"BoxTCal", "items", QStringLiteral("Disable|Enable")},
        {"cBoxFlowrateUnit", "items", QStringLiteral("Hour|Minute")},
    };
    for (const auto &r : rows)
        QTest::newRow(QByteArray(r.name).append(' ').append(r.property).constData())
            << QString::fromLatin1(r.name) << QString::fromLatin1(r.property) << r.expected;
}

void tst_WeightCal::formTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, property);
    QFETCH(QString, expected);

    // A fresh page shows the form's own texts until its first refresh.
    WeightCal fresh;
    QWidget *widget = fresh.findChild<QWidget *>(name);
    QVERIFY2(widget, qPrintable(name));
    if (property == QLatin1String("items")) {
        auto *box = qobject_cast<QComboBox *>(widget);
        QVERIFY(box);
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        QCOMPARE(items.join(QLatin1Char('|')), expected);
    } else {
        QCOMPARE(widget->property(qPrintable(property)).toString(), expected);
    }
}

void tst_WeightCal::divisionWritesNumber_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("written");

    QTest::newRow("d = 1") << 0 << "204 2 0 1";
    QTest::newRow("d = 20") << 4 << "204 2 0 20";
    QTest::newRow("d = 500") << 8 << "204 2 0 500";
}

void tst_WeightCal::divisionWritesNumber()
{
    QFETCH(int, index);
    QFETCH(QString, written);
    choose(child<QComboBox>("BoxDivisionSelect"), index);
    QCOMPARE(simWrites(m_sim), 1);
    QCOMPARE(lastWrite(m_sim), written);
}

void tst_WeightCal::divisionFromDevice_data()
{
    QTest::addColumn<quint32>("division");
    QTest::addColumn<int>("index");

    QTest::newRow("500") << 500u << 8;
    QTest::newRow("5") << 5u << 2;
    QTest::newRow("1") << 1u << 0;
    QTest::newRow("7: no item, unchanged") << 7u << 3;
    QTest::newRow("0: no item, unchanged") << 0u << 3;
}

void tst_WeightCal::divisionFromDevice()
{
    QFETCH(quint32, division);
    QFETCH(int, index);
    auto *box = child<QComboBox>("BoxDivisionSelect");
    QVERIFY(setRegister32(m_sim, 204, 10));
    tick();
    QCOMPARE(box->currentIndex(), 3);
    QVERIFY(setRegister32(m_sim, 204, division));
    tick();
    QCOMPARE(box->currentIndex(), index);
    QCOMPARE(simWrites(m_sim), 0);
}

void tst_WeightCal::comboWritesIndex_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("written");

    QTest::newRow("unit lb") << "BoxUnitSelect" << 3 << "200 2 0 3";
    QTest::newRow("decimals 3") << "BoxDecimalSelect" << 3 << "202 2 0 3";
    QTest::newRow("T-CAL off") << "BoxTCal" << 0 << "228 2 0 0";
    QTest::newRow("flow per hour") << "cBoxFlowrateUnit" << 0 << "236 2 0 0";
}

void tst_WeightCal::comboWritesIndex()
{
    QFETCH(QString, name);
    QFETCH(int, index);
    QFETCH(QString, written);
    choose(page()->findChild<QComboBox *>(name), index);
    QCOMPARE(simWrites(m_sim), 1);
    QCOMPARE(lastWrite(m_sim), written);
}

void tst_WeightCal::zeroButtonWritesOne()
{
    QVERIFY(m_sim.command(QStringLiteral("load 0 now")));
    QTest::mouseClick(child<QPushButton>("SetKeyInmv"), Qt::LeftButton);
    QCOMPARE(simWrites(m_sim), 1);
    QCOMPARE(lastWrite(m_sim), QStringLiteral("210 2 0 1"));
}

void tst_WeightCal::lineEditWrites_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");

    // -12345 -> 0xFFFF 0xCFC7; 100001 -> 0x0001 0x86A1
    QTest::newRow("key-in zero -1.2345 mV") << "EditkeyInmv" << "-1.2345" << "212 2 65535 53191";
    QTest::newRow("LC mV/V 2") << "EditLcMv" << "2" << "224 2 0 20000";
    QTest::newRow("LC capacity 12.7") << "EditLcCapacity" << "12.7" << "226 2 0 12";
    QTest::newRow("correction 1.00001") << "EditCorrectCoef" << "1.00001" << "230 2 1 34465";
    QTest::newRow("sample window 2.5") << "EditSampleWindow" << "2.5" << "232 2 0 2500";
    QTest::newRow("full scale 1000 at d=2") << "EditFullScale" << "1000" << "206 2 1 34464";
    QTest::newRow("max flow 12.34 at d=2") << "EditMaxFlowrate" << "12.34" << "234 2 0 1234";
}

void tst_WeightCal::lineEditWrites()
{
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    commitText(page()->findChild<QLineEdit *>(name), typed);
    QCOMPARE(simWrites(m_sim), 1);
    QCOMPARE(lastWrite(m_sim), written);
}

void tst_WeightCal::fieldsFromDevice_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");

    QTest::newRow("zero signal -1.2345 mV") << 212 << quint32(-12345) << "EditkeyInmv" << "-1.2345";
    QTest::newRow("zero signal 2.5 mV") << 212 << 25000u << "EditkeyInmv" << "2.5000";
    QTest::newRow("point 1 signal") << 214 << 34567u << "label_WeightCP_1" << "3.4567";
    QTest::newRow("point 5 signal -1.2345 mV") << 222 << quint32(-12345) << "label_WeightCP_5" << "-1.2345";
    QTest::newRow("LC mV/V") << 224 << 19999u << "EditLcMv" << "1.9999";
    QTest::newRow("LC capacity") << 226 << 4294967295u << "EditLcCapacity" << "4294967295";
    QTest::newRow("T-CAL") << 228 << 1u << "BoxTCal" << "1";
    QTest::newRow("correction") << 230 << 99999u << "EditCorrectCoef" << "0.99999";
    QTest::newRow("sample window") << 232 << 60000u << "EditSampleWindow" << "60.000";
    QTest::newRow("full scale") << 206 << 123456u << "EditFullScale" << "1234.56";
    QTest::newRow("max flow") << 234 << 5u << "EditMaxFlowrate" << "0.05";
    QTest::newRow("flow unit") << 236 << 0u << "cBoxFlowrateUnit" << "0";
}

void tst_WeightCal::fieldsFromDevice()
{
    QFETCH(int, address);
    QFETCH(quint32, value);
    QFETCH(QString, name);
    QFETCH(QString, shown);

    const QString before = registers(m_sim, address);
    QVERIFY(setRegister32(m_sim, address, value));
    tick();
    QWidget *widget = page()->findChild<QWidget *>(name);
    QVERIFY(widget);
    if (auto *box = qobject_cast<QComboBox *>(widget))
        QCOMPARE(QString::number(box->currentIndex()), shown);
    else
        QCOMPARE(widget->property("text").toString(), shown);
    QCOMPARE(simWrites(m_sim), 0);
    const QStringList words = before.split(QLatin1Char(' '));
    QVERIFY(m_sim.command(QStringLiteral("set %1 %2").arg(address).arg(words.value(0))));
    QVERIFY(m_sim.command(QStringLiteral("set %1 %2").arg(address + 1).arg(words.value(1))));
}

void tst_WeightCal::pointEntries()
{
    QVERIFY(m_sim.command(QStringLiteral("load 0 now")));
    commitText(edit("EditWeightCp3"), QStringLiteral("7"));
    QCOMPARE(edit("EditWeightCp3")->text(), QStringLiteral("7.00"));
    QCOMPARE(page()->pointText(3).toDouble(), 7.0);
    // More decimals than the scale has: the field shows what was written.
    commitText(edit("EditWeightCp4"), QStringLiteral("12.349"));
    QCOMPARE(lastWrite(m_sim), QStringLiteral("220 2 0 1234"));
    QCOMPARE(edit("EditWeightCp4")->text(), QStringLiteral("12.34"));

    // Point 1 starts a new series, written or not.
    commitText(edit("EditWeightCp1"), QStringLiteral("50"));
    QCOMPARE(lastWrite(m_sim), QStringLiteral("214 2 0 5000"));
    QCOMPARE(edit("EditWeightCp1")->text(), QStringLiteral("50.00"));
    for (int point = 2; point <= 5; ++point) {
        QCOMPARE(edit(PointEdits[point - 1])->text(), QStringLiteral("0.00"));
        QCOMPARE(page()->pointText(point), QStringLiteral("0"));
    }

    commitText(edit("EditWeightCp2"), QStringLiteral("100.5"));
    QCOMPARE(lastWrite(m_sim), QStringLiteral("216 2 0 10050"));
    QCOMPARE(edit("EditWeightCp1")->text(), QStringLiteral("50.00"));
    QCOMPARE(edit("EditWeightCp2")->text(), QStringLiteral("100.50"));
    QCOMPARE(simWrites(m_sim), 4);

    // The device's readings never show in the point fields.
    tick();
    QCOMPARE(edit("EditWeightCp1")->text(), QStringLiteral("50.00"));
    QCOMPARE(edit("EditWeightCp2")->text(), QStringLiteral("100.50"));

    // A refused point entry goes back; point 1 still cleared the series.
    QVERIFY(m_sim.command(QStringLiteral("fail 214 4")));
    commitText(edit("EditWeightCp1"), QStringLiteral("60"));
    QCOMPARE(simWrites(m_sim), 5);
    QCOMPARE(edit("EditWeightCp1")->text(), QStringLiteral("50.00"));
    QCOMPARE(page()->pointText(1), QStringLiteral("50.00"));
    QCOMPARE(edit("EditWeightCp2")->text(), QStringLiteral("0.00"));
    QCOMPARE(page()->pointText(2), QStringLiteral("0"));
}

void tst_WeightCal::pointTextsReset()
{
    commitText(edit("EditWeightCp1"), QStringLiteral("12"));
    QCOMPARE(edit("EditWeightCp1")->text(), QStringLiteral("12.00"));
    g_cpTextReset = true;
    tick();
    QVERIFY(!g_cpTextReset);
    for (const char *name : PointEdits)
        QCOMPARE(edit(name)->text(), QStringLiteral("0"));
    QCOMPARE(page()->pointText(1), QStringLiteral("0"));
}

void tst_WeightCal::decimalsChange_data()
{
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("fullScale"); // raw 300000
    QTest::addColumn<QString>("point1");    // entered as 12.5

    QTest::newRow("0") << 0 << "0 - 999999" << "300000" << "12";
    QTest::newRow("1") << 1 << "0 - 99999.9" << "30000.0" << "12.5";
    QTest::newRow("2") << 2 << "0 - 9999.99" << "3000.00" << "12.50";
    QTest::newRow("3") << 3 << "0 - 999.999" << "300.000" << "12.500";
    QTest::newRow("4") << 4 << "0 - 99.9999" << "30.0000" << "12.5000";
}

void tst_WeightCal::decimalsChange()
{
    QFETCH(int, decimals);
    QFETCH(QString, tip);
    QFETCH(QString, fullScale);
    QFETCH(QString, point1);

    commitText(edit("EditWeightCp1"), QStringLiteral("12.5"));
    QCOMPARE(edit("EditFullScale")->toolTip(), QStringLiteral("0 - 9999.99"));
    QVERIFY(setRegister32(m_sim, 202, quint32(decimals)));
    tick();
    QCOMPARE(child<QComboBox>("BoxDecimalSelect")->currentIndex(), decimals);
    QCOMPARE(edit("EditFullScale")->text(), fullScale);
    QCOMPARE(edit("EditFullScale")->toolTip(), tip);
    QCOMPARE(edit("EditMaxFlowrate")->toolTip(), tip);
    QCOMPARE(edit("EditWeightCp1")->text(), point1);
    QCOMPARE(edit("EditWeightCp2")->text(), QString::number(0.0, 'f', decimals));
}

void tst_WeightCal::unitLabels()
{
    const char *const labels[] = {"label_FullScaleUnit", "label_WCPUnit_1", "label_WCPUnit_2",
                                  "label_WCPUnit_3",     "label_WCPUnit_4", "label_WCPUnit_5"};
    for (const char *name : labels)
        QCOMPARE(child<QLabel>(name)->text(), QStringLiteral("kg"));
    QVERIFY(setRegister32(m_sim, 200, 3));
    tick();
    QCOMPARE(child<QComboBox>("BoxUnitSelect")->currentIndex(), 3);
    for (const char *name : labels)
        QCOMPARE(child<QLabel>(name)->text(), QStringLiteral("lb"));
}

void tst_WeightCal::remoteSwitch()
{
    auto *banner = child<QWidget>("widget_top");
    auto *tip = child<QLabel>("label_RemoteTip");
    QVERIFY(!banner->isVisible());
    QVERIFY(m_sim.command(QStringLiteral("set 10202 0")));
    tick();
    QVERIFY(banner->isVisible());
    QCOMPARE(tip->text(), QStringLiteral("CAL remote editing switch off, on before modifying parameters!"));

    // Refused: the combo box and the line edit go back to their focus-in values.
    auto *unit = child<QComboBox>("BoxUnitSelect");
    QCOMPARE(unit->currentIndex(), 1);
    choose(unit, 4);
    QCOMPARE(unit->currentIndex(), 1);
    auto *coef = edit("EditCorrectCoef");
    const QString coefBefore = coef->text();
    commitText(coef, QStringLiteral("1.5"));
    QCOMPARE(coef->text(), coefBefore);
    QCOMPARE(simWrites(m_sim), 2);
    QCOMPARE(registers(m_sim, 200), QStringLiteral("0 1"));

    QVERIFY(m_sim.command(QStringLiteral("set 10202 1")));
    tick();
    QVERIFY(!banner->isVisible());
    QCOMPARE(tip->text(), QString());
}

void tst_WeightCal::chineseTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("property"); // a property, or "item N" of a combo box
    QTest::addColumn<QString>("expected");

    QTest::newRow("label_TitleVALWeight text") << "label_TitleVALWeight" << "text" << QStringLiteral("砝码标定");
    QTest::newRow("label_CP5 text") << "label_CP5" << "text" << QStringLiteral("标定点5：");
    QTest::newRow("SetKeyInmv text") << "SetKeyInmv" << "text" << QStringLiteral("标零");
    QTest::newRow("BoxTCal item 1") << "BoxTCal" << "item 1" << QStringLiteral("开");
    QTest::newRow("cBoxFlowrateUnit item 0") << "cBoxFlowrateUnit" << "item 0" << QStringLiteral("时");
    QTest::newRow("EditkeyInmv toolTip") << "EditkeyInmv" << "toolTip" << QStringLiteral("0 - 5.0000(1mV/V,单极性)\n0 - 10.0000(2mV/V,单极性)\n0 - 15.0000(3mV/V,单极性)\n-5 - 5.0000(1mV/V,双极性)\n-10 - 10.0000(2mV/V,双极性)\n-15 - 15.0000(3mV/V,双极性)");
    QTest::newRow("banner") << "label_RemoteTip" << "text" << QStringLiteral("标定远程编辑关闭，修改参数之前请在仪表中开启！");
}

void tst_WeightCal::chineseTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, property);
    QFETCH(QString, expected);

    QTranslator chinese;
    QVERIFY(chinese.load(ChineseTranslation));
    QVERIFY(QCoreApplication::installTranslator(&chinese));
    QVERIFY(m_sim.command(QStringLiteral("set 10202 0")));
    tick();
    QWidget *widget = page()->findChild<QWidget *>(name);
    QVERIFY2(widget, qPrintable(name));
    const QString shown = shownText(widget, property);
    QCoreApplication::removeTranslator(&chinese);
    QVERIFY(m_sim.command(QStringLiteral("set 10202 1")));
    QCOMPARE(shown, expected);
    // Back in English once the translator is gone.
    tick();
    QCOMPARE(page()->findChild<QLabel *>(QStringLiteral("label_RemoteTip"))->text(), QString());
    QVERIFY(widget->property("text").toString() != expected || property != QLatin1String("text"));
}

void tst_WeightCal::adjustLayout_data()
{
    QTest::addColumn<int>("offset"); // width - left edge of widget_VALWeight
    QTest::addColumn<QPoint>("theory");
    QTest::addColumn<QPoint>("correct");
    QTest::addColumn<QPoint>("flow");
    QTest::addColumn<QString>("relative"); // t/c/f: that group's x is relative to the edge

    QTest::newRow("x + 780") << 780 << QPoint(10, 365) << QPoint(370, 365) << QPoint(730, 365) << "";
    QTest::newRow("x + 781") << 781 << QPoint(360, 10) << QPoint(10, 365) << QPoint(370, 365) << "t";
    QTest::newRow("x + 1140") << 1140 << QPoint(360, 10) << QPoint(10, 365) << QPoint(370, 365) << "t";
    QTest::newRow("x + 1141") << 1141 << QPoint(360, 10) << QPoint(720, 10) << QPoint(10, 365) << "tc";
    QTest::newRow("x + 1500") << 1500 << QPoint(360, 10) << QPoint(720, 10) << QPoint(10, 365) << "tc";
    QTest::newRow("x + 1501") << 1501 << QPoint(360, 10) << QPoint(720, 10) << QPoint(1080, 10) << "tcf";
}

void tst_WeightCal::adjustLayout()
{
    QFETCH(int, offset);
    QFETCH(QPoint, theory);
    QFETCH(QPoint, correct);
    QFETCH(QPoint, flow);
    QFETCH(QString, relative);

    const int x = child<QWidget>("widget_VALWeight")->x();
    const QPoint format = child<QWidget>("widget_Format")->pos();
    const QPoint zero = child<QWidget>("widget_CalZero")->pos();
    const auto place = [x, &relative](const QPoint &p, char group) {
        return relative.contains(QLatin1Char(group)) ? QPoint(x + p.x(), p.y()) : p;
    };
    page()->adjustLayout(x + offset);
    QCOMPARE(page()->layoutWidth(), x + offset);
    QCOMPARE(child<QWidget>("widget_TheoryCal")->pos(), place(theory, 't'));
    QCOMPARE(child<QWidget>("widget_CalCorrect")->pos(), place(correct, 'c'));
    QCOMPARE(child<QWidget>("widget_FlowRate")->pos(), place(flow, 'f'));
    QCOMPARE(child<QWidget>("widget_VALWeight")->x(), x);
    QCOMPARE(child<QWidget>("widget_Format")->pos(), format);
    QCOMPARE(child<QWidget>("widget_CalZero")->pos(), zero);
    auto *content = child<QWidget>("scrollAreaWidgetContents");
    QCOMPARE(content->minimumWidth(), x + offset);
    QCOMPARE(content->maximumWidth(), x + offset);
    page()->adjustLayout(m_window->normalWidth());
}

// Zero and two test weights entered through the page: afterwards the header
// shows the simulated load. A spoilt calibration first proves the steps matter.
void tst_WeightCal::fullCalibration()
{
    auto *weight = m_window->findChild<QLabel *>(QStringLiteral("labelweight_1"));
    QVERIFY(weight);
    auto *zero = child<QPushButton>("SetKeyInmv");
    // The operator waits for the stable mark and a settled signal before each
    // step; a short stability time keeps that brief. The sensor signal of a
    // load is 0.1234 mV dead load plus 10 mV per 3000 kg, in 0.0001 mV.
    QVERIFY(setRegister32(m_sim, 116, 100));
    // No correction and no theoretical calibration: the points alone count.
    QVERIFY(setRegister32(m_sim, 228, 0));
    QVERIFY(setRegister32(m_sim, 230, 100000));
    const auto settle = [this](int load) {
        const qint32 signal = qRound(1234 + load * 100.0 / 3.0);
        return m_sim.command(QStringLiteral("load %1 now").arg(load)) && tickUntil([signal] {
                   return (g_mirror.live.status & 1) != 0 && qint32(g_mirror.live.sensorVoltage) == signal;
               });
    };

    QVERIFY(settle(1000));
    QTest::mouseClick(zero, Qt::LeftButton);
    QVERIFY(settle(2000));
    commitText(edit("EditWeightCp1"), QStringLiteral("500"));
    QVERIFY(settle(1500));
    QVERIFY2(tickUntil([weight] { return weight->text() == QLatin1String("250.00 kg"); }),
             qPrintable(weight->text()));

    QVERIFY(settle(0));
    QTest::mouseClick(zero, Qt::LeftButton);
    QVERIFY(settle(1000));
    commitText(edit("EditWeightCp1"), QStringLiteral("1000"));
    QVERIFY(settle(2000));
    commitText(edit("EditWeightCp2"), QStringLiteral("2000"));
    QCOMPARE(simWrites(m_sim), 5);
    // Every step was taken: the error word holds no calibration message.
    QVERIFY(tickUntil([] { return g_mirror.live.errorBits == 0; }));

    QVERIFY(settle(1500));
    QVERIFY2(tickUntil([weight] { return weight->text() == QLatin1String("1500.00 kg"); }),
             qPrintable(weight->text()));
    // The signals recorded for the points show beside them: 0.1234 mV dead
    // load plus 10 mV per 3000 kg.
    QCOMPARE(child<QLabel>("label_WeightCP_1")->text(), QStringLiteral("3.4567"));
    QCOMPARE(child<QLabel>("label_WeightCP_2")->text(), QStringLiteral("6.7901"));
    QCOMPARE(edit("EditkeyInmv")->text(), QStringLiteral("0.1234"));
    QVERIFY(setRegister32(m_sim, 116, 500));
}

QTEST_MAIN(tst_WeightCal)
#include "tst_weightcal.moc"
