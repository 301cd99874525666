#include "Modbus/linkstate.h"
#include "Modbus/modbussetting.h"
#include "Modbus/registeraccess.h"

#include "simprocess.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QModbusClient>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QValidator>
#include <QtTest>

namespace {

// Answers the modal message boxes that the page opens and remembers their texts.
class BoxCloser : public QObject
{
public:
    BoxCloser()
    {
        connect(&m_poll, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                texts << box->windowTitle() + QLatin1Char('|') + box->text();
                box->done(0);
            }
        });
        m_poll.start(20);
    }
    QStringList texts;

private:
    QTimer m_poll;
};

} // namespace

class tst_ModbusSetting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void settingsMapping_data();
    void settingsMapping();
    void portName_data();
    void portName();
    void validators_data();
    void validators();
    void protocolFields();
    void roundTrip();
    void startupGroup_data();
    void startupGroup();
    void missingFileKeepsDefaults();
    void storedIndexOutOfRange_data();
    void storedIndexOutOfRange();
    void wheelIsSwallowed();
    void emptyHostRestored();
    void connectOverTcp();
    void failedTestReadLeavesNoClient();
    void refusedStartWarns();
    void connectOverRtu();

private:
    template<typename T> T *field(ModbusSetting &page, const char *name)
    {
        return page.findChild<T *>(QLatin1String(name));
    }
    void setTcp(ModbusSetting &page, quint16 port);

    QTemporaryDir m_dir;
    SimProcess m_sim;
};

void tst_ModbusSetting::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
    QVERIFY2(m_sim.start(), "r7sim did not start");
}

void tst_ModbusSetting::init()
{
    QFile::remove(ModbusSetting::settingsFilePath());
    g_language = 0;
    g_uiMode = 0;
    g_savedValueText.clear();
    QVERIFY(m_sim.command(QStringLiteral("fail off")));
}

void tst_ModbusSetting::cleanup()
{
    disconnectClient();
}

void tst_ModbusSetting::setTcp(ModbusSetting &page, quint16 port)
{
    field<QComboBox>(page, "connectType")->setCurrentIndex(1);
    field<QLineEdit>(page, "EditHostIP")->setText(QStringLiteral("127.0.0.1"));
    field<QLineEdit>(page, "EditPort")->setText(QString::number(port));
}

void tst_ModbusSetting::settingsMapping_data()
{
    QTest::addColumn<int>("parityIndex");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("baudIndex");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("dataBitsIndex");
    QTest::addColumn<int>("dataBits");

    QTest::newRow("none 4800 7") << 0 << 0 << 0 << 4800 << 0 << 7;
    QTest::newRow("even 38400 8") << 1 << 2 << 3 << 38400 << 1 << 8;
    QTest::newRow("odd 115200 8") << 2 << 3 << 5 << 115200 << 1 << 8;
}

void tst_ModbusSetting::settingsMapping()
{
    QFETCH(int, parityIndex);
    QFETCH(int, parity);
    QFETCH(int, baudIndex);
    QFETCH(int, baud);
    QFETCH(int, dataBitsIndex);
    QFETCH(int, dataBits);

    ModbusSetting page;
    field<QComboBox>(page, "parityCombo")->setCurrentIndex(parityIndex);
    field<QComboBox>(page, "baudCombo")->setCurrentIndex(baudIndex);
    field<QComboBox>(page, "dataBitsCombo")->setCurrentIndex(dataBitsIndex);
    field<QSpinBox>(page, "timeoutSpinner")->setValue(340);
    field<QLineEdit>(page, "EditHostIP")->setText(QStringLiteral("10.0.0.7"));
    field<QLineEdit>(page, "EditPort")->setText(QStringLiteral("1502"));

    const Settings s = page.settings();
    QCOMPARE(s.parity, parity);
    QCOMPARE(s.baud, baud);
    QCOMPARE(s.dataBits, dataBits);
    QCOMPARE(s.stopBits, 1);
    QCOMPARE(s.responseTime, 340);
    QCOMPARE(s.EditIP, QStringLiteral("10.0.0.7"));
    QCOMPARE(s.EditPort, QStringLiteral("1502"));
    QCOMPARE(s.connectType, 0);
}

void tst_ModbusSetting::portName_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("name");

    QTest::newRow("listed") << "USB Serial Port(COM3)" << "COM3";
    QTest::newRow("listed, text after") << "Adapter(ttyUSB0) spare" << "ttyUSB0";
    QTest::newRow("typed pty") << "/tmp/r7/ttyA" << "/tmp/r7/ttyA";
    QTest::newRow("typed with blanks") << "  /dev/ttyS1 " << "/dev/ttyS1";
    QTest::newRow("unclosed bracket") << "Adapter(ttyACM0" << "ttyACM0";
}

void tst_ModbusSetting::portName()
{
    QFETCH(QString, entry);
    QFETCH(QString, name);

    ModbusSetting page;
    field<QComboBox>(page, "serialnumcomboBox")->setEditText(entry);
    QCOMPARE(page.settings().SerialNum, name);
}

void tst_ModbusSetting::validators_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("acceptable");

    QTest::newRow("host ok") << "EditHostIP" << "192.168.101.1" << true;
    QTest::newRow("host 255") << "EditHostIP" << "255.255.255.0" << true;
    QTest::newRow("host 256") << "EditHostIP" << "256.1.1.1" << false;
    QTest::newRow("host three parts") << "EditHostIP" << "10.0.1" << false;
    QTest::newRow("host empty") << "EditHostIP" << "" << true;
    for (const char *port : {"1", "80", "502", "5020", "8080", "8899", "9000", "10000", "59999", "65535"})
        QTest::newRow(port) << "EditPort" << port << true;
    QTest::newRow("port 0") << "EditPort" << "0" << false;
    QTest::newRow("port 0080") << "EditPort" << "0080" << false;
    QTest::newRow("port 65536") << "EditPort" << "65536" << false;
    QTest::newRow("port letters") << "EditPort" << "80a" << false;
}

void tst_ModbusSetting::validators()
{
    QFETCH(QString, object);
    QFETCH(QString, text);
    QFETCH(bool, acceptable);

    ModbusSetting page;
    auto *edit = page.findChild<QLineEdit *>(object);
    QVERIFY(edit && edit->validator());
    int pos = 0;
    QString copy = text;
    QCOMPARE(edit->validator()->validate(copy, pos) == QValidator::Acceptable, acceptable);
}

void tst_ModbusSetting::protocolFields()
{
    ModbusSetting page;
    page.show();
    auto *rtuField = field<QWidget>(page, "baudCombo");
    auto *rtuLabel = field<QWidget>(page, "label_1");
    auto *tcpField = field<QWidget>(page, "EditHostIP");
    auto *tcpLabel = field<QWidget>(page, "label_Port");
    QVERIFY(rtuField->isVisible() && rtuLabel->isVisible());
    QVERIFY(!tcpField->isVisible() && !tcpLabel->isVisible());

    field<QComboBox>(page, "connectType")->setCurrentIndex(1);
    page.on_connectType_activated(1);
    QVERIFY(!rtuField->isVisible() && !rtuLabel->isVisible());
    QVERIFY(tcpField->isVisible() && tcpLabel->isVisible());
    QVERIFY(field<QWidget>(page, "timeoutSpinner")->isVisible());
    QVERIFY(field<QWidget>(page, "DwordFormat")->isVisible());
}

void tst_ModbusSetting::roundTrip()
{
    g_language = 1;
    g_uiMode = 1;
    {
        ModbusSetting page;
        setTcp(page, 1502);
        field<QComboBox>(page, "DwordFormat")->setCurrentIndex(1);
        field<QComboBox>(page, "baudCombo")->setCurrentIndex(4);
        field<QComboBox>(page, "dataBitsCombo")->setCurrentIndex(1);
        field<QComboBox>(page, "parityCombo")->setCurrentIndex(2);
        field<QComboBox>(page, "serialnumcomboBox")->setEditText(QStringLiteral("/tmp/r7/ttyB"));
        field<QSpinBox>(page, "timeoutSpinner")->setValue(200);
        field<QSpinBox>(page, "spinboxSlaveId")->setValue(17);
        page.saveSettings();
    }

    // Every key by the name other tools and older versions read: a key
    // misspelt alike in saving and loading would still round-trip.
    const char *const saved[][2] = {
        {"connectType", "1"},    {"EditHostIP", "127.0.0.1"},        {"EditPort", "1502"},
        {"DwordFormat", "1"},    {"baudCombo", "4"},                 {"dataBitsCombo", "1"},
        {"parityCombo", "2"},    {"serialnumcomboBox", "/tmp/r7/ttyB"}, {"stopBitsCombo", "0"},
        {"timeoutSpinner", "200"}, {"spinboxSlaveId", "17"},         {"Language", "1"},
        {"UIMode", "1"}};
    QSettings ini(ModbusSetting::settingsFilePath(), QSettings::IniFormat);
    for (const auto &entry : saved)
        QCOMPARE(ini.value(QLatin1String("R7/") + QLatin1String(entry[0])).toString(), QLatin1String(entry[1]));

    g_language = 0;
    g_uiMode = 0;
    ModbusSetting page;
    page.initInterface();
    QCOMPARE(field<QComboBox>(page, "connectType")->currentIndex(), 1);
    QCOMPARE(field<QLineEdit>(page, "EditHostIP")->text(), QStringLiteral("127.0.0.1"));
    QCOMPARE(field<QLineEdit>(page, "EditPort")->text(), QStringLiteral("1502"));
    QCOMPARE(field<QComboBox>(page, "DwordFormat")->currentIndex(), 1);
    QCOMPARE(field<QComboBox>(page, "baudCombo")->currentIndex(), 4);
    QCOMPARE(field<QComboBox>(page, "dataBitsCombo")->currentIndex(), 1);
    QCOMPARE(field<QComboBox>(page, "parityCombo")->currentIndex(), 2);
    QCOMPARE(field<QComboBox>(page, "serialnumcomboBox")->currentText(), QStringLiteral("/tmp/r7/ttyB"));
    QCOMPARE(field<QSpinBox>(page, "timeoutSpinner")->value(), 200);
    QCOMPARE(field<QSpinBox>(page, "spinboxSlaveId")->value(), 17);
    QCOMPARE(g_language, 1);
    QCOMPARE(g_uiMode, 1);
    QVERIFY(field<QLabel>(page, "label_url")->text().contains(QLatin1String("href")));
}

void tst_ModbusSetting::startupGroup_data()
{
    QTest::addColumn<int>("startup");
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("uiMode");

    QTest::newRow("absent") << -1 << 0 << 1;
    QTest::newRow("startup 0") << 0 << 0 << 1;
    QTest::newRow("startup 1") << 1 << 1 << 0;
}

void tst_ModbusSetting::startupGroup()
{
    QFETCH(int, startup);
    QFETCH(int, language);
    QFETCH(int, uiMode);
    {
        QSettings ini(ModbusSetting::settingsFilePath(), QSettings::IniFormat);
        ini.setValue(QStringLiteral("R7/Language"), 0);
        ini.setValue(QStringLiteral("R7/UIMode"), 1);
        ini.setValue(QStringLiteral("Config/Language"), 1);
        ini.setValue(QStringLiteral("Config/UIMode"), 0);
        if (startup >= 0)
            ini.setValue(QStringLiteral("Config/Startup"), startup);
    }
    g_language = 7;
    g_uiMode = 7;
    ModbusSetting page;
    page.loadSettings();
    QCOMPARE(g_language, language);
    QCOMPARE(g_uiMode, uiMode);

    // Startup is only ever read: saving leaves it and the Config values alone.
    page.saveSettings();
    QSettings ini(ModbusSetting::settingsFilePath(), QSettings::IniFormat);
    QCOMPARE(ini.value(QStringLiteral("Config/Language")).toInt(), 1);
    QCOMPARE(ini.contains(QStringLiteral("Config/Startup")), startup >= 0);
}

void tst_ModbusSetting::missingFileKeepsDefaults()
{
    ModbusSetting page;
    page.initInterface();
    QCOMPARE(field<QLabel>(page, "label_url")->text(), QStringLiteral("url"));
    QCOMPARE(field<QComboBox>(page, "baudCombo")->currentText(), QStringLiteral("4800"));
    QCOMPARE(field<QLineEdit>(page, "EditHostIP")->text(), QStringLiteral("192.168.101.1"));
    QCOMPARE(field<QLineEdit>(page, "EditPort")->text(), QStringLiteral("502"));
    QCOMPARE(field<QSpinBox>(page, "timeoutSpinner")->value(), 200);
    QVERIFY(!QFile::exists(ModbusSetting::settingsFilePath()));
}

void tst_ModbusSetting::storedIndexOutOfRange_data()
{
    QTest::addColumn<int>("offset"); // added to the item count
    QTest::newRow("one past the end") << 0;
    QTest::newRow("far past the end") << 90;
    QTest::newRow("negative") << -100;
}

void tst_ModbusSetting::storedIndexOutOfRange()
{
    QFETCH(int, offset);
    ModbusSetting page;
    auto *baud = field<QComboBox>(page, "baudCombo");
    {
        QSettings ini(ModbusSetting::settingsFilePath(), QSettings::IniFormat);
        ini.setValue(QStringLiteral("R7/baudCombo"), baud->count() + offset);
    }
    baud->setCurrentIndex(3);
    page.initInterface();
    // A damaged file selects the first item, never nothing.
    QCOMPARE(baud->currentIndex(), 0);
}

void tst_ModbusSetting::wheelIsSwallowed()
{
    ModbusSetting page;
    page.show();
    auto *baud = field<QComboBox>(page, "baudCombo");
    auto *slave = field<QSpinBox>(page, "spinboxSlaveId");
    baud->setCurrentIndex(2);
    slave->setValue(5);
    for (QWidget *target : {static_cast<QWidget *>(baud), static_cast<QWidget *>(slave)}) {
        QWheelEvent wheel(QPointF(5, 5), target->mapToGlobal(QPoint(5, 5)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &wheel);
    }
    QCOMPARE(baud->currentIndex(), 2);
    QCOMPARE(slave->value(), 5);
}

void tst_ModbusSetting::emptyHostRestored()
{
    ModbusSetting page;
    field<QComboBox>(page, "connectType")->setCurrentIndex(1);
    page.on_connectType_activated(1);
    page.show();
    QVERIFY(QTest::qWaitForWindowActive(&page));
    auto *host = field<QLineEdit>(page, "EditHostIP");
    host->setFocus();
    QTRY_VERIFY(host->hasFocus());
    QCOMPARE(g_savedValueText, QStringLiteral("192.168.101.1"));
    host->clear();
    QTest::keyClick(host, Qt::Key_Return);
    QCOMPARE(host->text(), QStringLiteral("192.168.101.1"));
    QVERIFY(!host->hasFocus());
}

void tst_ModbusSetting::connectOverTcp()
{
    ModbusSetting page;
    setTcp(page, m_sim.tcpPort());
    field<QComboBox>(page, "DwordFormat")->setCurrentIndex(1);
    field<QSpinBox>(page, "spinboxSlaveId")->setValue(1);
    QSignalSpy success(&page, &ModbusSetting::ConnectSuccessfulSignal);

    page.on_connectButton_clicked();
    QCOMPARE(success.count(), 1);
    QModbusClient *client = modbusClient();
    QVERIFY(client);
    QCOMPARE(client->state(), QModbusDevice::ConnectedState);
    QCOMPARE(g_connType, 1);
    QCOMPARE(g_dwordFormat, 1);
    QCOMPARE(g_slaveId, 1);
    QVERIFY(QFile::exists(ModbusSetting::settingsFilePath()));

    // Connected: a second press neither reconnects nor signals again.
    page.on_connectButton_clicked();
    QCOMPARE(success.count(), 1);
    QCOMPARE(modbusClient(), client);
}

void tst_ModbusSetting::failedTestReadLeavesNoClient()
{
    QVERIFY(m_sim.command(QStringLiteral("fail 0 4")));
    BoxCloser closer;
    ModbusSetting page;
    setTcp(page, m_sim.tcpPort());
    QSignalSpy success(&page, &ModbusSetting::ConnectSuccessfulSignal);

    page.on_connectButton_clicked();
    QCOMPARE(success.count(), 0);
    QVERIFY(!modbusClient());
    QCOMPARE(closer.texts, QStringList{QStringLiteral("Warning|Operation Failed,Please try again!")});
}

void tst_ModbusSetting::refusedStartWarns()
{
    BoxCloser closer;
    ModbusSetting page;
    field<QComboBox>(page, "connectType")->setCurrentIndex(0);
    field<QComboBox>(page, "serialnumcomboBox")->setEditText(m_dir.path() + QStringLiteral("/no-such-port"));
    QSignalSpy success(&page, &ModbusSetting::ConnectSuccessfulSignal);

    page.on_connectButton_clicked();
    QCOMPARE(success.count(), 0);
    QVERIFY(!modbusClient());
    QCOMPARE(closer.texts.size(), 1);
}

void tst_ModbusSetting::connectOverRtu()
{
    SocatPair pair;
    QVERIFY2(pair.start(), "socat pty pair not available");
    SimProcess rtuSim({QStringLiteral("--rtu"), pair.second(), QStringLiteral("--baud"), QStringLiteral("38400"),
                       QStringLiteral("--parity"), QStringLiteral("none")});
    QVERIFY2(rtuSim.start(), qPrintable(rtuSim.errorString()));

    ModbusSetting page;
    field<QComboBox>(page, "connectType")->setCurrentIndex(0);
    field<QComboBox>(page, "serialnumcomboBox")->setEditText(pair.first());
    field<QComboBox>(page, "baudCombo")->setCurrentIndex(3);
    field<QComboBox>(page, "dataBitsCombo")->setCurrentIndex(1);
    field<QComboBox>(page, "parityCombo")->setCurrentIndex(0);
    QSignalSpy success(&page, &ModbusSetting::ConnectSuccessfulSignal);

    page.on_connectButton_clicked();
    QCOMPARE(success.count(), 1);
    QCOMPARE(g_connType, 0);
    QCOMPARE(readParameter(202, 2), 2u); // two weight decimals
    disconnectClient();
}

QTEST_MAIN(tst_ModbusSetting)
#include "tst_modbussetting.moc"
