#include "App/basicconfig.h"
#include "App/parameterbinding.h"
#include "Modbus/devicemirror.h"
#include "Modbus/displayweightthread.h"
#include "Modbus/linkstate.h"
#include "Modbus/presentation.h"
#include "main/mainwindow.h"

#include "pagedriver.h"
#include "simprocess.h"
#include "testsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace EditorDriver;

// The Basic Config page in the main window, against the simulator: its
// bindings, the preset tare's scaling both ways, the range tip and the banner.

class tst_BasicConfig : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void everyEditorBound();
    void presetTareRoundTrip();
    void presetTareFollowsDecimals_data();
    void presetTareFollowsDecimals();
    void unitLabel();
    void remoteSwitch();
    void languageChangeReachesPage();

private:
    BasicConfig *page() const { return qobject_cast<BasicConfig *>(m_window->page(PageBasicConfig)); }
    template <typename T>
    T *child(const char *name) const { return page()->findChild<T *>(QLatin1String(name)); }
    void tick() { m_window->onTick(); }

    QTemporaryDir m_dir;
    SimProcess m_sim;
    std::unique_ptr<MainWindow> m_window;
};

void tst_BasicConfig::initTestCase()
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

void tst_BasicConfig::cleanupTestCase()
{
    m_window.reset();
    TestSupport::removeMessageCollector();
}

void tst_BasicConfig::init()
{
    // Two decimals, kg, full scale 3000.00, preset tare 0.
    for (const char *command : {"fail off", "set 10200 1", "set 200 0", "set 201 1", "set 202 0", "set 203 2",
                                "set 206 4", "set 207 37856", "set 112 0", "set 113 0"})
        QVERIFY2(m_sim.command(QLatin1String(command)), qPrintable(m_sim.lastAnswer()));
    m_window->showPage(PageBasicConfig);
    QApplication::setActiveWindow(m_window.get());
    tick();
    child<QLabel>("label_RemoteTip")->setFocus();
    QVERIFY(m_sim.command(QStringLiteral("writes reset")));
}

void tst_BasicConfig::everyEditorBound()
{
    // Fifteen pairs from register 100 on, each to an editor of the page, and
    // no editor without one.
    const QVector<const BindingTable *> tables = page()->bindingTables();
    QCOMPARE(tables.size(), 1);
    const BindingTable &table = *tables.first();
    QCOMPARE(table.rows, 15);
    for (int row = 0; row < table.rows; ++row) {
        QVERIFY2(page()->findChild<QWidget *>(table.names[row]), qPrintable(table.names[row]));
        QCOMPARE(table.spans[row].address, quint32(100 + 2 * row));
        QCOMPARE(table.spans[row].count, quint16(2));
    }
    QCOMPARE(page()->findChildren<QLineEdit *>().size() + page()->findChildren<QComboBox *>().size(), 15);
    // The index a combo box shows is the value it stores.
    QCOMPARE(PageDriver::itemTexts(child<QComboBox>("NetSignCorBox")).join(QLatin1Char('|')),
             QStringLiteral("Disable|CorrectTare|BackToGross"));
    QCOMPARE(PageDriver::itemTexts(child<QComboBox>("SampleRateBox")).join(QLatin1Char('|')),
             QStringLiteral("50|60 |100|120|200|240|400|480|800|960"));
    QCOMPARE(PageDriver::itemTexts(child<QComboBox>("cBoxInputRange")).join(QLatin1Char('|')),
             QStringLiteral("0-5 mV|0-10 mV|0-15 mV|-5-5 mV|-10-10 mV|-15-15 mV"));
}

void tst_BasicConfig::presetTareRoundTrip()
{
    auto *edit = child<QLineEdit>("EditPresetTare");
    QCOMPARE(edit->text(), QStringLiteral("0.00"));
    commitText(edit, QStringLiteral("1.5"));
    QCOMPARE(simWrites(m_sim), 1);
    QCOMPARE(lastWrite(m_sim), QStringLiteral("112 2 0 150"));
    tick();
    QCOMPARE(edit->text(), QStringLiteral("1.50"));
    // Neither the focus move nor the refresh wrote anything more.
    QCOMPARE(simWrites(m_sim), 1);
}

void tst_BasicConfig::presetTareFollowsDecimals_data()
{
    QTest::addColumn<quint32>("fullScale");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("presetTare"); // the device holds 12345

    QTest::newRow("d=1, 10000") << 10000u << 1 << "0 - 1000.0" << "1234.5";
    QTest::newRow("d=0, 999999") << 999999u << 0 << "0 - 999999" << "12345";
    QTest::newRow("d=4, 999999") << 999999u << 4 << "0 - 99.9999" << "1.2345";
}

void tst_BasicConfig::presetTareFollowsDecimals()
{
    QFETCH(quint32, fullScale);
    QFETCH(int, decimals);
    QFETCH(QString, tip);
    QFETCH(QString, presetTare);

    auto *edit = child<QLineEdit>("EditPresetTare");
    QVERIFY(setRegister32(m_sim, 112, 12345));
    QVERIFY(setRegister32(m_sim, 206, fullScale));
    // The page's refresh runs before the full scale's block is polled: the
    // range tip follows one tick later.
    tick();
    tick();
    QCOMPARE(edit->text(), QStringLiteral("123.45"));

    // Decimals changed at the device's keypad: shown within one tick, and
    // again after leaving and entering the page.
    QVERIFY(setRegister32(m_sim, 202, quint32(decimals)));
    tick();
    QCOMPARE(edit->toolTip(), tip);
    QCOMPARE(edit->text(), presetTare);
    m_window->showPage(PageWeightCal);
    tick();
    m_window->showPage(PageBasicConfig);
    QCOMPARE(edit->toolTip(), tip);
    QCOMPARE(edit->text(), presetTare);
    QCOMPARE(simWrites(m_sim), 0);
}

void tst_BasicConfig::unitLabel()
{
    auto *label = child<QLabel>("label_preTareUnit");
    QCOMPARE(label->text(), QStringLiteral("kg"));
    QVERIFY(setRegister32(m_sim, 200, 3));
    tick();
    QCOMPARE(label->text(), QStringLiteral("lb"));
    // Entering the page shows it again.
    label->setText(QStringLiteral("x"));
    m_window->showPage(PageBasicConfig);
    QCOMPARE(label->text(), QStringLiteral("lb"));
}

void tst_BasicConfig::remoteSwitch()
{
    auto *banner = child<QWidget>("widget_top");
    QVERIFY(!banner->isVisible());
    QVERIFY(m_sim.command(QStringLiteral("set 10200 0")));
    tick();
    QVERIFY(banner->isVisible());
    QVERIFY(!child<QLabel>("label_RemoteTip")->text().isEmpty());

    // The device now refuses the page's writes: the editors spring back.
    auto *edit = child<QLineEdit>("EditZeroRange");
    QCOMPARE(edit->text(), QStringLiteral("20"));
    commitText(edit, QStringLiteral("30"));
    QCOMPARE(edit->text(), QStringLiteral("20"));
    auto *box = child<QComboBox>("NetSignCorBox");
    choose(box, 2);
    QCOMPARE(simWrites(m_sim), 2);
    QCOMPARE(box->currentIndex(), 0);

    QVERIFY(m_sim.command(QStringLiteral("set 10200 1")));
    tick();
    QVERIFY(!banner->isVisible());
}

void tst_BasicConfig::languageChangeReachesPage()
{
    auto *title = child<QLabel>("label_TitleZero");
    const QString english = title->text();
    const QString chinese = whileChinese([title] { return title->text(); });
    QVERIFY(!chinese.isEmpty());
    QVERIFY(chinese != english);
    QCOMPARE(title->text(), english);
}

QTEST_MAIN(tst_BasicConfig)
#include "tst_basicconfig.moc"
