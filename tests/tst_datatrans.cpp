#include "App/datatrans.h"
#include "pagedriver.h"
using namespace PageDriver;
// The Data-Trans page in the main window, against the simulator.
class tst_DataTrans : public PageSuite
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(startSuite(PageDataTrans), qPrintable(m_sim.errorString())); }
    void cleanupTestCase() { endSuite(); }
    void init() { QVERIFY(enterPage({"fail off", "set 10207 1", "set 8150 2"})); } // the analog values shown
    // Each editor writes its own single register; the analog values in thousandths, signed 16-bit; the other
    // fields cut to whole numbers.
    void everyEditorBound_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");
        const char *const names[] = {
            "lineEditCOMID_1",    "BoxBaudrate_1",         "BoxProtocol_1",     "BoxDataFormat_1", "BoxDwordFormat_1",
            "lineEditSendGap_1",  "lineEditCOMID_2",       "BoxBaudrate_2",     "BoxProtocol_2",   "BoxDataFormat_2",
            "BoxDwordFormat_2",   "lineEditSendGap_2",     "BoxComType",        "lineEditCOMID_3", "BoxBaudrate_3",
            "BoxProtocol_3",      "BoxDataFormat_3",       "BoxDwordFormat_3",  "lineEditSendGap_3",
            "cBoxNetComProtocol", "cBoxNetComDwordFormat", "EditNetComSendGap", "EditIP_1",        "EditIP_2",
            "EditIP_3",           "EditIP_4",              "EditDestIP_1",      "EditDestIP_2",    "EditDestIP_3",
            "EditDestIP_4",       "cBoxAnalogType",        "cBoxLinkData"};
        const int addresses[] = {8000, 8001, 8002, 8003, 8004, 8005, 8020, 8021, 8022, 8023, 8024,
                                 8025, 8026, 8040, 8041, 8042, 8043, 8044, 8045, 8100, 8101, 8102,
                                 8103, 8104, 8105, 8106, 8107, 8108, 8109, 8110, 8150, 8155};
        for (int row = 0; row < 32; ++row) // the send gap cut to a whole number
            QTest::newRow(names[row]) << (row == 5 ? "12.7" : "1")
                                      << QStringLiteral("%1 1 %2").arg(addresses[row]).arg(row == 5 ? 12 : 1);
        QTest::newRow("EditNetComSocket") << "65535" << "8111 1 65535";
        QTest::newRow("EditMinOut") << "12.5" << "8151 1 12500";
        QTest::newRow("EditZeroOut") << "-1.5" << "8152 1 64036";
        QTest::newRow("EditFSOut") << "32.767" << "8153 1 32767";
        QTest::newRow("EditMaxOut") << "-32.768" << "8154 1 32768";
    }
    void everyEditorBound()
    {
        QFETCH(QString, value);
        QFETCH(QString, written);
        QCOMPARE(writeThrough(QString::fromLatin1(QTest::currentDataTag()), value), written);
        QVERIFY(m_sim.command(QStringLiteral("set %1 0").arg(written.section(QLatin1Char(' '), 0, 0))));
    }
    void comboItemsInValueOrder() // the index a combo box shows is the value it stores
    {
        QCOMPARE(itemTexts(child<QComboBox>("cBoxAnalogType")),
                 QStringLiteral("4-20 mA|0-10 V|User-mA|User-V|-5-5 V|-10-10 V"));
    }
    void refusedEntry_data() // values whose low 16 bits would read back as another value go back unwritten
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("typed");
        QTest::newRow("just above") << "EditZeroOut" << "32.768";
        QTest::newRow("just below") << "EditFSOut" << "-32.769";
        QTest::newRow("negative gap") << "EditNetComSendGap" << "-1";
        QTest::newRow("socket too big") << "EditNetComSocket" << "65536";
    }
    void refusedEntry()
    {
        QFETCH(QString, editor);
        QFETCH(QString, typed);
        auto *edit = child<QLineEdit>(editor);
        const QString before = edit->text();
        QCOMPARE(writeThrough(editor, typed), QStringLiteral("0 writes"));
        QCOMPARE(edit->text(), before);
        edit->clearFocus(); // leaving the field afterwards writes nothing either
        QCOMPARE(simWrites(m_sim), 0);
    }
    void analogType_data() // the value group (with its unit) shows only for the user types
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("unit"); // empty: the group is hidden
        QTest::newRow("user mA") << 2 << "mA";
        QTest::newRow("user V") << 3 << "V";
        QTest::newRow("no such type") << 9 << "";
    }
    void analogType()
    {
        QFETCH(int, type);
        QFETCH(QString, unit);
        QVERIFY(m_sim.command(QStringLiteral("set 8150 %1").arg(type)));
        tick();
        QCOMPARE(child<QComboBox>("cBoxAnalogType")->currentIndex(), type < 6 ? type : -1);
        QCOMPARE(child("widget_Analog_2")->isVisible(), !unit.isEmpty());
        if (!unit.isEmpty())
            QCOMPARE(child<QLabel>("label_MaxOutUnit")->text(), unit);
    }
    // The record shown from the device: the ports' fields in place, the analog values signed; a block that fails
    // to read keeps what the page shows.
    void fieldsFromDevice()
    {
        QVERIFY(enterPage({"set 8026 1", "set 8111 502", "set 8155 1", "set 8151 4000",
                           "set 8152 60536", "set 8153 32767", "set 8154 32768"}));
        QCOMPARE(child<QComboBox>("BoxComType")->currentIndex(), 1);
        QCOMPARE(child<QLineEdit>("EditNetComSocket")->text(), QStringLiteral("502"));
        QCOMPARE(child<QComboBox>("cBoxLinkData")->currentIndex(), 1);
        for (const char *shown : {"EditMinOut 4.000", "EditZeroOut -5.000", "EditFSOut 32.767", "EditMaxOut -32.768"})
            QCOMPARE(child<QLineEdit>(QString::fromLatin1(shown).section(' ', 0, 0))->text(),
                     QString::fromLatin1(shown).section(' ', 1));
        QVERIFY(m_sim.command(QStringLiteral("set 8155 2")) && m_sim.command(QStringLiteral("fail 8105 4")));
        tick();
        QCOMPARE(child<QComboBox>("cBoxLinkData")->currentIndex(), 1);
    }
    void remoteBanner() { QVERIFY(bannerFollows(10207)); }
    void languageChangeReachesPage() // and refills the page from the mirror
    {
        QVERIFY(enterPage({"set 8152 -4000"}));
        QString shown;
        QVERIFY(translates([this] { return child<QLabel>("label_COMTitle_1")->text(); }, [&] {
            const QString zero = child<QLineEdit>("EditZeroOut")->text();
            shown = zero + QLatin1Char(' ') + QString::number(child<QComboBox>("cBoxAnalogType")->currentIndex());
        }));
        QCOMPARE(shown, QStringLiteral("-4.000 2"));
    }
};

QTEST_MAIN(tst_DataTrans)
#include "tst_datatrans.moc"
