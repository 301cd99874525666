#include "editordriver.h"
using namespace EditorDriver;
constexpr int StabTimer = 116; // Basic Config's stable timer (tst_basicconfig checks every binding)
// What the operator's focus moves and page and window switches write, against the simulator.
class tst_EditCommit : public QObject
{
    Q_OBJECT
    QLineEdit *edit(const char *name) const { return m_window->findChild<QLineEdit *>(QLatin1String(name)); }
    void enter(int page) { m_window->showPage(page); m_window->onTick(); }
private slots:
    void cleanupTestCase() { delete m_window; }
    void initTestCase()
    {
        qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
        QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));
        m_window = new MainWindow;
        m_window->show();
        QVERIFY(connectForManualTicks(m_window, m_sim));
    }
    void init()
    {
        if (QWidget *focus = QApplication::focusWidget())
            focus->clearFocus(); // leaving the field of the test before writes it: that write is its own
        for (const char *command : {"fail off", "set 10200 1", "set 10202 1", "set 10205 1", "set 202 0", "set 203 2"})
            QVERIFY2(m_sim.command(QLatin1String(command)), qPrintable(m_sim.lastAnswer()));
        QApplication::setActiveWindow(m_window);
        enter(PageMainInterface);
        QVERIFY(m_sim.command(QStringLiteral("writes reset")));
    }
    void calibrationPointsWriteOnIntent_data() // a point written records the load: passing through, nothing
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("written"); // the last write ("none"); %1: the raw value point 1 showed
        QTest::addColumn<QString>("point3");  // the text of point 3 afterwards
        QTest::newRow("tab through") << "tab" << "none" << "7.00";
        QTest::newRow("typed, clicked away") << "type" << "214 2 0 5000" << "0.00";
        QTest::newRow("Return unchanged, clicked away") << "return" << "214 2 0 %1" << "0.00";
    }
    void calibrationPointsWriteOnIntent()
    {
        QFETCH(QString, how);
        QFETCH(QString, written);
        QFETCH(QString, point3);
        enter(PageWeightCal);
        commitText(edit("EditWeightCp3"), QStringLiteral("7"));
        QVERIFY(m_sim.command(QStringLiteral("writes reset")));
        QLineEdit *cp1 = edit("EditWeightCp1");
        if (written.contains(QLatin1String("%1")))
            written = written.arg(qRound(cp1->text().toDouble() * 100));
        QTest::mouseClick(cp1, Qt::LeftButton);
        QVERIFY(cp1->hasFocus());
        if (how == QLatin1String("tab")) {
            QTest::keyClick(cp1, Qt::Key_Tab);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); // and on through point 2
        } else {
            how == QLatin1String("type") ? replaceText(cp1, QStringLiteral("50"))
                                         : QTest::keyClick(cp1, Qt::Key_Return);
            QTest::mouseClick(edit("EditWeightCp2"), Qt::LeftButton);
        }
        QCOMPARE(lastWrite(m_sim), written);
        QCOMPARE(simWrites(m_sim), written == QLatin1String("none") ? 0 : 1);
        QCOMPARE(edit("EditWeightCp3")->text(), point3);
    }
    void leavingWrites_data()
    {
        QTest::addColumn<QString>("typed"); // empty: another master changes the value meanwhile
        QTest::addColumn<QString>("leave"); // a navigation button takes no focus: the switch leaves the field
        QTest::addColumn<int>("written"); // the device's value when untouched, not the stale one
        QTest::newRow("typed, another page") << "111" << "ButtonWeightCal" << 111;
        QTest::newRow("typed, another window") << "111" << "window" << 111;
        QTest::newRow("untouched, changed meanwhile") << "" << "EditSTABRange" << 200;
    }
    void leavingWrites()
    {
        QFETCH(QString, typed);
        QFETCH(QString, leave);
        QFETCH(int, written);
        QVERIFY(setRegister32(m_sim, StabTimer, 100));
        enter(PageBasicConfig);
        QLineEdit *timer = edit("EditSTABTimer");
        QCOMPARE(timer->text(), QStringLiteral("100"));
        QTest::mouseClick(timer, Qt::LeftButton);
        if (!typed.isEmpty())
            replaceText(timer, typed);
        else if (setRegister32(m_sim, StabTimer, 200)) // by another master
            m_window->onTick();
        QWidget other;
        if (leave == QLatin1String("window"))
            other.show(), QApplication::setActiveWindow(&other);
        else
            QTest::mouseClick(m_window->findChild<QWidget *>(leave), Qt::LeftButton);
        QTRY_COMPARE(registers(m_sim, StabTimer), QStringLiteral("0 %1").arg(written));
        QCOMPARE(simWrites(m_sim), 1);
        m_window->onTick();
        QCOMPARE(timer->text(), QString::number(written));
        if (leave == QLatin1String("window")) { // back, the next edit is written as well
            QApplication::setActiveWindow(m_window);
            QTRY_VERIFY(timer->hasFocus());
            QTest::keyClick(timer, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(timer, QStringLiteral("222"));
            QTest::mouseClick(edit("EditSTABRange"), Qt::LeftButton);
            QCOMPARE(registers(m_sim, StabTimer), QStringLiteral("0 222"));
        }
    }
    // What the operator types outlives refreshes, on every kind of field a page refreshes, until Return writes
    // it or Escape abandons it for the device's value of now.
    void typingOutlivesRefresh_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("before"); // simulator commands, separated by ';'
        QTest::addColumn<QString>("after");  // another master changes the value while the operator types
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written"); // by Return; none by Escape
        QTest::addColumn<QString>("device");  // shown after Escape
        QTest::addColumn<QString>("nine");    // shown when the device holds 9 after the edit ended
        const struct { int page; const char *name, *field, *before, *after, *typed, *written, *device, *nine; }
            rows[] = {
                {PageBasicConfig, "PWR-On Zero", "EditPWROnzero", "set 100 0;set 101 5", "set 101 16", "77",
                 "100 2 0 77", "16", "9"},
                {PageBasicConfig, "preset tare, scaled", "EditPresetTare", "set 112 0;set 113 150",
                 "set 113 1600", "7.7", "112 2 0 770", "16.00", "0.09"},
                {PageWeightCal, "load-cell capacity", "EditLcCapacity", "set 226 0;set 227 5", "set 227 16", "77",
                 "226 2 0 77", "16", "9"},
                {PageApplication, "comparator 1 value 1", "lineEditCOMP1Value1", "set 502 0;set 503 150",
                 "set 503 1600", "7.7", "502 2 0 770", "16.00", "0.09"},
                {PageDataTrans, "analog minimum", "EditMinOut", "set 8150 2;set 8151 1000", "set 8151 4000",
                 "7.5", "8151 1 7500", "4.000", "0.009"},
            };
        for (const auto &row : rows) {
            for (const bool escape : {false, true})
                QTest::addRow("%s, %s", row.name, escape ? "Escape" : "Return")
                    << row.page << row.field << row.before << row.after << row.typed
                    << (escape ? "none" : row.written) << row.device << row.nine;
        }
    }
    void typingOutlivesRefresh()
    {
        QFETCH(int, page);
        QFETCH(QString, field);
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(QString, device);
        QFETCH(QString, nine);
        for (const QString &command : before.split(QLatin1Char(';')))
            QVERIFY2(m_sim.command(command), qPrintable(m_sim.lastAnswer()));
        if (page == PageApplication) // the comparators' tab
            m_window->page(page)->findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(2);
        enter(page);
        QLineEdit *edit = m_window->page(page)->findChild<QLineEdit *>(field);
        QVERIFY(m_sim.command(QStringLiteral("writes reset")));
        replaceText(edit, typed);
        QVERIFY(m_sim.command(after));
        m_window->onTick();
        m_window->onTick();
        QCOMPARE(edit->text(), typed);
        const bool escape = written == QLatin1String("none");
        QTest::keyClick(edit, escape ? Qt::Key_Escape : Qt::Key_Return);
        QCOMPARE(edit->text(), escape ? device : typed);
        QVERIFY(!edit->hasFocus()); // leaving writes nothing more
        QCOMPARE(lastWrite(m_sim), written);
        QCOMPARE(simWrites(m_sim), escape ? 0 : 1);
        QVERIFY(m_sim.command(after.section(QLatin1Char(' '), 0, 1) + QStringLiteral(" 9")));
        m_window->onTick(); // the refreshes show the device again
        QCOMPARE(edit->text(), nine);
    }
    // Connected to another device, a page shows nothing until it read that device; the calibration weights
    // typed for the first device are gone.
    void anotherDeviceShowsNothingUntilRead()
    {
        enter(PageWeightCal);
        commitText(edit("EditWeightCp3"), QStringLiteral("7"));
        QCOMPARE(edit("EditWeightCp3")->text(), QStringLiteral("7.00"));
        for (int page : {PageBasicConfig, PageApplication, PageDataTrans})
            enter(page);
        SimProcess other;
        QVERIFY2(other.start(), qPrintable(other.errorString()));
        QVERIFY(setRegister32(other, StabTimer, 300) && other.command(QStringLiteral("set 8111 4321")));
        m_window->disconnectModbus();
        QVERIFY(connectForManualTicks(m_window, other));
        const struct { int page; const char *edit, *box, *read; } pages[] = {
            {PageBasicConfig, "EditSTABTimer", "RemotoZeroBox", "300"},
            {PageApplication, "lineEditTRUEJudgeT1", "BoxCOMPMode1", "0"},
            {PageDataTrans, "EditNetComSocket", "cBoxAnalogType", "4321"},
        };
        for (const auto &page : pages) {
            if (page.page == PageApplication)
                m_window->page(page.page)->findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(2);
            m_window->showPage(page.page);
            QCOMPARE(edit(page.edit)->text(), QStringLiteral("\u2014"));
            QCOMPARE(m_window->findChild<QComboBox *>(QLatin1String(page.box))->currentIndex(), -1);
            m_window->onTick();
            QCOMPARE(edit(page.edit)->text(), QLatin1String(page.read));
            QVERIFY(m_window->findChild<QComboBox *>(QLatin1String(page.box))->currentIndex() >= 0);
        }
        m_window->showPage(PageWeightCal); // read as the link came up
        QCOMPARE(edit("EditWeightCp3")->text(), QStringLiteral("0.00"));
        QCOMPARE(simWrites(other), 0);
        m_window->disconnectModbus();
        QVERIFY(connectForManualTicks(m_window, m_sim));
    }
private:
    QTemporaryDir m_dir;
    SimProcess m_sim;
    MainWindow *m_window = nullptr;
};

QTEST_MAIN(tst_EditCommit)
#include "tst_editcommit.moc"
