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


namespace {

quint32 floatBits(double value)
{
    const float single = float(value);
    quint32 bits;
    std::memcpy(&bits, &single, sizeof bits);
    return bits;
}

// Puts a value into the mirror field a quantity is read from (voltages as the
// device sends them: signed mV x 10000).
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

constexpr int UnitT = 0;
constexpr int UnitKg = 1;

} // namespace

// The monitoring page on a simulated clock: every tick is one updateDrawAt().
class tst_MainInterface : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void titlesFollowTheUnits_data();
    void titlesFollowTheUnits();
    void valueSource_data();
    void valueSource();
    void autoScale_data();
    void autoScale();
    void extremesBelongToTheQuantity();
    void secondCurveOnItsOwn();
    void oldPointsDropped_data();
    void oldPointsDropped();
    void clockBackAndNonNumbers();
    void everyTextTranslated();

private:
    QChartView *view(int curve) const
    {
        return m_page->findChild<QChartView *>(QStringLiteral("QChartView_Monitor_%1").arg(curve + 1));
    }
    QSplineSeries *series(int curve) const { return qobject_cast<QSplineSeries *>(view(curve)->chart()->series().value(0)); }
    QDateTimeAxis *timeAxis(int curve) const
    {
        return qobject_cast<QDateTimeAxis *>(view(curve)->chart()->axes(Qt::Horizontal).value(0));
    }
    // The time axis ends within the second after the last tick.
    bool axisFollowsNow(int curve) const
    {
        return timeAxis(curve)->max() >= m_now && timeAxis(curve)->max() < m_now.addSecs(1);
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
    // As the operator chooses: the combo slot runs even for the current quantity.
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

void tst_MainInterface::init()
{
    g_mirror = DeviceMirror();
    g_mirror.live.unit = UnitKg;
    g_shownUnit = UnitKg;
    m_now = QDateTime(QDate(2024, 3, 1), QTime(12, 0, 0));
    m_page.reset(new MainInterface);
    m_page->resize(1100, 800);
    m_page->show();
    m_page->enterPage();
}

void tst_MainInterface::titlesFollowTheUnits_data()
{
    QTest::addColumn<int>("quantity");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("timeUnit");
    QTest::addColumn<bool>("seenElsewhere"); // another page already took the unit from the shared cache
    QTest::addColumn<QString>("title");

    QTest::newRow("tare kg to t") << 2 << UnitT << 0 << false << "Tare/t";
    QTest::newRow("gross kg to t, seen elsewhere") << 0 << UnitT << 0 << true << "Gross/t";
    // The time unit has no cache of its own.
    QTest::newRow("flow h to min") << 5 << UnitKg << 1 << false << "Flow Rate kg/min";
    QTest::newRow("flow kg/h to lb/min") << 5 << 3 << 1 << false << "Flow Rate lb/min";
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
    setQuantity(MainInterface::Gross, 1.5);
    setQuantity(MainInterface::Net, 2.5);
    setQuantity(MainInterface::Tare, 3.5);
    setQuantity(MainInterface::FlowRate, 4.25);
    g_mirror.live.sensorVoltage = 123456;        // 12.3456 mV
    g_mirror.live.gainVoltage = quint32(-98765); // -9.8765 mV

    choose(0, quantity);
    tick();
    QCOMPARE(series(0)->count(), 1);
    QCOMPARE(series(0)->at(0).y(), expected);
    QCOMPARE(series(0)->at(0).x(), double(m_now.toMSecsSinceEpoch()));
    QCOMPARE(combo(0)->currentText(), QString::fromLatin1(QTest::currentDataTag()));
}

void tst_MainInterface::autoScale_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");

    QTest::newRow("10 20 15") << QList<double>{10, 20, 15} << 0.0 << 30.0;
    QTest::newRow("2 -4") << QList<double>{2, -4} << -6.0 << 3.0;
    QTest::newRow("negative only") << QList<double>{-2, -8, -5} << -12.0 << 0.0;
    QTest::newRow("range never narrows") << QList<double>{100, 1} << 0.0 << 150.0;
}

void tst_MainInterface::autoScale()
{
    QFETCH(QList<double>, values);
    QFETCH(double, low);
    QFETCH(double, high);

    choose(0, MainInterface::Net);
    // Curve 2 shows another quantity, so its range must not follow.
    setQuantity(MainInterface::Gross, 10);
    for (double value : values) {
        setQuantity(MainInterface::Net, value);
        tick();
    }
    QCOMPARE(valueAxis(0)->min(), low);
    QCOMPARE(valueAxis(0)->max(), high);
    QCOMPARE(valueAxis(1)->min(), 0.0);
    QCOMPARE(valueAxis(1)->max(), 15.0);
}

// The extremes are kept per quantity: shared by curves showing it, even a
// paused one, forgotten when the curve leaves it and on page entry.
void tst_MainInterface::extremesBelongToTheQuantity()
{
    choose(0, MainInterface::Net);
    choose(1, MainInterface::Net);
    setQuantity(MainInterface::Net, 4);
    tick();
    QTest::mouseClick(pauseButton(1), Qt::LeftButton);
    setQuantity(MainInterface::Net, 100);
    tick();
    QCOMPARE(valueAxis(0)->max(), 150.0);
    QCOMPARE(valueAxis(1)->max(), 6.0);
    QTest::mouseClick(pauseButton(1), Qt::LeftButton);
    setQuantity(MainInterface::Net, -2);
    tick();
    QCOMPARE(valueAxis(1)->min(), -3.0);
    QCOMPARE(valueAxis(1)->max(), 150.0);

    choose(1, MainInterface::Gross);
    choose(0, MainInterface::Gross);
    tick();
    choose(0, MainInterface::Net);
    setQuantity(MainInterface::Net, 2);
    tick();
    QCOMPARE(valueAxis(0)->min(), 0.0);
    QCOMPARE(valueAxis(0)->max(), 3.0);

    m_page->enterPage();
    setQuantity(MainInterface::Net, 1);
    tick();
    QCOMPARE(valueAxis(0)->max(), 1.5);
}

// The second curve: a new quantity clears it alone, the wheel leaves it, and
// a pause freezes it (kept over page entry) while the first one runs on.
void tst_MainInterface::secondCurveOnItsOwn()
{
    setQuantity(MainInterface::Gross, 10);
    for (int i = 0; i < 3; ++i)
        tick();
    combo(1)->setCurrentIndex(MainInterface::Tare);
    QCOMPARE(series(1)->count(), 0);
    QCOMPARE(series(0)->count(), 3);
    QCOMPARE(valueAxis(1)->titleText(), QStringLiteral("Tare/kg"));

    const QPointF centre = QRectF(combo(1)->rect()).center();
    QWheelEvent wheel(centre, combo(1)->mapToGlobal(centre.toPoint()), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(combo(1), &wheel);
    QCOMPARE(combo(1)->currentIndex(), int(MainInterface::Tare));

    setQuantity(MainInterface::Tare, 7);
    tick();
    const QDateTime frozenAt = timeAxis(1)->max();
    QTest::mouseClick(pauseButton(1), Qt::LeftButton);
    QCOMPARE(pauseButton(1)->text(), QStringLiteral("Start"));
    setQuantity(MainInterface::Tare, 1000);
    for (int i = 0; i < 3; ++i)
        tick();
    QCOMPARE(series(1)->count(), 1);
    QCOMPARE(timeAxis(1)->max(), frozenAt);
    QCOMPARE(valueAxis(1)->max(), 10.5);
    QCOMPARE(series(0)->count(), 7);

    m_page->enterPage();
    QCOMPARE(pauseButton(1)->text(), QStringLiteral("Start"));
    tick();
    QCOMPARE(series(1)->count(), 0);
    QTest::mouseClick(pauseButton(1), Qt::LeftButton);
    QCOMPARE(pauseButton(1)->text(), QStringLiteral("Pause"));
    tick();
    QCOMPARE(series(1)->count(), 1);
    QVERIFY(axisFollowsNow(1));
    QCOMPARE(valueAxis(1)->max(), 1500.0);
}

void tst_MainInterface::oldPointsDropped_data()
{
    QTest::addColumn<int>("periodMs");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("axisEndAfterMs"); // the time axis ends this long after the last tick

    QTest::newRow("first tick") << 500 << 1 << 1 << 500;
    // 60 s at 500 ms: the ends of the window and 119 ticks between them.
    QTest::newRow("500 ms x 200") << 500 << 200 << 121 << 0;
    // 85 periods fit into 60 s; the last point before the window stays for the left edge.
    QTest::newRow("700 ms x 200") << 700 << 200 << 87 << 0;
    // The axis ends at the next whole second, 60.3 s -> 61 s: the window starts
    // at 1 s, so the ticks up to 0.9 s but the last are gone.
    QTest::newRow("300 ms x 201") << 300 << 201 << 199 << 700;
}

void tst_MainInterface::oldPointsDropped()
{
    QFETCH(int, periodMs);
    QFETCH(int, ticks);
    QFETCH(int, points);
    QFETCH(int, axisEndAfterMs);

    for (int i = 0; i < ticks; ++i) {
        setQuantity(MainInterface::Gross, i % 17);
        tick(periodMs);
    }
    for (int curve = 0; curve < 2; ++curve) {
        QSplineSeries *s = series(curve);
        QCOMPARE(s->count(), points);
        // Only the first point may lie before the window.
        if (s->count() > 1)
            QVERIFY(s->at(1).x() >= double(timeAxis(curve)->min().toMSecsSinceEpoch()));
        QCOMPARE(s->at(s->count() - 1).y(), double((ticks - 1) % 17));
        QCOMPARE(timeAxis(curve)->max(), m_now.addMSecs(axisEndAfterMs));
        QCOMPARE(timeAxis(curve)->min(), timeAxis(curve)->max().addSecs(-60));
    }
}

void tst_MainInterface::clockBackAndNonNumbers()
{
    for (int i = 0; i < 50; ++i)
        tick();
    // Points stamped after the new time would never come into view again.
    m_now = m_now.addSecs(-3600);
    setQuantity(MainInterface::Gross, 10);
    tick();
    QCOMPARE(series(0)->count(), 1);
    QVERIFY(axisFollowsNow(0));

    // A non-number would stretch the range for good.
    g_mirror.live.gross = floatBits(std::numeric_limits<double>::infinity());
    tick();
    g_mirror.live.gross = 0x7FC00000; // quiet NaN
    tick();
    QCOMPARE(series(0)->count(), 1);
    QCOMPARE(valueAxis(0)->max(), 15.0);
    QVERIFY(axisFollowsNow(0));
}

// One language change: the page's texts come through tr(), and the pause
// toggle, which compares with the translated texts, keeps working.
void tst_MainInterface::everyTextTranslated()
{
    MarkingTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));
    combo(0)->setCurrentIndex(MainInterface::FlowRate);
    m_page->enterPage();
    QStringList shown{m_page->findChild<QLabel *>(QStringLiteral("label_3"))->text(), combo(1)->itemText(3),
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
