#include "Modbus/devicemirror.h"
#include "Modbus/linkstate.h"
#include "Modbus/refreshcycle.h"
#include "main/errormessages.h"
#include "main/mainwindow.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace {

constexpr quint32 bit(int n)
{
    return 1u << n;
}

} // namespace

// The weight header of one window; a forced redraw from a fresh mirror
// starts every case from the same header.
class tst_LiveHeader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase() { delete m_window; }

    void weightLine_data();
    void weightLine();
    void indicatorsAndReadings();
    void errorLines_data();
    void errorLines();
    void errorLabel();
    void staleInError_data();
    void staleInError();

private:
    QLabel *label(const char *name) const { return m_window->findChild<QLabel *>(QLatin1String(name)); }
    void show(quint32 status, qint32 weight)
    {
        g_mirror.live.status = status;
        g_mirror.live.weight = quint32(weight);
        m_window->showLiveValues(false);
    }

    QTemporaryDir m_dir;
    MainWindow *m_window = nullptr;
};

void tst_LiveHeader::initTestCase()
{
    qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
    m_window = new MainWindow;
}

void tst_LiveHeader::init()
{
    g_mirror = DeviceMirror();
    g_language = 0;
    m_window->showLiveValues(true);
}

void tst_LiveHeader::weightLine_data()
{
    QTest::addColumn<quint32>("decimals");
    QTest::addColumn<quint32>("unit");
    QTest::addColumn<quint32>("status");  // shown first, with a weight of 1.00
    QTest::addColumn<quint32>("status2"); // then this
    QTest::addColumn<qint32>("weight");   // with this weight
    QTest::addColumn<QString>("shown");

    QTest::newRow("negative t") << 3u << 0u << 0u << 0u << -5 << "-0.005 t";
    QTest::newRow("unit 6 no text") << 2u << 6u << 0u << 0u << 12345 << "123.45 ";
    QTest::newRow("four decimals N") << 4u << 5u << 0u << 0u << 1 << "0.0001 N";
    // The device sends these while it has no value: the text stays.
    QTest::newRow("unavailable") << 2u << 1u << 0u << 0u << 9999999 << "0.01 kg";
    QTest::newRow("unavailable, negative") << 2u << 1u << 0u << 0u << -9999999 << "0.01 kg";
    // An overload message stands while its bit is set (the lowest set one),
    // whatever weight comes with it.
    QTest::newRow("over full scale") << 2u << 1u << 0u << bit(4) << 400000 << "Over Full Scale";
    QTest::newRow("4 cleared, 5 stays") << 2u << 1u << (bit(4) | bit(5)) << bit(5) << 9999999 << "Weight Under Limit";
    QTest::newRow("lowest of 4 and 6") << 2u << 1u << 0u << (bit(6) | bit(4)) << 5 << "Over Full Scale";
    QTest::newRow("loadcell over") << 2u << 1u << 0u << bit(6) << 5 << "Loadcell Over";
    QTest::newRow("loadcell under, stable") << 2u << 1u << 0u << (bit(7) | bit(0)) << 5 << "Loadcell Under";
    QTest::newRow("cleared shows weight") << 2u << 1u << bit(5) << 0u << 200 << "2.00 kg";
}

void tst_LiveHeader::weightLine()
{
    QFETCH(quint32, decimals);
    QFETCH(quint32, unit);
    QFETCH(quint32, status);
    QFETCH(quint32, status2);
    QFETCH(qint32, weight);
    QFETCH(QString, shown);

    g_mirror.live.decimalPoint = decimals;
    g_mirror.live.unit = unit;
    show(status, 1);
    show(status2, weight);
    QCOMPARE(label("labelweight_1")->text(), shown);
    show(status2, weight); // an unchanged tick keeps it
    QCOMPARE(label("labelweight_1")->text(), shown);
}

void tst_LiveHeader::indicatorsAndReadings()
{
    g_mirror.live.decimalPoint = 2;
    g_mirror.live.unit = 1;
    g_mirror.live.sensorVoltage = quint32(-5);
    const float flow = 12.5f;
    std::memcpy(&g_mirror.live.flowRate, &flow, sizeof flow);
    g_mirror.weightCal[16] = 1; // per minute
    show(bit(0) | bit(1) | bit(9), 0);
    QVERIFY(label("Lab_Stable")->styleSheet().contains(QLatin1String("Stable.png")));
    QVERIFY(label("Lab_Zero")->styleSheet().contains(QLatin1String("Zero1.png")));
    QCOMPARE(label("label_NetFlag")->text(), QStringLiteral("NET"));
    QCOMPARE(label("label_Mv_1")->text(), QStringLiteral("-0.0005 mV"));
    QCOMPARE(label("label_FlowRate_1")->text(), QStringLiteral("12.50 kg/min"));

    // Bits without an indicator change nothing.
    show(bit(1) | bit(2) | bit(3) | bit(8) | bit(10) | bit(11), 0);
    QCOMPARE(label("Lab_Stable")->styleSheet(), QStringLiteral("border-image: None;"));
    QVERIFY(label("Lab_Zero")->styleSheet().contains(QLatin1String("Zero1.png")));
    QCOMPARE(label("label_NetFlag")->text(), QString());
}

void tst_LiveHeader::errorLines_data()
{
    QTest::addColumn<quint32>("bits");
    QTest::addColumn<bool>("chinese");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("fontSize");

    QTest::newRow("none") << 0u << false << "None" << 25;
    QTest::newRow("lowest of 3 and 8") << (bit(3) | bit(8)) << false << "mV UnSTAB" << 0;
    QTest::newRow("lowest of 3 and 7") << (bit(3) | bit(7)) << false << "mV UnSTAB" << 0;
    QTest::newRow("long zh") << bit(29) << true << "远程操作皮重时未开启远程皮重操作允许开关" << 20;
    QTest::newRow("14 chars zh") << bit(22) << true << "远程清零时未开启远程清零开关" << 25;
    QTest::newRow("empty entry") << bit(31) << false << "" << 0;
}

void tst_LiveHeader::errorLines()
{
    QFETCH(quint32, bits);
    QFETCH(bool, chinese);
    QFETCH(QString, shown);
    QFETCH(int, fontSize);

    const ErrorLine line = errorLine(bits, chinese);
    QCOMPARE(line.text, shown);
    QCOMPARE(line.fontSizePx, fontSize);
}

// The header speaks the language the window applied; English keeps the
// font size the last Chinese text left.
void tst_LiveHeader::errorLabel()
{
    QLabel *error = label("label_ErrorMessage_1");
    g_language = 1;
    m_window->applyLanguage();
    g_mirror.live.errorBits = bit(29);
    m_window->showLiveValues(false);
    QCOMPARE(error->text(), QString::fromUtf8(ErrorMessages[29].chinese));
    QCOMPARE(error->styleSheet(), QStringLiteral("font-size: 20px;"));

    g_language = 0;
    m_window->applyLanguage();
    g_mirror.live.errorBits = bit(16) | bit(30);
    m_window->showLiveValues(false);
    QCOMPARE(error->text(), QStringLiteral("Over Zero Range"));
    QCOMPARE(error->styleSheet(), QStringLiteral("font-size: 20px;"));

    g_mirror.live.errorBits = 0;
    m_window->showLiveValues(false);
    QCOMPARE(error->text(), QStringLiteral("None"));
    QCOMPARE(error->styleSheet(), QStringLiteral("font-size: 25px;"));
}

void tst_LiveHeader::staleInError_data()
{
    QTest::addColumn<QString>("sheet");
    QTest::newRow("dark, Chinese") << QStringLiteral(":/Qss/SheetStyle.qss");
    QTest::newRow("dark, English") << QStringLiteral(":/Qss/SheetStyle_EN.qss");
    QTest::newRow("light, Chinese") << QStringLiteral(":/Qss/SheetStyleWhite.qss");
    QTest::newRow("light, English") << QStringLiteral(":/Qss/SheetStyleWhite_EN.qss");
}

// While the status bar says the link is in error, the header's values and
// indicators are the last ones read and look it; the next verdict of a normal
// link gives them back their colour.
void tst_LiveHeader::staleInError()
{
    QFETCH(QString, sheet);
    QFile file(sheet);
    QVERIFY(file.open(QIODevice::ReadOnly));
    qApp->setStyleSheet(QString::fromUtf8(file.readAll()));
    const auto colour = [this](const char *name) {
        QLabel *value = label(name);
        value->ensurePolished();
        return value->palette().color(value->foregroundRole());
    };
    const char *const values[] = {"labelweight_1", "label_Mv_1", "label_FlowRate_1", "label_ErrorMessage_1"};
    // The stable indicator as drawn, with the weight stable.
    show(bit(0), 0);
    QLabel *stable = label("Lab_Stable");
    stable->resize(25, 25);
    const auto drawn = [stable] { return stable->grab().toImage(); };
    RefreshCycle *cycle = m_window->findChild<RefreshCycle *>();
    QVERIFY(cycle);
    emit cycle->communicationChanged(true);
    const QColor live = colour(values[0]);
    const QImage stableLive = drawn();

    emit cycle->communicationChanged(false);
    const QColor stale = colour(values[0]);
    QVERIFY2(stale != live, qPrintable(stale.name()));
    for (const char *name : values)
        QCOMPARE(colour(name), stale);
    QVERIFY(drawn() != stableLive);

    emit cycle->communicationChanged(true);
    for (const char *name : values)
        QCOMPARE(colour(name), live);
    QCOMPARE(drawn(), stableLive);
    qApp->setStyleSheet(QString());
}

QTEST_MAIN(tst_LiveHeader)
#include "tst_liveheader.moc"
