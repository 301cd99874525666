#include "App/parameterbinding.h"
#include "App/weightcal.h"
#include "Modbus/linkstate.h"
#include "main/mainwindow.h"

#include "pagedriver.h"
#include "testsupport.h"

#include <QLabel>
#include <QtTest>

#include <memory>

using EditorDriver::lastWrite;
using EditorDriver::replaceText;
using PageDriver::pair;
using PageDriver::simWrites;

// What an operator's focus moves, page switches and window switches commit,
// through the whole window against the simulator.
class tst_EditCommit : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void calibrationPointsWriteOnIntent_data();
    void calibrationPointsWriteOnIntent();
    void editLeftForAnotherPageIsWritten();
    void editAfterWindowSwitchIsWritten();
    void unchangedFieldShowsDeviceValue();

private:
    QWidget *field(const char *name) const { return m_window->findChild<QWidget *>(QLatin1String(name)); }
    QLineEdit *edit(const char *name) const { return m_window->findChild<QLineEdit *>(QLatin1String(name)); }
    // The first register of an editor, from its page's tables.
    int registerOf(int page, const QString &name) const;
    void enter(int page);

    QTemporaryDir m_dir;
    SimProcess m_sim;
    std::unique_ptr<MainWindow> m_window;
};

void tst_EditCommit::initTestCase()
{
    qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
    QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QVERIFY(PageDriver::connectForManualTicks(m_window.get(), m_sim));
}

void tst_EditCommit::cleanupTestCase()
{
    m_window.reset();
}

void tst_EditCommit::init()
{
    // Leaving the field of the test before writes it: that write is its own.
    if (QWidget *focus = QApplication::focusWidget())
        focus->clearFocus();
    for (const char *command : {"fail off", "set 10200 1", "set 10202 1", "set 10205 1", "set 202 0", "set 203 2"})
        QVERIFY2(m_sim.command(QLatin1String(command)), qPrintable(m_sim.lastAnswer()));
    QApplication::setActiveWindow(m_window.get());
    m_window->showPage(PageMainInterface);
    m_window->onTick();
    QVERIFY(m_sim.command(QStringLiteral("writes reset")));
}

int tst_EditCommit::registerOf(int page, const QString &name) const
{
    const auto *parameters = qobject_cast<ParameterPage *>(m_window->page(page));
    for (const BindingTable *table : parameters->bindingTables()) {
        const int row = table->rowOf(name);
        if (row >= 0)
            return int(table->spans[row].address);
    }
    return -1;
}

// By the navigation button, as the operator does, then one tick.
void tst_EditCommit::enter(int page)
{
    static const char *const buttons[] = {"ButtonMainInterface", "ButtonBasicConfig", "ButtonWeightCal",
                                          "ButtonApplication"};
    QTest::mouseClick(field(buttons[page]), Qt::LeftButton);
    QCOMPARE(g_pageIndex, page);
    m_window->onTick();
}

void tst_EditCommit::calibrationPointsWriteOnIntent_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("written"); // the last write ("none"); %1: the raw value point 1 showed
    QTest::addColumn<QString>("point3");  // the text of point 3 afterwards

    // Writing a point records it at the load now on the platform: passing
    // through the fields must record nothing and clear nothing.
    QTest::newRow("click through") << "click" << "none" << "7.00";
    QTest::newRow("tab through") << "tab" << "none" << "7.00";
    QTest::newRow("typed, clicked away") << "type" << "214 2 0 5000" << "0.00";
    QTest::newRow("Return unchanged") << "return" << "214 2 0 %1" << "0.00";
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
        const QStringList points = {QStringLiteral("EditWeightCp1"), QStringLiteral("EditWeightCp2"),
                                    QStringLiteral("EditWeightCp3"), QStringLiteral("EditWeightCp4"),
                                    QStringLiteral("EditWeightCp5")};
        int passed = 0;
        while (points.contains(QApplication::focusWidget()->objectName()) && passed++ < 5)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(passed >= 2);
    } else {
        if (how == QLatin1String("type"))
            replaceText(cp1, QStringLiteral("50"));
        else if (how == QLatin1String("return"))
            QTest::keyClick(cp1, Qt::Key_Return);
        QTest::mouseClick(edit("EditWeightCp2"), Qt::LeftButton);
    }
    QCOMPARE(lastWrite(m_sim), written);
    QCOMPARE(simWrites(m_sim), written == QLatin1String("none") ? 0 : 1);
    QCOMPARE(edit("EditWeightCp3")->text(), point3);
}

void tst_EditCommit::editLeftForAnotherPageIsWritten()
{
    enter(PageBasicConfig);
    replaceText(edit("EditSTABTimer"), QStringLiteral("1234"));
    // The navigation buttons take no focus: the field is left by the switch.
    QTest::mouseClick(field("ButtonWeightCal"), Qt::LeftButton);
    QCOMPARE(g_pageIndex, int(PageWeightCal));
    QCOMPARE(pair(m_sim, registerOf(PageBasicConfig, QStringLiteral("EditSTABTimer"))), 1234);
    QCOMPARE(simWrites(m_sim), 1);
}

void tst_EditCommit::editAfterWindowSwitchIsWritten()
{
    enter(PageBasicConfig);
    const int address = registerOf(PageBasicConfig, QStringLiteral("EditSTABTimer"));
    QLineEdit *timer = edit("EditSTABTimer");
    replaceText(timer, QStringLiteral("111"));

    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QTRY_COMPARE(pair(m_sim, address), 111);
    QApplication::setActiveWindow(m_window.get());
    QTRY_VERIFY(timer->hasFocus());

    QTest::keyClick(timer, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(timer, QStringLiteral("222"));
    QTest::mouseClick(edit("EditSTABRange"), Qt::LeftButton);
    QCOMPARE(pair(m_sim, address), 222);
    QCOMPARE(simWrites(m_sim), 2);
    QCOMPARE(timer->text(), QStringLiteral("222"));
}

void tst_EditCommit::unchangedFieldShowsDeviceValue()
{
    enter(PageBasicConfig);
    const int address = registerOf(PageBasicConfig, QStringLiteral("EditSTABTimer"));
    QVERIFY(PageDriver::setRegister32(m_sim, address, 100));
    m_window->onTick();
    QLineEdit *timer = edit("EditSTABTimer");
    QCOMPARE(timer->text(), QStringLiteral("100"));
    QTest::mouseClick(timer, Qt::LeftButton);

    // Another master changes the value while the field has the focus.
    QVERIFY(PageDriver::setRegister32(m_sim, address, 200));
    m_window->onTick();
    QTest::mouseClick(edit("EditSTABRange"), Qt::LeftButton);
    QCOMPARE(lastWrite(m_sim), QStringLiteral("%1 2 0 200").arg(address));
    QCOMPARE(timer->text(), QStringLiteral("200"));
    m_window->onTick();
    QCOMPARE(timer->text(), QStringLiteral("200"));
}

QTEST_MAIN(tst_EditCommit)
#include "tst_editcommit.moc"
