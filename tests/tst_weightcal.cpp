#include "App/parameterbinding.h"
#include "App/weightcal.h"
#include "Modbus/devicemirror.h"
#include "Modbus/displayweightthread.h"
#include "Modbus/linkstate.h"
#include "main/mainwindow.h"

#include "pagedriver.h"
#include "simprocess.h"
#include "testsupport.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

using namespace EditorDriver;

// The Weight & CAL page in the main window, against the simulator: its
// bindings, the division, the fixed-factor fields, the calibration-point
// texts, the banner, and a whole calibration through the editors.

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

    void everyEditorBound();
    void division();
    void lineEditWrites_data();
    void lineEditWrites();
    void fieldsFromDevice();
    void pointEntries();
    void pointTextsReset();
    void decimalsChange_data();
    void decimalsChange();
    void unitLabels();
    void remoteSwitch();
    void languageChangeReachesPage();
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

void tst_WeightCal::everyEditorBound()
{
    const QVector<const BindingTable *> tables = page()->bindingTables();
    QCOMPARE(tables.size(), 1);
    const BindingTable &table = *tables.first();
    QCOMPARE(table.rows, 18);
    // Pairs from 200 on; 208 is not the page's.
    for (int row = 0; row < table.rows; ++row) {
        QVERIFY2(page()->findChild<QWidget *>(table.names[row]), qPrintable(table.names[row]));
        QCOMPARE(table.spans[row].address, quint32(row < 4 ? 200 + 2 * row : 202 + 2 * row));
        QCOMPARE(table.spans[row].count, quint16(2));
    }
    QCOMPARE(page()->findChildren<QLineEdit *>().size() + page()->findChildren<QComboBox *>().size()
                 + page()->findChildren<QPushButton *>().size(),
             18);
    // The index a combo box shows is the value it stores.
    QCOMPARE(PageDriver::itemTexts(child<QComboBox>("BoxUnitSelect")).join(QLatin1Char('|')),
             QStringLiteral("t|kg|g|lb|KN|N"));
    QCOMPARE(child<QComboBox>("BoxDecimalSelect")->itemText(4), QStringLiteral("0.0000"));
}

// The division combo box shows and writes the division, not its position.
void tst_WeightCal::division()
{
    auto *box = child<QComboBox>("BoxDivisionSelect");
    choose(box, 4);
    QCOMPARE(simWrites(m_sim), 1);
    QCOMPARE(lastWrite(m_sim), QStringLiteral("204 2 0 20"));
    QVERIFY(setRegister32(m_sim, 204, 500));
    tick();
    QCOMPARE(box->currentIndex(), 8);
    // A division that has no item leaves the box as it was.
    QVERIFY(setRegister32(m_sim, 204, 7));
    tick();
    QCOMPARE(box->currentIndex(), 8);
    QCOMPARE(simWrites(m_sim), 1);
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

void tst_WeightCal::fieldsFromDevice()
{
    // Each field with its own scale; the signals keep their sign.
    const struct {
        int address;
        qint64 value;
        const char *name;
        const char *shown;
    } fields[] = {
        {212, -12345, "EditkeyInmv", "-1.2345"},         {222, -12345, "label_WeightCP_5", "-1.2345"},
        {226, 4294967295, "EditLcCapacity", "4294967295"}, {230, 99999, "EditCorrectCoef", "0.99999"},
        {232, 60000, "EditSampleWindow", "60.000"},      {206, 123456, "EditFullScale", "1234.56"},
        {234, 5, "EditMaxFlowrate", "0.05"},
    };
    QStringList before;
    for (const auto &field : fields) {
        before << registers(m_sim, field.address);
        QVERIFY(setRegister32(m_sim, field.address, field.value));
    }
    tick();
    for (const auto &field : fields)
        QCOMPARE(child<QWidget>(field.name)->property("text").toString(), QLatin1String(field.shown));
    QCOMPARE(simWrites(m_sim), 0);
    for (int i = 0; i < before.size(); ++i) {
        const QStringList words = before.at(i).split(QLatin1Char(' '));
        QVERIFY(setRegister32(m_sim, fields[i].address, (words.value(0).toLongLong() << 16) | words.value(1).toLongLong()));
    }
}

void tst_WeightCal::pointEntries()
{
    QVERIFY(m_sim.command(QStringLiteral("load 0 now")));
    // More decimals than the scale has: the field shows what was written.
    commitText(edit("EditWeightCp4"), QStringLiteral("12.349"));
    QCOMPARE(lastWrite(m_sim), QStringLiteral("220 2 0 1234"));
    QCOMPARE(edit("EditWeightCp4")->text(), QStringLiteral("12.34"));

    // Point 1 starts a new series, written or not.
    commitText(edit("EditWeightCp1"), QStringLiteral("50"));
    QCOMPARE(lastWrite(m_sim), QStringLiteral("214 2 0 5000"));
    QCOMPARE(edit("EditWeightCp1")->text(), QStringLiteral("50.00"));
    for (int point = 2; point <= 5; ++point)
        QCOMPARE(edit(PointEdits[point - 1])->text(), QStringLiteral("0.00"));

    commitText(edit("EditWeightCp2"), QStringLiteral("100.5"));
    QCOMPARE(lastWrite(m_sim), QStringLiteral("216 2 0 10050"));
    QCOMPARE(simWrites(m_sim), 3);

    // The device's readings never show in the point fields.
    tick();
    QCOMPARE(edit("EditWeightCp1")->text(), QStringLiteral("50.00"));
    QCOMPARE(edit("EditWeightCp2")->text(), QStringLiteral("100.50"));

    // A refused point entry goes back; point 1 still cleared the series.
    QVERIFY(m_sim.command(QStringLiteral("fail 214 4")));
    commitText(edit("EditWeightCp1"), QStringLiteral("60"));
    QCOMPARE(simWrites(m_sim), 4);
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
    QVERIFY(!tip->text().isEmpty());

    QVERIFY(m_sim.command(QStringLiteral("set 10202 1")));
    tick();
    QVERIFY(!banner->isVisible());
}

void tst_WeightCal::languageChangeReachesPage()
{
    auto *title = child<QLabel>("label_TitleVALWeight");
    const QString english = title->text();
    const QString chinese = whileChinese([title] { return title->text(); });
    QVERIFY(!chinese.isEmpty());
    QVERIFY(chinese != english);
    QCOMPARE(title->text(), english);
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
