#include "Modbus/devicemirror.h"
#include "Modbus/linkstate.h"
#include "main/errormessages.h"
#include "main/mainwindow.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace {

quint32 floatBits(float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

constexpr quint32 bit(int n)
{
    return 1u << n;
}

} // namespace

class tst_LiveHeader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void weightText_data();
    void weightText();
    void unavailableWeightKeepsText();
    void overloadMessages_data();
    void overloadMessages();
    void indicators();
    void sensorAndFlowRate_data();
    void sensorAndFlowRate();
    void errorLines_data();
    void errorLines();
    void errorLabel();

private:
    QString text(const char *name) const
    {
        return m_window->findChild<QLabel *>(QLatin1String(name))->text();
    }
    QString style(const char *name) const
    {
        return m_window->findChild<QLabel *>(QLatin1String(name))->styleSheet();
    }

    QTemporaryDir m_dir;
    MainWindow *m_window = nullptr;
};

void tst_LiveHeader::initTestCase()
{
    qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
    m_window = new MainWindow;
}

// One window for the suite: a forced redraw from a fresh mirror rewrites
// every part of the header.
void tst_LiveHeader::init()
{
    g_mirror = DeviceMirror();
    g_language = 0;
    m_window->showLiveValues(true);
}

void tst_LiveHeader::cleanupTestCase()
{
    delete m_window;
    m_window = nullptr;
}

void tst_LiveHeader::weightText_data()
{
    QTest::addColumn<qint32>("weight");
    QTest::addColumn<quint32>("decimals");
    QTest::addColumn<quint32>("unit");
    QTest::addColumn<QString>("shown");

    QTest::newRow("negative t") << -5 << 3u << 0u << "-0.005 t";
    QTest::newRow("unit 6 no text") << 12345 << 2u << 6u << "123.45 ";
    QTest::newRow("four decimals N") << 1 << 4u << 5u << "0.0001 N";
}

void tst_LiveHeader::weightText()
{
    QFETCH(qint32, weight);
    QFETCH(quint32, decimals);
    QFETCH(quint32, unit);
    QFETCH(QString, shown);

    g_mirror.live.weight = quint32(weight);
    g_mirror.live.decimalPoint = decimals;
    g_mirror.live.unit = unit;
    m_window->showLiveValues(false);
    QCOMPARE(text("labelweight_1"), shown);
}

void tst_LiveHeader::unavailableWeightKeepsText()
{
    g_mirror.live.weight = 12345;
    g_mirror.live.decimalPoint = 2;
    g_mirror.live.unit = 1;
    m_window->showLiveValues(false);
    for (qint32 unavailable : {9999999, -9999999}) {
        g_mirror.live.weight = quint32(unavailable);
        m_window->showLiveValues(false);
        QCOMPARE(text("labelweight_1"), QStringLiteral("123.45 kg"));
    }
}

void tst_LiveHeader::overloadMessages_data()
{
    QTest::addColumn<quint32>("first");
    QTest::addColumn<quint32>("second");
    QTest::addColumn<QString>("shown");

    QTest::newRow("over full scale") << 0u << bit(4) << "Over Full Scale";
    QTest::newRow("4 cleared, 5 stays") << (bit(4) | bit(5)) << bit(5) << "Weight Under Limit";
    QTest::newRow("lowest of 4 and 6") << 0u << (bit(6) | bit(4)) << "Over Full Scale";
    QTest::newRow("loadcell over") << 0u << bit(6) << "Loadcell Over";
    QTest::newRow("loadcell under with stable") << 0u << (bit(7) | bit(0)) << "Loadcell Under";
    QTest::newRow("cleared shows weight") << bit(5) << 0u << "1.00 kg";
}

void tst_LiveHeader::overloadMessages()
{
    QFETCH(quint32, first);
    QFETCH(quint32, second);
    QFETCH(QString, shown);

    g_mirror.live.weight = 100;
    g_mirror.live.decimalPoint = 2;
    g_mirror.live.unit = 1;
    g_mirror.live.status = first;
    m_window->showLiveValues(false);
    g_mirror.live.status = second;
    m_window->showLiveValues(false);
    QCOMPARE(text("labelweight_1"), shown);

    // The message stays while its bit is set, whatever weight comes with it.
    if (second & (bit(4) | bit(5) | bit(6) | bit(7))) {
        for (qint32 weight : {400000, 9999999}) {
            g_mirror.live.weight = quint32(weight);
            m_window->showLiveValues(false);
            QCOMPARE(text("labelweight_1"), shown);
        }
    }
}

void tst_LiveHeader::indicators()
{
    g_mirror.live.status = bit(0) | bit(1) | bit(9);
    m_window->showLiveValues(false);
    QVERIFY(style("Lab_Stable").contains(QLatin1String("Stable.png")));
    QVERIFY(style("Lab_Zero").contains(QLatin1String("Zero1.png")));
    QCOMPARE(text("label_NetFlag"), QStringLiteral("NET"));

    g_mirror.live.status = bit(1);
    m_window->showLiveValues(false);
    QCOMPARE(style("Lab_Stable"), QStringLiteral("border-image: None;"));
    QVERIFY(style("Lab_Zero").contains(QLatin1String("Zero1.png")));
    QCOMPARE(text("label_NetFlag"), QString());

    // Bits without an indicator change nothing.
    g_mirror.live.status = bit(1) | bit(2) | bit(3) | bit(8) | bit(10) | bit(11);
    m_window->showLiveValues(false);
    QCOMPARE(style("Lab_Stable"), QStringLiteral("border-image: None;"));
    QCOMPARE(text("label_NetFlag"), QString());
}

void tst_LiveHeader::sensorAndFlowRate_data()
{
    QTest::addColumn<qint32>("sensor");
    QTest::addColumn<float>("flowRate");
    QTest::addColumn<quint32>("timeUnit");
    QTest::addColumn<QString>("mv");
    QTest::addColumn<QString>("flow");

    QTest::newRow("per minute") << 123456 << 12.5f << 1u << "12.3456 mV" << "12.50 kg/min";
    QTest::newRow("per hour negative mV") << -5 << 0.0f << 0u << "-0.0005 mV" << "0.00 kg/h";
}

void tst_LiveHeader::sensorAndFlowRate()
{
    QFETCH(qint32, sensor);
    QFETCH(float, flowRate);
    QFETCH(quint32, timeUnit);
    QFETCH(QString, mv);
    QFETCH(QString, flow);

    g_mirror.live.decimalPoint = 2;
    g_mirror.live.unit = 1;
    g_mirror.live.sensorVoltage = quint32(sensor);
    g_mirror.live.flowRate = floatBits(flowRate);
    g_mirror.weightCal[16] = timeUnit;
    m_window->showLiveValues(false);
    QCOMPARE(text("label_Mv_1"), mv);
    QCOMPARE(text("label_FlowRate_1"), flow);
}

void tst_LiveHeader::errorLines_data()
{
    QTest::addColumn<quint32>("bits");
    QTest::addColumn<bool>("chinese");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("fontSize");

    QTest::newRow("none en") << 0u << false << "None" << 25;
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

void tst_LiveHeader::errorLabel()
{
    // The header speaks the language the window applied.
    g_language = 1;
    m_window->applyLanguage();
    g_mirror.live.errorBits = bit(29);
    m_window->showLiveValues(false);
    QCOMPARE(text("label_ErrorMessage_1"), QString::fromUtf8(ErrorMessages[29].chinese));
    QCOMPARE(style("label_ErrorMessage_1"), QStringLiteral("font-size: 20px;"));

    // English keeps the style the last Chinese text left.
    g_language = 0;
    m_window->applyLanguage();
    g_mirror.live.errorBits = bit(16) | bit(30);
    m_window->showLiveValues(false);
    QCOMPARE(text("label_ErrorMessage_1"), QStringLiteral("Over Zero Range"));
    QCOMPARE(style("label_ErrorMessage_1"), QStringLiteral("font-size: 20px;"));

    g_mirror.live.errorBits = 0;
    m_window->showLiveValues(false);
    QCOMPARE(text("label_ErrorMessage_1"), QStringLiteral("None"));
    QCOMPARE(style("label_ErrorMessage_1"), QStringLiteral("font-size: 25px;"));
}

QTEST_MAIN(tst_LiveHeader)
#include "tst_liveheader.moc"
