#include "pagedriver.h"

using namespace EditorDriver;
using PageDriver::pair;

constexpr int StabTimer = 116; // Basic Config's stable timer (tst_basicconfig checks every binding)

// What the operator's focus moves and page and window switches write, against the simulator.
class tst_EditCommit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { delete m_window; }
    void init();
    void calibrationPointsWriteOnIntent_data();
    void calibrationPointsWriteOnIntent();
    void leavingWrites_data();
    void leavingWrites();

private:
    QLineEdit *edit(const char *name) const { return m_window->findChild<QLineEdit *>(QLatin1String(name)); }
    void enter(int page) { m_window->showPage(page); m_window->onTick(); }

    QTemporaryDir m_dir;
    SimProcess m_sim;
    MainWindow *m_window = nullptr;
};

void tst_EditCommit::initTestCase()
{
    qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
    QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));
    m_window = new MainWindow;
    m_window->show();
    QVERIFY(connectForManualTicks(m_window, m_sim));
}

void tst_EditCommit::init()
{
    // Leaving the field of the test before writes it: that write is its own.
    if (QWidget *focus = QApplication::focusWidget())
        focus->clearFocus();
    for (const char *command : {"fail off", "set 10200 1", "set 10202 1", "set 10205 1", "set 202 0", "set 203 2"})
        QVERIFY2(m_sim.command(QLatin1String(command)), qPrintable(m_sim.lastAnswer()));
    QApplication::setActiveWindow(m_window);
    enter(PageMainInterface);
    QVERIFY(m_sim.command(QStringLiteral("writes reset")));
}

void tst_EditCommit::calibrationPointsWriteOnIntent_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("written"); // the last write ("none"); %1: the raw value point 1 showed
    QTest::addColumn<QString>("point3");  // the text of point 3 afterwards
    // Writing a point records the load now: passing through records and clears nothing.
    QTest::newRow("tab through") << "tab" << "none" << "7.00";
    QTest::newRow("typed, clicked away") << "type" << "214 2 0 5000" << "0.00";
    QTest::newRow("Return unchanged, clicked away") << "return" << "214 2 0 %1" << "0.00";
}

void tst_EditCommit::calibrationPointsWriteOnIntent()
{
    QFETCH(QString, how);
    QFETCH(QString, written);
    QFETCH(QString, point3);
    enter(PageWeightCal);
    PageDriver::typeAndReturn(edit("EditWeightCp3"), QStringLiteral("7"));
    QCOMPARE(edit("EditWeightCp3")->text(), QStringLiteral("7.00"));
    QVERIFY(m_sim.command(QStringLiteral("writes reset")));
    QLineEdit *cp1 = edit("EditWeightCp1");
    if (written.contains(QLatin1String("%1")))
        written = written.arg(qRound(cp1->text().toDouble() * 100));
    QTest::mouseClick(cp1, Qt::LeftButton);
    QVERIFY(cp1->hasFocus());
    if (how == QLatin1String("tab")) {
        int passed = 0;
        while (QApplication::focusWidget()->objectName().startsWith(QLatin1String("EditWeightCp")) && passed++ < 5)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(passed >= 2);
    } else {
        if (how == QLatin1String("type"))
            replaceText(cp1, QStringLiteral("50"));
        else
            QTest::keyClick(cp1, Qt::Key_Return);
        QTest::mouseClick(edit("EditWeightCp2"), Qt::LeftButton);
    }
    QCOMPARE(lastWrite(m_sim), written);
    QCOMPARE(simWrites(m_sim), written == QLatin1String("none") ? 0 : 1);
    QCOMPARE(edit("EditWeightCp3")->text(), point3);
}

void tst_EditCommit::leavingWrites_data()
{
    QTest::addColumn<QString>("typed"); // empty: another master changes the value meanwhile
    QTest::addColumn<QString>("leave"); // a navigation button takes no focus: the switch leaves the field
    QTest::addColumn<int>("written"); // the device's value when untouched, not the stale one
    QTest::newRow("typed, another page") << "111" << "ButtonWeightCal" << 111;
    QTest::newRow("typed, another window") << "111" << "window" << 111;
    QTest::newRow("untouched, changed meanwhile") << "" << "EditSTABRange" << 200;
}

void tst_EditCommit::leavingWrites()
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
    if (leave == QLatin1String("window")) {
        other.show();
        QApplication::setActiveWindow(&other);
    } else {
        QTest::mouseClick(m_window->findChild<QWidget *>(leave), Qt::LeftButton);
    }
    QTRY_COMPARE(pair(m_sim, StabTimer), written);
    QCOMPARE(simWrites(m_sim), 1);
    m_window->onTick();
    QCOMPARE(timer->text(), QString::number(written));
    if (leave == QLatin1String("window")) { // back, the next edit is written as well
        QApplication::setActiveWindow(m_window);
        QTRY_VERIFY(timer->hasFocus());
        QTest::keyClick(timer, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(timer, QStringLiteral("222"));
        QTest::mouseClick(edit("EditSTABRange"), Qt::LeftButton);
        QCOMPARE(pair(m_sim, StabTimer), 222);
    }
}

QTEST_MAIN(tst_EditCommit)
#include "tst_editcommit.moc"
