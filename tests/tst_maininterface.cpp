#include "App/maininterface.h"
#include "Modbus/devicemirror.h"
#include "Modbus/presentation.h"

#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScopedPointer>
#include <QScrollArea>
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

// mV as the device sends them: signed, x 10000.
quint32 voltageRaw(double millivolts)
{
    return quint32(qint32(qRound(millivolts * 10000.0)));
}

// Puts a value into the mirror field that a quantity is read from.
void setQuantity(int quantity, double value)
{
    LiveFields &live = g_mirror.live;
    switch (quantity) {
    case MainInterface::Gross:
        live.gross = floatBits(value);
        break;
    case MainInterface::Net:
        live.net = floatBits(value);
        break;
    case MainInterface::Tare:
        live.tare = floatBits(value);
        break;
    case MainInterface::SensorVoltage:
        live.sensorVoltage = voltageRaw(value);
        break;
    case MainInterface::GainVoltage:
        live.gainVoltage = voltageRaw(value);
        break;
    case MainInterface::FlowRate:
        live.flowRate = floatBits(value);
        break;
    default:
        break;
    }
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

    void formWidgets_data();
    void formWidgets();
    void chartAppearance_data();
    void chartAppearance();
    void titles_data();
    void titles();
    void retitleOnUnitChange_data();
    void retitleOnUnitChange();
    void valueSource_data();
    void valueSource();
    void autoScale_data();
    void autoScale();
    void sharedExtremesForSameQuantity();
    void newQuantityStartsNewRange();
    void quantityChangeClearsOnlyThatCurve_data();
    void quantityChangeClearsOnlyThatCurve();
    void pauseFreezesWindow_data();
    void pauseFreezesWindow();
    void reentryKeepsPauseAndEmptiesCurves();
    void wheelOnComboChangesNothing_data();
    void wheelOnComboChangesNothing();
    void timeWindow_data();
    void timeWindow();
    void oldPointsDropped_data();
    void oldPointsDropped();
    void clockSetBack();
    void nonFiniteValueSkipped();
    void layoutByWidth_data();
    void layoutByWidth();
    void everyTextTranslated_data();
    void everyTextTranslated();

private:
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

void tst_MainInterface::formWidgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("text");

    QTest::newRow("group 1") << "widget_Monitor_1" << "QWidget" << QString();
    QTest::newRow("group 2") << "widget_Monitor_2" << "QWidget" << QString();
    QTest::newRow("label 1") << "label_2" << "QLabel" << "Monitoring Curve 1:";
    QTest::newRow("label 2") << "label_3" << "QLabel" << "Monitoring Curve 2:";
    QTest::newRow("combo 1") << "comboBox_MonitorParam_1" << "QComboBox" << "Gross";
    QTest::newRow("combo 2") << "comboBox_MonitorParam_2" << "QComboBox" << "Gross";
    QTest::newRow("pause 1") << "pushButton_Pause_1" << "QPushButton" << "Pause";
    QTest::newRow("pause 2") << "pushButton_Pause_2" << "QPushButton" << "Pause";
    QTest::newRow("view 1") << "QChartView_Monitor_1" << "QtCharts::QChartView" << QString();
    QTest::newRow("view 2") << "QChartView_Monitor_2" << "QtCharts::QChartView" << QString();
    QTest::newRow("content") << "scrollAreaWidgetContents" << "QWidget" << QString();
}

void tst_MainInterface::formWidgets()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, text);

    auto *widget = m_page->findChild<QWidget *>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
    if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), text);
    if (auto *button = qobject_cast<QPushButton *>(widget))
        QCOMPARE(button->text(), text);
    if (auto *box = qobject_cast<QComboBox *>(widget)) {
        const QStringList expected = {"Gross", "Net", "Tare", "Sensor Voltage", "Gain Voltage", "Flow Rate"};
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        QCOMPARE(items, expected);
        QCOMPARE(box->currentText(), text);
    }
    if (name.startsWith(QLatin1String("widget_Monitor")))
        QCOMPARE(widget->size(), QSize(894, 350));
    if (name == QLatin1String("scrollAreaWidgetContents"))
        QVERIFY(widget->minimumHeight() >= 750);
}

void tst_MainInterface::chartAppearance_data()
{
    QTest::addColumn<int>("curve");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<bool>("light");

    QTest::newRow("curve 1 dark") << 0 << QColor(Qt::red) << false;
    QTest::newRow("curve 2 dark") << 1 << QColor(Qt::blue) << false;
    QTest::newRow("curve 1 light") << 0 << QColor(Qt::red) << true;
    QTest::newRow("curve 2 light") << 1 << QColor(Qt::blue) << true;
}

void tst_MainInterface::chartAppearance()
{
    QFETCH(int, curve);
    QFETCH(QColor, colour);
    QFETCH(bool, light);

    QChart *chart = view(curve)->chart();
    // Spoil the background first: the constructor already set it once.
    chart->setBackgroundBrush(QBrush(Qt::white));
    m_page->setChartTheme(light);
    QVERIFY(!chart->legend()->isVisible());
    QCOMPARE(chart->backgroundBrush().color(), QColor(200, 200, 200));
    QCOMPARE(chart->backgroundBrush().style(), Qt::SolidPattern);
    QVERIFY(view(curve)->renderHints().testFlag(QPainter::Antialiasing));
    QCOMPARE(chart->series().size(), 1);

    QCOMPARE(timeAxis(curve)->tickCount(), 12);
    QCOMPARE(timeAxis(curve)->format(), QStringLiteral("hh:mm:ss"));
    QCOMPARE(timeAxis(curve)->alignment(), Qt::AlignBottom);
    QCOMPARE(valueAxis(curve)->tickCount(), 6);
    QCOMPARE(valueAxis(curve)->alignment(), Qt::AlignLeft);

    for (QAbstractAxis *axis : {static_cast<QAbstractAxis *>(timeAxis(curve)),
                                static_cast<QAbstractAxis *>(valueAxis(curve))}) {
        QVERIFY(!axis->isGridLineVisible());
        QCOMPARE(axis->gridLineColor(), QColor(Qt::darkBlue));
        const QPen pen = axis->linePen();
        QCOMPARE(pen.color(), QColor(Qt::darkGreen));
        QCOMPARE(pen.width(), 2);
        QCOMPARE(pen.style(), Qt::SolidLine);
        QCOMPARE(pen.capStyle(), Qt::RoundCap);
        QCOMPARE(pen.joinStyle(), Qt::RoundJoin);
    }

    QCOMPARE(series(curve)->color(), colour);
    const QList<QAbstractAxis *> attached = series(curve)->attachedAxes();
    QCOMPARE(attached.size(), 2);
    QVERIFY(attached.contains(timeAxis(curve)));
    QVERIFY(attached.contains(valueAxis(curve)));
}

void tst_MainInterface::titles_data()
{
    QTest::addColumn<int>("quantity");
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("timeUnit");
    QTest::addColumn<QString>("title");

    QTest::newRow("gross kg") << 0 << UnitKg << TimeH << "Gross/kg";
    QTest::newRow("net kg") << 1 << UnitKg << TimeH << "Net/kg";
    QTest::newRow("tare kg") << 2 << UnitKg << TimeH << "Tare/kg";
    QTest::newRow("sensor kg") << 3 << UnitKg << TimeH << "Sensor Volt/mV";
    QTest::newRow("gain kg") << 4 << UnitKg << TimeH << "Gain Volt/mV";
    QTest::newRow("flow kg/h") << 5 << UnitKg << TimeH << "Flow Rate kg/h";
    QTest::newRow("gross kg, min") << 0 << UnitKg << TimeMin << "Gross/kg";
    QTest::newRow("sensor kg, min") << 3 << UnitKg << TimeMin << "Sensor Volt/mV";
    QTest::newRow("flow kg/min") << 5 << UnitKg << TimeMin << "Flow Rate kg/min";
    QTest::newRow("tare t") << 2 << UnitT << TimeH << "Tare/t";
    QTest::newRow("flow lb/min") << 5 << 3 << TimeMin << "Flow Rate lb/min";
}

void tst_MainInterface::titles()
{
    QFETCH(int, quantity);
    QFETCH(int, unit);
    QFETCH(int, timeUnit);
    QFETCH(QString, title);

    g_mirror.live.unit = quint32(unit);
    g_mirror.weightCal[16] = quint32(timeUnit);
    for (int curve = 0; curve < 2; ++curve) {
        choose(curve, quantity);
        QCOMPARE(valueAxis(curve)->titleText(), title);
        QCOMPARE(timeAxis(curve)->titleText(), QStringLiteral("Real Time/s"));
    }

    // Page entry builds the same titles from the combo boxes.
    m_page->enterPage();
    QCOMPARE(valueAxis(0)->titleText(), title);
    QCOMPARE(valueAxis(1)->titleText(), title);
}

void tst_MainInterface::retitleOnUnitChange_data()
{
    QTest::addColumn<int>("quantity");
    QTest::addColumn<int>("newUnit");
    QTest::addColumn<int>("newTimeUnit");
    QTest::addColumn<bool>("seenElsewhere");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");

    QTest::newRow("gross kg to t") << 0 << UnitT << TimeH << false << "Gross/kg" << "Gross/t";
    QTest::newRow("net kg to lb") << 1 << 3 << TimeH << false << "Net/kg" << "Net/lb";
    QTest::newRow("flow kg/h to t/h") << 5 << UnitT << TimeH << false << "Flow Rate kg/h" << "Flow Rate t/h";
    // Another page already took the change from the shared unit cache.
    QTest::newRow("gross kg to t, seen elsewhere") << 0 << UnitT << TimeH << true << "Gross/kg" << "Gross/t";
    // The time unit has no cache of its own.
    QTest::newRow("flow h to min") << 5 << UnitKg << TimeMin << false << "Flow Rate kg/h"
                                   << "Flow Rate kg/min";
}

void tst_MainInterface::retitleOnUnitChange()
{
    QFETCH(int, quantity);
    QFETCH(int, newUnit);
    QFETCH(int, newTimeUnit);
    QFETCH(bool, seenElsewhere);
    QFETCH(QString, before);
    QFETCH(QString, after);

    choose(0, quantity);
    choose(1, MainInterface::SensorVoltage);
    for (int i = 0; i < 5; ++i)
        tick();
    QCOMPARE(valueAxis(0)->titleText(), before);
    QCOMPARE(series(0)->count(), 5);

    g_mirror.live.unit = quint32(newUnit);
    g_mirror.weightCal[16] = quint32(newTimeUnit);
    if (seenElsewhere)
        g_shownUnit = newUnit;
    tick();
    QCOMPARE(valueAxis(0)->titleText(), after);
    QCOMPARE(valueAxis(1)->titleText(), QStringLiteral("Sensor Volt/mV"));
    // Re-titling keeps the curves.
    QCOMPARE(series(0)->count(), 6);
    QCOMPARE(series(1)->count(), 6);
    QCOMPARE(combo(0)->currentIndex(), quantity);
}

void tst_MainInterface::valueSource_data()
{
    QTest::addColumn<int>("quantity");
    QTest::addColumn<double>("expected");

    QTest::newRow("gross") << 0 << 1.5;
    QTest::newRow("net") << 1 << 2.5;
    QTest::newRow("tare") << 2 << 3.5;
    QTest::newRow("sensor voltage") << 3 << 12.3456;
    QTest::newRow("gain voltage") << 4 << -9.8765;
    QTest::newRow("flow rate") << 5 << 4.25;
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
}

void tst_MainInterface::autoScale_data()
{
    QTest::addColumn<int>("quantity");
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");

    QTest::newRow("10 20 15") << 1 << QList<double> {10, 20, 15} << 0.0 << 30.0;
    QTest::newRow("-4 2") << 1 << QList<double> {-4, 2} << -6.0 << 3.0;
    QTest::newRow("2 -4") << 1 << QList<double> {2, -4} << -6.0 << 3.0;
    QTest::newRow("zeros") << 1 << QList<double> {0, 0, 0} << 0.0 << 15.0;
    QTest::newRow("negative only") << 1 << QList<double> {-2, -8, -5} << -12.0 << 0.0;
    QTest::newRow("range never narrows") << 0 << QList<double> {100, 1} << 0.0 << 150.0;
    QTest::newRow("sensor mV") << 3 << QList<double> {1.25, -0.5} << -0.75 << 1.875;
    QTest::newRow("gain mV") << 4 << QList<double> {-4, 2} << -6.0 << 3.0;
    QTest::newRow("flow") << 5 << QList<double> {10, 20, 15} << 0.0 << 30.0;
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

void tst_MainInterface::quantityChangeClearsOnlyThatCurve_data()
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
    QCOMPARE(view(curve)->viewportUpdateMode(), QGraphicsView::FullViewportUpdate);

    setQuantity(MainInterface::Tare, 7);
    tick();
    QCOMPARE(series(curve)->count(), 1);
    QCOMPARE(series(curve)->at(0).y(), 7.0);
}

void tst_MainInterface::pauseFreezesWindow_data()
{
    QTest::addColumn<int>("curve");
    QTest::newRow("pause curve 1") << 0;
    QTest::newRow("pause curve 2") << 1;
}

void tst_MainInterface::pauseFreezesWindow()
{
    QFETCH(int, curve);
    const int other = 1 - curve;

    setQuantity(MainInterface::Gross, 10);
    for (int i = 0; i < 3; ++i)
        tick();
    const QDateTime frozenMin = timeAxis(curve)->min();
    const QDateTime frozenMax = timeAxis(curve)->max();
    const double frozenLow = valueAxis(curve)->min();
    const double frozenHigh = valueAxis(curve)->max();

    QTest::mouseClick(pauseButton(curve), Qt::LeftButton);
    QCOMPARE(pauseButton(curve)->text(), QStringLiteral("Start"));
    QCOMPARE(pauseButton(other)->text(), QStringLiteral("Pause"));

    // The paused curve stands still even though the value jumps; the other one moves.
    setQuantity(MainInterface::Gross, 1000);
    for (int i = 0; i < 4; ++i)
        tick();
    QCOMPARE(series(curve)->count(), 3);
    QCOMPARE(timeAxis(curve)->min(), frozenMin);
    QCOMPARE(timeAxis(curve)->max(), frozenMax);
    QCOMPARE(valueAxis(curve)->min(), frozenLow);
    QCOMPARE(valueAxis(curve)->max(), frozenHigh);
    QCOMPARE(series(other)->count(), 7);
    QCOMPARE(timeAxis(other)->max(), m_now);

    QTest::mouseClick(pauseButton(curve), Qt::LeftButton);
    QCOMPARE(pauseButton(curve)->text(), QStringLiteral("Pause"));
    tick();
    QCOMPARE(series(curve)->count(), 4);
    QCOMPARE(timeAxis(curve)->max(), m_now);
    QCOMPARE(valueAxis(curve)->max(), 1500.0);
}

void tst_MainInterface::reentryKeepsPauseAndEmptiesCurves()
{
    for (int i = 0; i < 3; ++i)
        tick();
    QTest::mouseClick(pauseButton(0), Qt::LeftButton);

    m_page->enterPage();
    QCOMPARE(pauseButton(0)->text(), QStringLiteral("Start"));
    QCOMPARE(pauseButton(1)->text(), QStringLiteral("Pause"));
    QCOMPARE(series(0)->count(), 0);
    QCOMPARE(series(1)->count(), 0);

    tick();
    QCOMPARE(series(0)->count(), 0);
    QCOMPARE(series(1)->count(), 1);

    // One click resumes it: the button text and the flag agree.
    QTest::mouseClick(pauseButton(0), Qt::LeftButton);
    QCOMPARE(pauseButton(0)->text(), QStringLiteral("Pause"));
    tick();
    QCOMPARE(series(0)->count(), 1);
}

void tst_MainInterface::wheelOnComboChangesNothing_data()
{
    QTest::addColumn<int>("curve");
    QTest::addColumn<int>("delta");

    QTest::newRow("curve 1 down") << 0 << -120;
    QTest::newRow("curve 1 up") << 0 << 120;
    QTest::newRow("curve 2 down") << 1 << -120;
    QTest::newRow("curve 2 up") << 1 << 120;
}

void tst_MainInterface::wheelOnComboChangesNothing()
{
    QFETCH(int, curve);
    QFETCH(int, delta);

    auto wheel = [delta](QWidget *target) {
        const QPointF centre = QRectF(target->rect()).center();
        QWheelEvent event(centre, target->mapToGlobal(centre.toPoint()), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    };

    // The same event does turn a combo box without the page's filter.
    QComboBox plain;
    plain.addItems({"a", "b", "c"});
    plain.setCurrentIndex(1);
    plain.show();
    wheel(&plain);
    QVERIFY(plain.currentIndex() != 1);

    combo(curve)->setCurrentIndex(MainInterface::Tare);
    tick();
    wheel(combo(curve));
    QCOMPARE(combo(curve)->currentIndex(), int(MainInterface::Tare));
    QCOMPARE(series(curve)->count(), 1);
    QCOMPARE(valueAxis(curve)->titleText(), QStringLiteral("Tare/kg"));
}

void tst_MainInterface::timeWindow_data()
{
    QTest::addColumn<int>("periodMs");
    QTest::addColumn<int>("ticks");

    QTest::newRow("first tick") << 500 << 1;
    QTest::newRow("500 ms x 10") << 500 << 10;
    QTest::newRow("500 ms x 300") << 500 << 300;
    QTest::newRow("1 s x 90") << 1000 << 90;
    QTest::newRow("irregular 733 ms x 50") << 733 << 50;
}

void tst_MainInterface::timeWindow()
{
    QFETCH(int, periodMs);
    QFETCH(int, ticks);

    for (int i = 0; i < ticks; ++i)
        tick(periodMs);
    for (int curve = 0; curve < 2; ++curve) {
        QCOMPARE(timeAxis(curve)->min(), m_now.addSecs(-60));
        QCOMPARE(timeAxis(curve)->max(), m_now);
        QCOMPARE(series(curve)->at(series(curve)->count() - 1).x(), double(m_now.toMSecsSinceEpoch()));
    }
}

void tst_MainInterface::oldPointsDropped_data()
{
    QTest::addColumn<int>("periodMs");
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("points");

    // 60 s at 500 ms: the ends of the window and 119 ticks between them.
    QTest::newRow("500 ms x 200") << 500 << 200 << 121;
    QTest::newRow("500 ms x 121") << 500 << 121 << 121;
    QTest::newRow("500 ms x 100") << 500 << 100 << 100;
    QTest::newRow("500 ms x 2000") << 500 << 2000 << 121;
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
    QTest::newRow("2560 side by side") << 2560 << QPoint(30, 10) << QPoint(950, 10);
    QTest::newRow("1919 stacked") << 1919 << QPoint(100, 10) << QPoint(100, 380);
    QTest::newRow("1220 stacked") << 1220 << QPoint(100, 10) << QPoint(100, 380);
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
    QCOMPARE(m_page->layoutWidth(), width);
}

void tst_MainInterface::everyTextTranslated_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("label 1") << "label_2" << QStringList {"<Monitoring Curve 1:>"};
    QTest::newRow("label 2") << "label_3" << QStringList {"<Monitoring Curve 2:>"};
    const QStringList items = {"<Gross>",          "<Net>",          "<Tare>",
                               "<Sensor Voltage>", "<Gain Voltage>", "<Flow Rate>"};
    QTest::newRow("combo 1") << "comboBox_MonitorParam_1" << items;
    QTest::newRow("combo 2") << "comboBox_MonitorParam_2" << items;
    QTest::newRow("pause 1") << "pushButton_Pause_1" << QStringList {"<Pause>", "<Start>", "<Pause>"};
    QTest::newRow("pause 2") << "pushButton_Pause_2" << QStringList {"<Pause>", "<Start>", "<Pause>"};
    // A number instead of an object name: curve 1 shows that quantity, and its axis titles are read.
    QTest::newRow("axes gross") << "0" << QStringList {"<Real Time/s>", "<Gross>/kg"};
    QTest::newRow("axes sensor") << "3" << QStringList {"<Real Time/s>", "<Sensor Volt>/mV"};
    QTest::newRow("axes gain") << "4" << QStringList {"<Real Time/s>", "<Gain Volt>/mV"};
    QTest::newRow("axes flow") << "5" << QStringList {"<Real Time/s>", "<Flow Rate> kg/h"};
}

void tst_MainInterface::everyTextTranslated()
{
    QFETCH(QString, name);
    QFETCH(QStringList, texts);

    MarkingTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));
    struct Remove {
        QTranslator *t;
        ~Remove() { QCoreApplication::removeTranslator(t); }
    } remove {&translator};

    bool isQuantity = false;
    const int quantity = name.toInt(&isQuantity);
    if (isQuantity)
        combo(0)->setCurrentIndex(quantity);
    m_page->enterPage();

    QStringList shown;
    auto *widget = m_page->findChild<QWidget *>(name);
    if (auto *label = qobject_cast<QLabel *>(widget)) {
        shown << label->text();
    } else if (auto *box = qobject_cast<QComboBox *>(widget)) {
        for (int i = 0; i < box->count(); ++i)
            shown << box->itemText(i);
    } else if (auto *button = qobject_cast<QPushButton *>(widget)) {
        // The toggle compares with the translated texts, so it must keep working.
        shown << button->text();
        QTest::mouseClick(button, Qt::LeftButton);
        shown << button->text();
        QTest::mouseClick(button, Qt::LeftButton);
        shown << button->text();
    } else {
        QVERIFY2(isQuantity, qPrintable(name));
        shown << timeAxis(0)->titleText() << valueAxis(0)->titleText();
    }
    QCOMPARE(shown, texts);
}

QTEST_MAIN(tst_MainInterface)
#include "tst_maininterface.moc"
