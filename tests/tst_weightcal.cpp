#include "App/weightcal.h"
#include "pagedriver.h"

using namespace PageDriver;

// The Weight & CAL page in the main window, against the simulator.
class tst_WeightCal : public PageSuite
{
    Q_OBJECT
    QLineEdit *edit(const char *name) const { return child<QLineEdit>(QLatin1String(name)); }

private slots:
    void initTestCase() { QVERIFY2(startSuite(PageWeightCal), qPrintable(m_sim.errorString())); }
    void cleanupTestCase() { endSuite(); }
    void init() // kg, two decimals, d = 1, full scale 3000.00
    {
        QVERIFY(enterPage({"fail off", "set 10202 1", "set 200 0", "set 201 1", "set 202 0", "set 203 2", "set 204 0",
                           "set 205 1", "set 206 4", "set 207 37856", "errbits 0"}));
    }
    // Each editor writes its own register, scaled as the field is: points, full scale and flow by the decimals,
    // the signals in 0.0001 mV (signed), the correction in 0.00001; the division combo writes the division.
    void everyEditorBound_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");
        QTest::newRow("BoxUnitSelect") << "1" << "200 2 0 1";
        QTest::newRow("BoxDecimalSelect") << "1" << "202 2 0 1";
        QTest::newRow("BoxDivisionSelect") << "4" << "204 2 0 20";
        QTest::newRow("EditFullScale") << "1000" << "206 2 1 34464";
        QTest::newRow("SetKeyInmv") << "" << "210 2 0 1";
        QTest::newRow("EditkeyInmv") << "-1.2345" << "212 2 65535 53191";
        QTest::newRow("EditWeightCp1") << "1" << "214 2 0 100";
        QTest::newRow("EditWeightCp2") << "2" << "216 2 0 200";
        QTest::newRow("EditWeightCp3") << "3" << "218 2 0 300";
        QTest::newRow("EditWeightCp4") << "4" << "220 2 0 400";
        QTest::newRow("EditWeightCp5") << "5" << "222 2 0 500";
        QTest::newRow("EditLcMv") << "2" << "224 2 0 20000";
        QTest::newRow("EditLcCapacity") << "12.7" << "226 2 0 12";
        QTest::newRow("BoxTCal") << "1" << "228 2 0 1";
        QTest::newRow("EditCorrectCoef") << "1.00001" << "230 2 1 34465";
        QTest::newRow("EditSampleWindow") << "2.5" << "232 2 0 2500";
        QTest::newRow("EditMaxFlowrate") << "12.34" << "234 2 0 1234";
        QTest::newRow("cBoxFlowrateUnit") << "1" << "236 2 0 1";
    }
    void everyEditorBound()
    {
        QFETCH(QString, value);
        QFETCH(QString, written);
        QCOMPARE(writeThrough(QString::fromLatin1(QTest::currentDataTag()), value), written);
    }
    void comboItemsInValueOrder() // the index a combo box shows is the value it stores
    {
        QCOMPARE(itemTexts(child<QComboBox>("BoxUnitSelect")), QStringLiteral("t|kg|g|lb|KN|N"));
        QCOMPARE(child<QComboBox>("BoxDecimalSelect")->itemText(4), QStringLiteral("0.0000"));
    }
    // Each field with its own scale; the signals keep their sign; the division selects its item, and a division
    // with no item leaves the box as it was. (init() sets again what later tests rely on.)
    void fieldsFromDevice()
    {
        const struct { int address; qint64 value; const char *name, *shown; } fields[] = {
            {212, -12345, "EditkeyInmv", "-1.2345"},         {222, -12345, "label_WeightCP_5", "-1.2345"},
            {226, 4294967295, "EditLcCapacity", "4294967295"}, {230, 99999, "EditCorrectCoef", "0.99999"},
            {232, 60000, "EditSampleWindow", "60.000"},      {206, 123456, "EditFullScale", "1234.56"},
            {234, 5, "EditMaxFlowrate", "0.05"},             {200, 3, "label_WCPUnit_5", "lb"},
        };
        for (const auto &field : fields)
            QVERIFY(setRegister32(m_sim, field.address, field.value));
        QVERIFY(setRegister32(m_sim, 204, 500));
        tick();
        for (const auto &field : fields)
            QCOMPARE(child(QLatin1String(field.name))->property("text").toString(), QLatin1String(field.shown));
        auto *division = child<QComboBox>("BoxDivisionSelect");
        QCOMPARE(division->currentIndex(), 8);
        QVERIFY(setRegister32(m_sim, 204, 7));
        tick();
        QCOMPARE(division->currentIndex(), 8);
        QCOMPARE(simWrites(m_sim), 0);
    }
    void pointEntries()
    {
        QVERIFY(m_sim.command(QStringLiteral("load 0 now")));
        QCOMPARE(writeThrough("EditWeightCp4", "12.349"), QStringLiteral("220 2 0 1234"));
        QCOMPARE(edit("EditWeightCp4")->text(), QStringLiteral("12.34")); // what was written, not what was typed
        QCOMPARE(writeThrough("EditWeightCp1", "50"), QStringLiteral("214 2 0 5000"));
        QCOMPARE(edit("EditWeightCp1")->text(), QStringLiteral("50.00"));
        QCOMPARE(edit("EditWeightCp4")->text(), QStringLiteral("0.00")); // point 1 starts a new series
        QCOMPARE(writeThrough("EditWeightCp2", "100.5"), QStringLiteral("216 2 0 10050"));
        tick(); // the device's readings never show in the point fields
        QCOMPARE(edit("EditWeightCp1")->text(), QStringLiteral("50.00"));
        QCOMPARE(edit("EditWeightCp2")->text(), QStringLiteral("100.50"));
        QVERIFY(m_sim.command(QStringLiteral("fail 214 4"))); // refused: point 1 goes back, still clearing the rest
        QCOMPARE(writeThrough("EditWeightCp1", "60"), QStringLiteral("214 2 0 6000"));
        QCOMPARE(edit("EditWeightCp1")->text(), QStringLiteral("50.00"));
        QCOMPARE(edit("EditWeightCp2")->text(), QStringLiteral("0.00"));
    }
    // A point needs a weight above 0 (the device refuses 0 with its "Input Wt Zero" error): nothing is sent,
    // the status bar says why, the field shows what it showed.
    void pointNeedsWeight_data()
    {
        QTest::addColumn<QString>("typed"); // <untouched>: Return in the field as it stands
        QTest::newRow("untouched 0, Return") << "<untouched>";
        QTest::newRow("0") << "0";
        QTest::newRow("0.001, cut to 0 at d=2") << "0.001";
        QTest::newRow("-5") << "-5";
        QTest::newRow("emptied") << "";
    }
    void pointNeedsWeight()
    {
        QFETCH(QString, typed);
        QLineEdit *point = edit("EditWeightCp3");
        g_cpTextReset = true; // as after a reset of the calibration: the point shows 0
        tick();
        const QString before = point->text();
        QCOMPARE(before, QStringLiteral("0"));
        QSignalSpy notices(m_page, &ParameterPage::noticeRaised);
        if (typed == QLatin1String("<untouched>")) {
            QTest::mouseClick(point, Qt::LeftButton);
            QTest::keyClick(point, Qt::Key_Return);
        } else {
            EditorDriver::commitText(point, typed);
        }
        QCOMPARE(simWrites(m_sim), 0);
        QCOMPARE(point->text(), before);
        QCOMPARE(notices.count(), 1);
        QCOMPARE(notices.at(0).at(0).toString(),
                 QStringLiteral("Calibration point 3 needs a weight above 0; nothing was sent."));
        QCOMPARE(m_window->findChild<QLabel *>(QStringLiteral("label_Notice"))->text(), notices.at(0).at(0));
    }
    void decimalsChange_data() // new decimals re-show the scaled fields, their range tips and the point texts
    {
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("tip");
        QTest::addColumn<QString>("fullScale"); // raw 300000
        QTest::addColumn<QString>("point1");    // entered as 12.5
        QTest::newRow("0") << 0 << "0 - 999999" << "300000" << "12";
        QTest::newRow("4") << 4 << "0 - 99.9999" << "30.0000" << "12.5000";
    }
    void decimalsChange()
    {
        QFETCH(int, decimals);
        QFETCH(QString, tip);
        QFETCH(QString, fullScale);
        QFETCH(QString, point1);
        writeThrough("EditWeightCp1", "12.5");
        QVERIFY(setRegister32(m_sim, 202, quint32(decimals)));
        tick();
        QCOMPARE(child<QComboBox>("BoxDecimalSelect")->currentIndex(), decimals);
        QCOMPARE(edit("EditFullScale")->text(), fullScale);
        QCOMPARE(edit("EditMaxFlowrate")->toolTip(), tip);
        QCOMPARE(edit("EditWeightCp1")->text(), point1);
    }
    void remoteBanner() { QVERIFY(bannerFollows(10202)); }
    void languageChangeReachesPage() { QVERIFY(translates(child<QLabel>("label_TitleVALWeight"))); }
};

QTEST_MAIN(tst_WeightCal)
#include "tst_weightcal.moc"
