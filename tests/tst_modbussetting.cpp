#include "Modbus/devicefinder.h"
#include "Modbus/linkstate.h"
#include "Modbus/modbussetting.h"

#include "loopbackclient.h"
#include "simprocess.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QMessageBox>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QValidator>
#include <QtTest>

#include <memory>

// The connection page: link settings from its fields, "setting.ini", connecting. A fresh page for every test.
class tst_ModbusSetting : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    SimProcess m_sim;
    std::unique_ptr<ModbusSetting> m_page;
    QTimer m_closer; // answers each warning box, counting them
    int m_warnings = 0;

    template<typename T = QComboBox> T *field(const char *name) const { return m_page->findChild<T *>(name); }
    // What "setting.ini" keeps of a field: a combo box's index (an editable one's text), a spin
    // box's value, a line edit's text.
    const char *held(const char *name) const
    {
        if (auto *combo = field(name))
            return combo->isEditable() ? "currentText" : "currentIndex";
        return field<QSpinBox>(name) ? "value" : "text";
    }
    QString valueOf(const char *name) const { return field<QWidget>(name)->property(held(name)).toString(); }
    void setValue(const char *name, const QString &v) const { field<QWidget>(name)->setProperty(held(name), v); }
    QString setting(const QString &key) const
    {
        return QSettings(ModbusSetting::settingsFilePath(), QSettings::IniFormat).value(key).toString();
    }

private slots:
    void initTestCase()
    {
        qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
        QVERIFY2(m_dir.isValid() && m_sim.start(), "r7sim did not start");
        connect(&m_closer, &QTimer::timeout, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->done(++m_warnings);
        });
        m_closer.start(20);
    }
    void init()
    {
        QFile::remove(ModbusSetting::settingsFilePath());
        g_language = g_uiMode = m_warnings = 0;
        QVERIFY(m_sim.command(QStringLiteral("fail off")));
        m_page.reset(new ModbusSetting);
    }
    void cleanup() { m_page.reset(), DeviceLink::instance().close(); }

    // The port name out of a listed entry ("description(name)") or as typed; what the host and port
    // fields accept. The protocol shows its own fields; the wheel changes nothing; an emptied host
    // gets its text back.
    void fields()
    {
        const char *const ports[][2] = {{"USB Serial Port(COM3)", "COM3"}, {"  /tmp/r7/ttyA ", "/tmp/r7/ttyA"},
                                        {"Adapter(ttyUSB0) spare", "ttyUSB0"}, {"Adapter(ttyACM0", "ttyACM0"}};
        for (const auto &port : ports) {
            setValue("serialnumcomboBox", QLatin1String(port[0]));
            QCOMPARE(m_page->settings().SerialNum, QLatin1String(port[1]));
        }
        const auto check = [this](const char *name, const QStringList &texts) { // !: refused
            for (QString text : texts) {
                const bool refused = text.startsWith(QLatin1Char('!'));
                int pos = 0;
                text.remove(QLatin1Char('!'));
                const bool taken = field<QLineEdit>(name)->validator()->validate(text, pos) == QValidator::Acceptable;
                QVERIFY2(taken != refused, qPrintable(name + (QLatin1Char(' ') + text)));
            }
        };
        check("EditHostIP", {"192.168.101.1", "255.255.255.0", "", "!256.1.1.1", "!10.0.1", "::1", "fe80::2",
                             "2001:db8:0:1:2:3:4:5", "!1:2", "!12345::1", "!1:2:3:4:5:6:7:8:9"});
        check("EditPort", {"1", "9999", "10000", "59999", "64999", "65499", "65529", "65535", "!0", "!0080", "!65536",
                           "!65540", "!80a"});
        m_page->show();
        QVERIFY(QTest::qWaitForWindowActive(m_page.get()));
        auto *host = field<QLineEdit>("EditHostIP");
        QVERIFY(field("baudCombo")->isVisible() && !host->isVisible());
        for (const char *name : {"baudCombo", "spinboxSlaveId"}) {
            QWidget *target = field<QWidget>(name);
            QWheelEvent wheel(QPointF(5, 5), target->mapToGlobal(QPoint(5, 5)), QPoint(), QPoint(0, -120),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            setValue(name, QStringLiteral("2"));
            QApplication::sendEvent(target, &wheel);
            QCOMPARE(valueOf(name), QStringLiteral("2"));
        }
        setValue("connectType", QStringLiteral("1"));
        m_page->on_connectType_activated(1);
        QVERIFY(!field("baudCombo")->isVisible() && host->isVisible());
        host->setFocus();
        QTRY_VERIFY(host->hasFocus());
        host->clear();
        QTest::keyClick(host, Qt::Key_Return);
        QCOMPARE(host->text(), QStringLiteral("192.168.101.1"));
        QVERIFY(!host->hasFocus());
    }

    // Every key by the name other tools and older versions read: a key misspelt alike in saving and
    // loading would still round-trip.
    void roundTrip()
    {
        const char *const saved[][2] = {{"connectType", "1"}, {"EditHostIP", "127.0.0.1"}, {"EditPort", "1502"},
            {"DwordFormat", "1"}, {"baudCombo", "4"}, {"dataBitsCombo", "1"}, {"parityCombo", "2"},
            {"stopBitsCombo", "0"}, {"serialnumcomboBox", "/tmp/r7/ttyB"}, {"timeoutSpinner", "300"},
            {"spinboxSlaveId", "17"}};
        g_language = g_uiMode = 1;
        for (const auto &entry : saved)
            setValue(entry[0], QLatin1String(entry[1]));
        m_page->saveSettings();
        for (const auto &entry : saved)
            QCOMPARE(setting(QLatin1String("R7/") + QLatin1String(entry[0])), QLatin1String(entry[1]));
        QCOMPARE(setting(QStringLiteral("R7/Language")) + setting(QStringLiteral("R7/UIMode")), QStringLiteral("11"));
        g_language = g_uiMode = 0;
        m_page.reset(new ModbusSetting);
        m_page->initInterface();
        for (const auto &entry : saved)
            QCOMPARE(valueOf(entry[0]), QLatin1String(entry[1]));
        QCOMPARE(QList<int>({g_language, g_uiMode, m_page->settings().parity, m_page->settings().responseTime}),
                 QList<int>({1, 1, 3, 300})); // parity 3: QSerialPort::OddParity
    }

    // [Config] Startup=1 takes language and theme from [Config], which saving leaves alone; a stored
    // index out of range selects the first item, never nothing; without a file the fields keep theirs.
    void loading_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("modes"); // language, theme
        const QStringList both = {"R7/UIMode=1", "Config/Language=1"};
        QTest::newRow("no file") << QStringList() << "0 0";
        QTest::newRow("startup absent") << both << "0 1";
        QTest::newRow("startup 0") << both + QStringList{"Config/Startup=0"} << "0 1";
        QTest::newRow("startup 1") << both + QStringList{"Config/Startup=1"} << "1 0";
        QTest::newRow("index 6, one past the bauds") << QStringList{"R7/baudCombo=6"} << "0 0";
        QTest::newRow("index negative") << QStringList{"R7/baudCombo=-100"} << "0 0";
    }
    void loading()
    {
        QFETCH(QStringList, entries);
        {
            QSettings ini(ModbusSetting::settingsFilePath(), QSettings::IniFormat);
            for (const QString &entry : entries)
                ini.setValue(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
        }
        setValue("baudCombo", QStringLiteral("3"));
        m_page->initInterface();
        QCOMPARE(valueOf("baudCombo"), QLatin1String(entries.isEmpty() ? "3" : "0"));
        QTEST(QStringLiteral("%1 %2").arg(g_language).arg(g_uiMode), "modes");
        m_page->saveSettings();
        for (const QString &entry : entries.filter(QStringLiteral("Config/")))
            QCOMPARE(setting(entry.section(QLatin1Char('='), 0, 0)), entry.section(QLatin1Char('='), 1));
    }

    // Only a test read that the device answers makes a link (saved, and a second press neither
    // reconnects nor signals again); otherwise no client is left and the operator is warned. A TCP
    // connection that takes 300 ms (a slow network) is waited for up to the Delay field.
    void connecting_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("connectMs"); // 0: the page makes its own client
        QTest::addColumn<QString>("delay");
        QTest::newRow("answered") << QString() << 0 << "200";
        QTest::newRow("exception to the test read") << QStringLiteral("fail 0 4") << 0 << "200";
        QTest::newRow("no such serial port") << QStringLiteral("rtu") << 0 << "200";
        QTest::newRow("slow connection within the delay") << QString() << 300 << "1000";
        QTest::newRow("slow connection beyond the delay") << QStringLiteral("slow") << 600 << "300";
        QTest::newRow("IPv6 loopback") << QStringLiteral("ipv6") << 0 << "1000";
    }
    void connecting()
    {
        QFETCH(QString, fault);
        QFETCH(int, connectMs);
        const bool ipv6 = fault == QLatin1String("ipv6");
        const bool linked = fault.isEmpty() || ipv6;
        SimProcess sim6({"--tcp", "[::1]:0"});
        QVERIFY(!ipv6 || sim6.start());
        setValue("connectType", QLatin1String(fault == QLatin1String("rtu") ? "0" : "1"));
        setValue("serialnumcomboBox", m_dir.path() + QStringLiteral("/no-such-port"));
        setValue("EditHostIP", QLatin1String(ipv6 ? "::1" : "127.0.0.1"));
        const QString port = QString::number(ipv6 ? sim6.tcpPort() : m_sim.tcpPort());
        setValue("EditPort", port);
        setValue("DwordFormat", QStringLiteral("1"));
        QFETCH(QString, delay);
        setValue("timeoutSpinner", delay);
        QVERIFY(!fault.startsWith(QLatin1String("fail")) || m_sim.command(fault));
        if (connectMs > 0)
            setModbusClient(new SlowConnectClient(connectMs));
        QSignalSpy success(m_page.get(), &ModbusSetting::ConnectSuccessfulSignal);
        m_page->on_connectButton_clicked();
        QCOMPARE(QList<int>({int(success.count()), int(bool(modbusClient())), m_warnings}),
                 QList<int>({int(linked), int(linked), int(!linked)}));
        if (!linked)
            return;
        QCOMPARE(QList<int>({g_connType, g_dwordFormat}), QList<int>({1, 1}));
        QCOMPARE(setting(QStringLiteral("R7/EditPort")), port);
        QModbusClient *client = modbusClient();
        m_page->on_connectButton_clicked();
        QCOMPARE(success.count(), 1);
        QCOMPARE(modbusClient(), client);
        // While linked, the fields keep showing the link in use whatever the file says now.
        {
            QSettings ini(ModbusSetting::settingsFilePath(), QSettings::IniFormat);
            ini.setValue(QStringLiteral("R7/EditPort"), QStringLiteral("1"));
            ini.setValue(QStringLiteral("R7/DwordFormat"), 0);
        }
        m_page->initInterface();
        QCOMPARE(valueOf("EditPort") + valueOf("DwordFormat"), port + QLatin1Char('1'));
    }

    // Find device scans from the page's fields (unit 9 first, then 1, where the simulator answers) and a click on
    // the device found puts it into the fields; a serial result sets baud rate and parity as well.
    void findDevice()
    {
        setValue("connectType", QStringLiteral("1"));
        setValue("EditHostIP", QStringLiteral("127.0.0.1"));
        setValue("EditPort", QString::number(m_sim.tcpPort()));
        setValue("spinboxSlaveId", QStringLiteral("9"));
        QString shown;
        QTimer picker;
        connect(&picker, &QTimer::timeout, [&shown] {
            auto *list = QApplication::activeModalWidget() ? QApplication::activeModalWidget()->findChild<QListWidget *>(
                             QStringLiteral("listWidget_found")) : nullptr;
            if (list && list->count() > 0 && shown.isEmpty()) {
                shown = list->item(0)->text();
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
            }
        });
        picker.start(20);
        QTimer giveUp; // a scan that finds nothing must not hang the suite
        giveUp.setSingleShot(true);
        connect(&giveUp, &QTimer::timeout, [] {
            if (auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                box->reject();
        });
        giveUp.start(10000);
        QMetaObject::invokeMethod(field<QPushButton>("findDeviceButton"), "click");
        QCOMPARE(shown, QStringLiteral("unit 1"));
        QCOMPARE(valueOf("spinboxSlaveId"), QStringLiteral("1"));
        DeviceFinder::apply(m_page.get(), false, ScanHit{37, {19200, 2}, 8, 1, 0}); // 2: QSerialPort::EvenParity
        QCOMPARE(valueOf("spinboxSlaveId") + valueOf("baudCombo") + valueOf("parityCombo"), QStringLiteral("3721"));
        setValue("connectType", QStringLiteral("0"));
        const ScanTarget target = DeviceFinder::targetOf(m_page.get());
        QCOMPARE(QList<int>({target.present.baud, target.present.parity, target.presentUnit}),
                 QList<int>({19200, 2, 37}));
    }
};

QTEST_MAIN(tst_ModbusSetting)
#include "tst_modbussetting.moc"
