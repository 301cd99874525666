#include "App/application.h"
#include "pagedriver.h"

#include <QTabBar>

using namespace PageDriver;

// The Application page in the main window, against the simulator.
class tst_Application : public PageSuite
{
    Q_OBJECT
    QTabWidget *tabs() const { return child<QTabWidget>(QStringLiteral("tabWidget")); }
    bool clickTab(int index)
    {
        QTabBar *bar = tabs()->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
        return tabs()->currentIndex() == index;
    }
    QComboBox *level(int n) const { return child<QComboBox>(QStringLiteral("cBoxInputMode_%1").arg(n)); }
private slots:
    void initTestCase() { QVERIFY2(startSuite(PageApplication), qPrintable(m_sim.errorString())); }
    void cleanupTestCase() { endSuite(); }
    void init() // two decimals, the inputs tab
    {
        g_mirror = DeviceMirror();
        QVERIFY(clickTab(0));
        QVERIFY(enterPage({"fail off", "set 10205 1", "set 202 0", "set 203 2"}));
    }
    void everyEditorBound_data() // each editor its own register; comparator n from 500 + 20 (n - 1), values scaled
    {
        QTest::addColumn<QString>("written"); // "1" chosen or typed
        const auto row = [](const QString &editor, int address, int value = 1) {
            QTest::newRow(qPrintable(editor)) << QStringLiteral("%1 2 0 %2").arg(address).arg(value);
        };
        for (int n = 1; n <= 9; ++n) {
            if (n <= 5) {
                row(QStringLiteral("BoxInput%1").arg(n), 302 + 6 * (n - 1));
                row(QStringLiteral("cBoxInputMode_%1").arg(n), 304 + 6 * (n - 1));
                row(QStringLiteral("lineEditInput%1").arg(n), 306 + 6 * (n - 1));
            }
            row(QStringLiteral("BoxOutput%1").arg(n), 332 + 4 * (n - 1));
            row(QStringLiteral("BoxMode_%1").arg(n), 334 + 4 * (n - 1));
        }
        const char *const items[] = {"BoxCOMPMode%1", "lineEditCOMP%1Value1", "lineEditCOMP%1Value2", "BoxONCOND%1",
                                     "lineEditTRUEJudgeT%1", "BoxOFFCOND%1", "lineEditFALSEHoldT%1"};
        for (int n = 1; n <= 8; ++n) {
            for (int j = 0; j < 7; ++j)
                row(QString::fromLatin1(items[j]).arg(n), 500 + 20 * (n - 1) + 2 * j, j == 1 || j == 2 ? 100 : 1);
        }
    }
    void everyEditorBound()
    {
        QFETCH(QString, written);
        QCOMPARE(writeThrough(QString::fromLatin1(QTest::currentDataTag())), written);
        QVERIFY(setRegister32(m_sim, written.section(QLatin1Char(' '), 0, 0).toInt(), 0));
    }
    void comboItemsInValueOrder() // the index a combo box shows is the value it stores
    {
        QCOMPARE(itemTexts(child<QComboBox>("BoxOutput9")),
                 QStringLiteral("NONE|COMP1|COMP2|COMP3|COMP4|COMP5|COMP6|COMP7|COMP8|STABLE|ZERO|Net|PRINTING|"
                                "-SIGN|COM-Pulse"));
        QCOMPARE(itemTexts(child<QComboBox>("BoxCOMPMode8")),
                 QStringLiteral("OFF |W<=CV1|W=CV1|W!=CV1|W>=CV1|CV1<=W<=CV2|W<[CV1,CV2]>W|F<=CV1|F=CV1|F!=CV1|F>=CV1|"
                                "CV1<=F<=CV2|F<[CV1,CV2]>F"));
    }
    void tabCodes() // the tab code (the blocks polled) follows the keyboard too; a click beside the tabs keeps it
    {
        QTabBar *bar = tabs()->tabBar();
        bar->resize(bar->tabRect(2).right() + 200, bar->height());
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->tabRect(2).right() + 100, 5));
        QCOMPARE(g_appTabCode, AppTab::Inputs);
        bar->setFocus();
        QTest::keyClick(tabs(), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(g_appTabCode, AppTab::Outputs);
    }
    // Blocks 9 and 10 (20 registers a comparator) polled only on their tab; a failed one keeps the page. Values
    // signed and scaled, with their range, re-shown when only the decimals change.
    void comparators()
    {
        QVERIFY(setRegister32(m_sim, 500, 4) && setRegister32(m_sim, 640, 9) && setRegister32(m_sim, 502, -1234)
                && setRegister32(m_sim, 508, -20)); // COMP1 mode, value 1 and judge time; COMP8 mode
        tick();
        QCOMPARE(g_mirror.comparator[1], 0u);
        QVERIFY(clickTab(2));
        tick();
        QCOMPARE(child<QComboBox>("BoxCOMPMode1")->currentIndex(), 4);
        QCOMPARE(child<QComboBox>("BoxCOMPMode8")->currentIndex(), 9);
        auto *value = child<QLineEdit>("lineEditCOMP1Value1");
        QCOMPARE(value->text(), QStringLiteral("-12.34"));
        QVERIFY(setRegister32(m_sim, 640, 3) && m_sim.command(QStringLiteral("fail 510 2")));
        QVERIFY(m_sim.command(QStringLiteral("set 203 1")));
        tick();
        QCOMPARE(g_mirror.comparator[1 + 8 * 7], 9u);
        QCOMPARE(value->text(), QStringLiteral("-12.34"));
        QVERIFY(m_sim.command(QStringLiteral("fail off")));
        tick();
        QCOMPARE(child<QComboBox>("BoxCOMPMode8")->currentIndex(), 3);
        const char *const shown[][3] = {{"3", "-1.234", "-999.999 - 999.999"}, {"0", "-1234", "-999999 - 999999"},
                                        {"4", "-0.1234", "-99.9999 - 99.9999"}};
        for (const auto &s : shown) {
            QVERIFY(m_sim.command(QStringLiteral("set 203 %1").arg(QLatin1String(s[0]))));
            tick();
            QCOMPARE(value->text(), QLatin1String(s[1]));
            QCOMPARE(value->toolTip(), QLatin1String(s[2]));
        }
        QCOMPARE(child<QLineEdit>("lineEditTRUEJudgeT1")->text(), QStringLiteral("-20"));
    }
    void linkedLevels_data() // inputs 1-3 show one level, only the chosen one is written, a refusal puts all back
    {
        QTest::addColumn<QList<int>>("levels"); // as the device holds them, inputs 1 to 3
        QTest::addColumn<int>("input");
        QTest::addColumn<int>("choice");
        QTest::addColumn<bool>("refused");
        QTest::newRow("input 1") << QList<int>{0, 0, 0} << 1 << 1 << false;
        QTest::newRow("refused") << QList<int>{0, 0, 0} << 2 << 1 << true;
        QTest::newRow("refused, the level shown") << QList<int>{0, 1, 1} << 1 << 0 << true;
    }
    void linkedLevels()
    {
        QFETCH(QList<int>, levels);
        QFETCH(int, input);
        QFETCH(int, choice);
        QFETCH(bool, refused);
        for (int n = 1; n <= 3; ++n)
            QVERIFY(setRegister32(m_sim, 304 + 6 * (n - 1), levels.at(n - 1)));
        tick();
        QVERIFY(!refused || m_sim.command(QStringLiteral("fail %1 4").arg(304 + 6 * (input - 1))));
        QCOMPARE(writeThrough(level(input)->objectName(), QString::number(choice)),
                 QStringLiteral("%1 2 0 %2").arg(304 + 6 * (input - 1)).arg(choice));
        tick();
        for (int n = 1; n <= 3; ++n) // the one write is the chosen input's (writeThrough counts them)
            QCOMPARE(level(n)->currentIndex(), refused ? levels.at(n - 1) : choice);
        QCOMPARE(level(4)->currentIndex(), 0); // the extension inputs keep their own level
    }
    void remoteBanner() { QVERIFY(bannerFollows(10205)); }
    void languageChangeReachesPage() // and refills the page from the mirror
    {
        QVERIFY(setRegister32(m_sim, 306, 150) && setRegister32(m_sim, 304, 1)); // input 1 delay and level
        tick();
        QString shown;
        QVERIFY(translates([this] { return tabs()->tabText(2); }, [&] {
            const QString delay = child<QLineEdit>("lineEditInput1")->text();
            shown = delay + QLatin1Char(' ') + QString::number(level(1)->currentIndex());
        }));
        QCOMPARE(shown, QStringLiteral("150 1"));
    }
};

QTEST_MAIN(tst_Application)
#include "tst_application.moc"
