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
private:
    QTemporaryDir m_dir;
    SimProcess m_sim;
    MainWindow *m_window = nullptr;
};

QTEST_MAIN(tst_EditCommit)
#include "tst_editcommit.moc"
