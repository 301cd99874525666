#include "App/maininterface.h"
#include "Modbus/devicemirror.h"
#include "Modbus/presentation.h"

#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScopedPointer>
#include <QTranslator>
#include <QWheelEvent>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QSplineSeries>
#include <QtCharts/QValueAxis>
#include <QtTest>

#include <cstring>
#include <limits>

using namespace QtCharts;

namespace {

quint32 floatBits(double value)
{
    const float single = float(value);
    quint32 bits;
    std::memcpy(&bits, &single, sizeof bits);
    return bits;
}

// Puts a value into the mirror field that a quantity is read from (voltages
// as the device sends them: signed mV x 10000).
void setQuantity(int quantity, double value)
{
    LiveFields &live = g_mirror.live;
    quint32 *fields[] = {&live.gross,         &live.net,         &live.tare,
                         &live.sensorVoltage, &live.gainVoltage, &live.flowRate};
    const bool voltage = quantity == MainInterface::SensorVoltage || quantity == MainInterface::GainVoltage;
    *fields[quantity] = voltage ? quint32(qint32(qRound(value * 10000.0))) : floatBits(value);
}

// Marks every text looked up in the page's context, so an untranslated text stands out.
class MarkingTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        if (qstrcmp(context, "MainInterface") != 0)
            return QString();
        return QLatin1Char('<') + QString::fromUtf8(sourceText) + QLatin1Char('>');
    }
};

const int UnitT = 0;
const int UnitKg = 1;
const int TimeH = 0;
const int TimeMin = 1;

} // namespace

class tst_MainInterface : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void titlesFollowTheUnits_data();
    void titlesFollowTheUnits();
    void valueSource_data();
    void valueSource();
    void autoScale_data();
    void autoScale();
    void sharedExtremesForSameQuantity();
    void newQuantityStartsNewRange();
    void quantityChangeClearsOnlyThatCurve_data() { perCurve_data(); }
    void quantityChangeClearsOnlyThatCurve();
    void pauseFreezesWindow_data() { perCurve_data(); }
    void pauseFreezesWindow();
    void oldPointsDropped_data();
    void oldPointsDropped();
    void clockSetBack();
    void nonFiniteValueSkipped();
    void layoutByWidth_data();
    void layoutByWidth();
    void everyTextTranslated();

private:
    void perCurve_data();
    QChartView *view(int curve) const
    {
        return m_page->findChild<QChartView *>(QStringLiteral("QChartView_Monitor_%1").arg(curve + 1));
    }
    QSplineSeries *series(int curve) const
    {
        return qobject_cast<QSplineSeries *>(view(curve)->chart()->series().value(0));
    }
    QDateTimeAxis *timeAxis(int curve) const
    {
        return qobject_cast<QDateTimeAxis *>(view(curve)->chart()->axes(Qt::Horizontal).value(0));
    }
    QValueAxis *valueAxis(int curve) const
    {
        return qobject_cast<QValueAxis *>(view(curve)->chart()->axes(Qt::Vertical).value(0));
    }
    QComboBox *combo(int curve) const
    {
        return m_page->findChild<QComboBox *>(QStringLiteral("comboBox_MonitorParam_%1").arg(curve + 1));
    }
    QPushButton *pauseButton(int curve) const
    {
        return m_page->findChild<QPushButton *>(QStringLiteral("pushButton_Pause_%1").arg(curve + 1));
    }
    // Chooses a quantity the way the operator does, so the combo slot runs
    // even when the quantity is the current one.
    void choose(int curve, int quantity)
    {
        combo(curve)->setCurrentIndex((quantity + 1) % MainInterface::QuantityCount);
        combo(curve)->setCurrentIndex(quantity);
    }
    void tick(int periodMs = 500)
    {
        m_now = m_now.addMSecs(periodMs);
        m_page->updateDrawAt(m_now);
    }

    QScopedPointer<MainInterface> m_page;
    QDateTime m_now;
};

void tst_MainInterface::initTestCase()
{
    TestSupport::installMessageCollector(TestSupport::PassAllButDebugAndSizeHints);
}

void tst_MainInterface::cleanupTestCase()
{
    TestSupport::removeMessageCollector();
}

void tst_MainInterface::init()
{
    g_mirror = DeviceMirror();
    g_mirror.live.unit = UnitKg;
    g_mirror.weightCal[16] = TimeH;
    g_shownUnit = UnitKg;
    m_now = QDateTime(QDate(2024, 3, 1), QTime(12, 0, 0));

    g_unmatchedSlots.clear();
    m_page.reset(new MainInterface);
    QVERIFY2(g_unmatchedSlots.isEmpty(), qPrintable(g_unmatchedSlots.join(QLatin1Char('\n'))));
    m_page->resize(1100, 800);
    m_page->adjustLayout(1100);
    m_page->show();
    m_page->enterPage();
    QVERIFY(view(0) && view(1));
    QVERIFY(series(0) && series(1) && timeAxis(0) && timeAxis(1) && valueAxis(0) && valueAxis(1));
}

void tst_MainInterface::cleanup()
{
    m_page.reset();
}

void tst_MainInterface::titlesFollowTheUnits_data()
{
    QTest::addColumn<int>("quantity");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("timeUnit");
    QTest::addColumn<bool>("seenElsewhere"); // another page already took the unit from the shared cache
    QTest::addColumn<QString>("title");

    QTest::newRow("tare kg to t") << 2 << UnitT << TimeH << false << "Tare/t";
    QTest::newRow("gross kg to t, seen elsewhere") << 0 << UnitT << TimeH << true << "Gross/t";
    // The time unit has no cache of its own.
    QTest::newRow("flow h to min") << 5 << UnitKg << TimeMin << false << "Flow Rate kg/min";
    QTest::newRow("flow kg/h to lb/min") << 5 << 3 << TimeMin << false << "Flow Rate lb/min";
}

void tst_MainInterface::titlesFollowTheUnits()
{
    QFETCH(int, quantity);
    QFETCH(int, unit);
    QFETCH(int, timeUnit);
    QFETCH(bool, seenElsewhere);
    QFETCH(QString, title);

    choose(0, quantity);
    choose(1, MainInterface::SensorVoltage);
    for (int i = 0; i < 3; ++i)
        tick();
    g_mirror.live.unit = quint32(unit);
    g_mirror.weightCal[16] = quint32(timeUnit);
    if (seenElsewhere)
        g_shownUnit = unit;
    tick();
    QCOMPARE(valueAxis(0)->titleText(), title);
    QCOMPARE(valueAxis(1)->titleText(), QStringLiteral("Sensor Volt/mV"));
    QCOMPARE(timeAxis(0)->titleText(), QStringLiteral("Real Time/s"));
    // Re-titling keeps the curves.
    QCOMPARE(series(0)->count(), 4);
    QCOMPARE(series(1)->count(), 4);
    // Page entry builds the same title from the combo box.
    m_page->enterPage();
    QCOMPARE(valueAxis(0)->titleText(), title);
}

void tst_MainInterface::valueSource_data()
{
    QTest::addColumn<int>("quantity");
    QTest::addColumn<double>("expected");

    // The data tags are the combo items: the index is the quantity.
    QTest::newRow("Gross") << 0 << 1.5;
    QTest::newRow("Net") << 1 << 2.5;
    QTest::newRow("Tare") << 2 << 3.5;
    QTest::newRow("Sensor Voltage") << 3 << 12.3456;
    QTest::newRow("Gain Voltage") << 4 << -9.8765;
    QTest::newRow("Flow Rate") << 5 << 4.25;
}

void tst_MainInterface::valueSource()
{
    QFETCH(int, quantity);
    QFETCH(double, expected);

    // Every field different, so a curve reading the wrong one shows it.
    g_mirror.live.gross = floatBits(1.5);
    g_mirror.live.net = floatBits(2.5);
    g_mirror.live.tare = floatBits(3.5);
    g_mirror.live.flowRate = floatBits(4.25);
    g_mirror.live.sensorVoltage = 123456;          // 0x0001E240 -> 12.3456 mV
    g_mirror.live.gainVoltage = quint32(-98765);   // 0xFFFE7E33 -> -9.8765 mV

    choose(0, quantity);
    choose(1, (quantity + 3) % MainInterface::QuantityCount);
    tick();
    QCOMPARE(series(0)->count(), 1);
    QCOMPARE(series(0)->at(0).y(), expected);
    QCOMPARE(series(0)->at(0).x(), double(m_now.toMSecsSinceEpoch()));
    QCOMPARE(combo(0)->currentText(), QString::fromLatin1(QTest::currentDataTag()));
}

void tst_MainInterface::autoScale_data()
{
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");

    QTest::newRow("10 20 15") << 1 << QList<double> {10, 20, 15} << 0.0 << 30.0;
    QTest::newRow("2 -4") << 1 << QList<double> {2, -4} << -6.0 << 3.0;
    QTest::newRow("negative only") << 1 << QList<double> {-2, -8, -5} << -12.0 << 0.0;
    QTest::newRow("range never narrows") << 0 << QList<double> {100, 1} << 0.0 << 150.0;
}

void tst_MainInterface::autoScale()
{
    QFETCH(int, quantity);
    QFETCH(QList<double>, values);
    QFETCH(double, low);
    QFETCH(double, high);

    choose(0, quantity);
    // Curve 2 shows another quantity, so its range must not follow.
    choose(1, (quantity + 1) % MainInterface::QuantityCount);
    for (double value : values) {
        setQuantity(quantity, value);
        tick();
    }
    QCOMPARE(valueAxis(0)->min(), low);
    QCOMPARE(valueAxis(0)->max(), high);
    QCOMPARE(valueAxis(1)->min(), 0.0);
    QCOMPARE(valueAxis(1)->max(), 15.0);
}

void tst_MainInterface::sharedExtremesForSameQuantity()
{
    choose(0, MainInterface::Net);
    choose(1, MainInterface::Net);
    setQuantity(MainInterface::Net, 4);
    tick();

    // Only curve 1 sees the peak while curve 2 is paused ...
    QTest::mouseClick(pauseButton(1), Qt::LeftButton);
    setQuantity(MainInterface::Net, 100);
    tick();
    QCOMPARE(valueAxis(0)->max(), 150.0);
    QCOMPARE(valueAxis(1)->max(), 6.0);

    // ... yet its range includes it once it runs again: the extremes belong to Net.
    QTest::mouseClick(pauseButton(1), Qt::LeftButton);
    setQuantity(MainInterface::Net, -2);
    tick();
    QCOMPARE(valueAxis(1)->min(), -3.0);
    QCOMPARE(valueAxis(1)->max(), 150.0);
    QCOMPARE(valueAxis(0)->min(), -3.0);
    QCOMPARE(valueAxis(0)->max(), 150.0);
}

void tst_MainInterface::newQuantityStartsNewRange()
{
    choose(0, MainInterface::Net);
    setQuantity(MainInterface::Net, 100);
    tick();
    QCOMPARE(valueAxis(0)->max(), 150.0);

    choose(0, MainInterface::Gross);
    setQuantity(MainInterface::Gross, 10);
    tick();
    QCOMPARE(valueAxis(0)->max(), 15.0);

    // Back on Net the old peak is gone.
    choose(0, MainInterface::Net);
    setQuantity(MainInterface::Net, 2);
    tick();
    QCOMPARE(valueAxis(0)->min(), 0.0);
    QCOMPARE(valueAxis(0)->max(), 3.0);

    // Page entry forgets every extreme.
    setQuantity(MainInterface::Net, 50);
    tick();
    m_page->enterPage();
    setQuantity(MainInterface::Net, 1);
    tick();
    QCOMPARE(valueAxis(0)->max(), 1.5);
}

void tst_MainInterface::perCurve_data()
{
    QTest::addColumn<int>("curve");
    QTest::newRow("curve 1") << 0;
    QTest::newRow("curve 2") << 1;
}

void tst_MainInterface::quantityChangeClearsOnlyThatCurve()
{
    QFETCH(int, curve);
    const int other = 1 - curve;

    for (int i = 0; i < 4; ++i)
        tick();
    combo(curve)->setCurrentIndex(MainInterface::Tare);
    QCOMPARE(series(curve)->count(), 0);
    QCOMPARE(series(other)->count(), 4);
    QCOMPARE(valueAxis(curve)->titleText(), QStringLiteral("Tare/kg"));
    QCOMPARE(valueAxis(other)->titleText(), QStringLiteral("Gross/kg"));
    setQuantity(MainInterface::Tare, 7);
    tick();
    QCOMPARE(series(curve)->count(), 1);
    QCOMPARE(series(curve)->at(0).y(), 7.0);

    // The wheel, which turns a plain combo box, changes nothing on the page.
    auto wheel = [](QWidget *target) {
        const QPointF centre = QRectF(target->rect()).center();
        QWheelEvent event(centre, target->mapToGlobal(centre.toPoint()), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    };
    QComboBox plain;
    plain.addItems({"a", "b", "c"});
    plain.show();
    wheel(&plain);
    QCOMPARE(plain.currentIndex(), 1);
    wheel(combo(curve));
    QCOMPARE(combo(curve)->currentIndex(), int(MainInterface::Tare));
    QCOMPARE(series(curve)->count(), 1);
}

void tst_MainInterface::pauseFreezesWindow()
{
    QFETCH(int, curve);
    const int other = 1 - curve;

    setQuantity(MainInterface::Gross, 10);
    for (int i = 0; i < 3; ++i)
        tick();
    const QDateTime frozenMax = timeAxis(curve)->max();
    const double frozenHigh = valueAxis(curve)->max();
    QTest::mouseClick(pauseButton(curve), Qt::LeftButton);
    QCOMPARE(pauseButton(curve)->text(), QStringLiteral("Start"));

    // The paused curve stands still even though the value jumps; the other one moves.
    setQuantity(MainInterface::Gross, 1000);
    for (int i = 0; i < 4; ++i)
        tick();
    QCOMPARE(series(curve)->count(), 3);
    QCOMPARE(timeAxis(curve)->max(), frozenMax);
    QCOMPARE(valueAxis(curve)->max(), frozenHigh);
    QCOMPARE(series(other)->count(), 7);
    QCOMPARE(timeAxis(other)->max(), m_now);

    // Page entry empties the curves but keeps the pause.
    m_page->enterPage();
    QCOMPARE(pauseButton(curve)->text(), QStringLiteral("Start"));
    QCOMPARE(pauseButton(other)->text(), QStringLiteral("Pause"));
    tick();
    QCOMPARE(series(curve)->count(), 0);
    QCOMPARE(series(other)->count(), 1);

    // One click resumes it: the button text and the flag agree.
    QTest::mouseClick(pauseButton(curve), Qt::LeftButton);
    QCOMPARE(pauseButton(curve)->text(), QStringLiteral("Pause"));
    tick();
    QCOMPARE(series(curve)->count(), 1);
    QCOMPARE(timeAxis(curve)->max(), m_now);
    QCOMPARE(valueAxis(curve)->max(), 1500.0);
}

void tst_MainInterface::oldPointsDropped_data()
{
    QTest::addColumn<int>("periodMs");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("points");

    QTest::newRow("first tick") << 500 << 1 << 1;
    // 60 s at 500 ms: the ends of the window and 119 ticks between them.
    QTest::newRow("500 ms x 200") << 500 << 200 << 121;
    // 85 periods fit into 60 s; the last point before the window stays for the left edge.
    QTest::newRow("700 ms x 200") << 700 << 200 << 87;
}

void tst_MainInterface::oldPointsDropped()
{
    QFETCH(int, periodMs);
    QFETCH(int, ticks);
    QFETCH(int, points);

    for (int i = 0; i < ticks; ++i) {
        setQuantity(MainInterface::Gross, i % 17);
        tick(periodMs);
    }
    const double windowStart = double(m_now.addSecs(-60).toMSecsSinceEpoch());
    for (int curve = 0; curve < 2; ++curve) {
        QSplineSeries *s = series(curve);
        QCOMPARE(s->count(), points);
        if (s->count() > 1) {
            // Only the first point may lie before the window, and then just one.
            QVERIFY(s->at(1).x() >= windowStart);
        }
        QCOMPARE(s->at(s->count() - 1).x(), double(m_now.toMSecsSinceEpoch()));
        QCOMPARE(s->at(s->count() - 1).y(), double((ticks - 1) % 17));
        QCOMPARE(timeAxis(curve)->min(), m_now.addSecs(-60));
        QCOMPARE(timeAxis(curve)->max(), m_now);
    }
}

void tst_MainInterface::clockSetBack()
{
    for (int i = 0; i < 50; ++i)
        tick();
    QCOMPARE(series(0)->count(), 50);

    // Points stamped after the new time would never come into view again.
    m_now = m_now.addSecs(-3600);
    tick();
    QCOMPARE(series(0)->count(), 1);
    QCOMPARE(timeAxis(0)->max(), m_now);
    tick();
    QCOMPARE(series(0)->count(), 2);
}

void tst_MainInterface::nonFiniteValueSkipped()
{
    setQuantity(MainInterface::Gross, 10);
    tick();
    g_mirror.live.gross = floatBits(std::numeric_limits<double>::infinity());
    tick();
    g_mirror.live.gross = 0x7FC00000; // quiet NaN
    tick();
    QCOMPARE(series(0)->count(), 1);
    QCOMPARE(valueAxis(0)->max(), 15.0);
    QCOMPARE(timeAxis(0)->max(), m_now);

    setQuantity(MainInterface::Gross, 20);
    tick();
    QCOMPARE(series(0)->count(), 2);
    QCOMPARE(valueAxis(0)->max(), 30.0);
}

void tst_MainInterface::layoutByWidth_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QPoint>("first");
    QTest::addColumn<QPoint>("second");

    QTest::newRow("1920 side by side") << 1920 << QPoint(30, 10) << QPoint(950, 10);
    QTest::newRow("1919 stacked") << 1919 << QPoint(100, 10) << QPoint(100, 380);
}

void tst_MainInterface::layoutByWidth()
{
    QFETCH(int, width);
    QFETCH(QPoint, first);
    QFETCH(QPoint, second);

    // Start from the other arrangement, so a layout that never moves fails.
    m_page->adjustLayout(width > 1919 ? 1280 : 1920);
    m_page->adjustLayout(width);

    auto *group1 = m_page->findChild<QWidget *>(QStringLiteral("widget_Monitor_1"));
    auto *group2 = m_page->findChild<QWidget *>(QStringLiteral("widget_Monitor_2"));
    auto *content = m_page->findChild<QWidget *>(QStringLiteral("scrollAreaWidgetContents"));
    QVERIFY(group1 && group2 && content);
    QCOMPARE(group1->pos(), first);
    QCOMPARE(group2->pos(), second);
    QVERIFY(!group1->geometry().intersects(group2->geometry()));
    QVERIFY(group2->geometry().right() < width);
    QCOMPARE(content->minimumWidth(), width);
    QCOMPARE(content->maximumWidth(), width);
}

// One language change: the page's texts come through tr(), and the pause
// toggle, which compares with the translated texts, keeps working.
void tst_MainInterface::everyTextTranslated()
{
    MarkingTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));
    combo(0)->setCurrentIndex(MainInterface::FlowRate);
    m_page->enterPage();
    QStringList shown {m_page->findChild<QLabel *>(QStringLiteral("label_3"))->text(), combo(1)->itemText(3),
                       timeAxis(0)->titleText(), valueAxis(0)->titleText(), pauseButton(0)->text()};
    for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(pauseButton(0), Qt::LeftButton);
        shown << pauseButton(0)->text();
    }
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(shown, QStringList({"<Monitoring Curve 2:>", "<Sensor Voltage>", "<Real Time/s>",
                                 "<Flow Rate> kg/h", "<Pause>", "<Start>", "<Pause>"}));
}

QTEST_MAIN(tst_MainInterface)
#include "tst_maininterface.moc"
