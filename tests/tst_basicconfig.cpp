#include "App/basicconfig.h"
#include "main/mainwindow.h"

#include "pagedriver.h"

using namespace PageDriver;

// The Basic Config page in the main window, against the simulator.
class tst_BasicConfig : public PageSuite
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(startSuite(PageBasicConfig), qPrintable(m_sim.errorString())); }
    void cleanupTestCase() { endSuite(); }
    // Two decimals, kg, full scale 3000.00, preset tare 0.
    void init()
    {
        QVERIFY(enterPage({"fail off", "set 10200 1", "set 200 0", "set 201 1", "set 202 0", "set 203 2",
                           "set 206 4", "set 207 37856", "set 112 0", "set 113 0"}));
    }

    // Each editor writes its own register (a table row or name out of place
    // fails); the preset tare is scaled by the two decimals.
    void everyEditorBound_data()
    {
        QTest::addColumn<QString>("written");
        const char *const names[] = {"EditPWROnzero",  "RemotoZeroBox",   "EditZeroRange",   "RemoteTareBox",
                                     "TareRecordBox",  "NetSignCorBox",   "EditPresetTare",  "EditSTABRange",
                                     "EditSTABTimer",  "EditTrZeroRange", "EditTrZeroTimer", "EditDigit_Filter",
                                     "EditAdv_Filter", "SampleRateBox",   "cBoxInputRange"};
        for (int row = 0; row < 15; ++row)
            QTest::newRow(names[row]) << QStringLiteral("%1 2 0 %2").arg(100 + 2 * row).arg(row == 6 ? 100 : 1);
    }
    void everyEditorBound()
    {
        QFETCH(QString, written);
        QCOMPARE(writeThrough(QString::fromLatin1(QTest::currentDataTag())), written);
    }

    // The index a combo box shows is the value it stores.
    void comboItemsInValueOrder()
    {
        QCOMPARE(itemTexts(child<QComboBox>("NetSignCorBox")), QStringLiteral("Disable|CorrectTare|BackToGross"));
        QCOMPARE(itemTexts(child<QComboBox>("SampleRateBox")),
                 QStringLiteral("50|60 |100|120|200|240|400|480|800|960"));
        QCOMPARE(itemTexts(child<QComboBox>("cBoxInputRange")),
                 QStringLiteral("0-5 mV|0-10 mV|0-15 mV|-5-5 mV|-10-10 mV|-15-15 mV"));
    }

    // The preset tare (not its neighbour) scaled by the decimals, polled
    // while the page is shown, re-shown when only the decimals change.
    void presetTareFollowsDecimals_data()
    {
        QTest::addColumn<quint32>("fullScale");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("tip");
        QTest::addColumn<QString>("presetTare"); // the device holds 12345

        QTest::newRow("d=1, 10000") << 10000u << 1 << "0 - 1000.0" << "1234.5";
        QTest::newRow("d=0, 999999") << 999999u << 0 << "0 - 999999" << "12345";
        QTest::newRow("d=4, 999999") << 999999u << 4 << "0 - 99.9999" << "1.2345";
    }
    void presetTareFollowsDecimals()
    {
        QFETCH(quint32, fullScale);
        QFETCH(int, decimals);
        QFETCH(QString, tip);
        QFETCH(QString, presetTare);

        auto *edit = child<QLineEdit>("EditPresetTare");
        QVERIFY(setRegister32(m_sim, 112, 12345));
        QVERIFY(setRegister32(m_sim, 206, fullScale));
        // The full scale's block is polled after the page's refresh: its tip follows a tick later.
        tick();
        tick();
        QCOMPARE(edit->text(), QStringLiteral("123.45"));
        QVERIFY(setRegister32(m_sim, 202, quint32(decimals)));
        tick();
        QCOMPARE(edit->toolTip(), tip);
        QCOMPARE(edit->text(), presetTare);
        QCOMPARE(simWrites(m_sim), 0);
    }

    void remoteBanner() { QVERIFY(bannerFollows(10200)); }
    void languageChangeReachesPage() { QVERIFY(translates(child<QLabel>("label_TitleZero"))); }
};

QTEST_MAIN(tst_BasicConfig)
#include "tst_basicconfig.moc"
