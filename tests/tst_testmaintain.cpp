#include "App/parameterbinding.h"
#include "App/testmaintain.h"
#include "Modbus/devicemirror.h"
#include "Modbus/linkstate.h"
#include "Warning/mesgbox.h"
#include "main/mainwindow.h"

#include "editordriver.h"
#include "simprocess.h"
#include "testsupport.h"

#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace EditorDriver;

namespace {

const QString Password = QStringLiteral("739204");
// Marks a changed parameter; no factory value is this.
constexpr int Marker = 4321;

// Answers the modal boxes as they open, one scripted answer each, and records
// every box as "title: text" (the password box as its title). Answers: a text
// is typed into the password box and confirmed with OK; "<ok>" and "<cancel>"
// press those buttons; "<wait>" leaves the box alone. A box without an answer
// left is cancelled. A box left alone that is still open after 10 s is closed
// and recorded as "stuck", so that a box that never closes fails the test
// instead of hanging it.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(const QStringList &answers) : m_answers(answers)
    {
        connect(&m_poll, &QTimer::timeout, this, &BoxAnswerer::poll);
        m_poll.start(5);
    }

    QStringList seen;

private:
    void poll()
    {
        QWidget *box = QApplication::activeModalWidget();
        if (!box || box == m_current)
            return;
        m_current = box;
        const QString answer = m_answers.isEmpty() ? QStringLiteral("<cancel>") : m_answers.takeFirst();
        if (auto *input = qobject_cast<QInputDialog *>(box)) {
            seen << input->windowTitle();
            if (answer == QLatin1String("<cancel>")) {
                input->reject();
            } else {
                input->setTextValue(answer);
                input->accept();
            }
        } else if (auto *message = qobject_cast<QMessageBox *>(box)) {
            seen << message->windowTitle() + QLatin1String(": ") + message->text();
            if (answer == QLatin1String("<ok>"))
                message->button(QMessageBox::Ok)->click();
            else if (answer == QLatin1String("<cancel>"))
                message->reject();
            else
                QTimer::singleShot(10000, message, [this, message] {
                    seen << QStringLiteral("stuck");
                    message->reject();
                });
        } else {
            seen << QStringLiteral("unknown box");
            box->close();
        }
    }

    QStringList m_answers;
    QPointer<QWidget> m_current;
    QTimer m_poll;
};

// Takes the client away for one test and gives it back on every path out.
struct NoClient
{
    NoClient() : client(modbusClient()) { setModbusClient(nullptr); }
    ~NoClient() { setModbusClient(client); }
    QModbusClient *client;
};

} // namespace

// The Test Maintain page in the connected main window, against the simulator:
// password rules, the eight resets and their outcomes, and the system
// information shown from the mirror.
class tst_TestMaintain : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void password_data();
    void password();
    void passwordOncePerVisit();
    void resets_data();
    void resets();
    void refusedOrUnsentReset_data();
    void refusedOrUnsentReset();
    void resetAllUnanswered();
    void resetCalClearsPointTexts();
    void systemInfo_data();
    void systemInfo();
    void forcedEntryRewritesAll();
    void bannerFollowsSystemSwitch();
    void tipBoxClosesItself();

private:
    template<typename T> T *child(const QString &name) const { return m_page->findChild<T *>(name); }
    // Presses the reset button on its tab and answers the boxes it opens.
    QStringList reset(const QString &button, const QStringList &answers);
    int simRegister(int address);
    void tick() { m_window->onTick(); }

    QTemporaryDir m_dir;
    SimProcess m_sim;
    MainWindow *m_window = nullptr;
    TestMaintain *m_page = nullptr;
    // One register of each parameter group and its factory value.
    QMap<int, int> m_factory;
};

void tst_TestMaintain::initTestCase()
{
    TestSupport::installMessageCollector(TestSupport::PassAllButDebugAndSizeHints);
    qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
    QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));
    // Basic 121, CAL 233, I/O 307, comparators 503, serial 8001, analog 8152.
    for (int address : {121, 233, 307, 503, 8001, 8152}) {
        m_factory[address] = simRegister(address);
        QVERIFY(m_factory[address] >= 0 && m_factory[address] != Marker);
    }

    g_mirror = DeviceMirror();
    m_window = new MainWindow;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QApplication::setActiveWindow(m_window);
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    QVERIFY(connectForManualTicks(m_window, m_sim));
    m_page = m_window->testMaintainPage();
}

void tst_TestMaintain::cleanupTestCase()
{
    delete m_window;
    m_window = nullptr;
}

void tst_TestMaintain::init()
{
    for (const char *command : {"set 10209 1", "noreply off", "silentreset off"})
        QVERIFY2(m_sim.command(QLatin1String(command)), qPrintable(m_sim.lastAnswer()));
    for (auto it = m_factory.cbegin(); it != m_factory.cend(); ++it)
        QVERIFY(m_sim.command(QStringLiteral("set %1 %2").arg(it.key()).arg(Marker)));
    g_cpTextReset = false;
    // A fresh visit of the page: the password is asked again.
    m_window->showPage(PageMainInterface);
    m_window->showPage(PageTestMaintain);
    tick();
    QVERIFY(!g_commError);
    QVERIFY(m_sim.command(QStringLiteral("writes reset")));
}

QStringList tst_TestMaintain::reset(const QString &button, const QStringList &answers)
{
    child<QTabWidget>(QStringLiteral("tabWidget"))->setCurrentIndex(1);
    BoxAnswerer answerer(answers);
    QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    return answerer.seen;
}

int tst_TestMaintain::simRegister(int address)
{
    const QString value = registers(m_sim, address, 1);
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok ? number : -1;
}

void tst_TestMaintain::password_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("sent");

    const QString confirm = QStringLiteral("Reset Basic: Confirm?");
    const QString done = QStringLiteral("Tip: Reset Successful!");
    const QString failed = QStringLiteral("Tip: Password Failed!");
    QTest::newRow("code") << QStringList{Password, "<ok>", "<ok>"} << QStringList{"Password", confirm, done}
                          << true;
    QTest::newRow("code, CR LF") << QStringList{Password + "\r\n", "<ok>", "<ok>"}
                                 << QStringList{"Password", confirm, done} << true;
    QTest::newRow("code, trailing blank") << QStringList{Password + " ", "<ok>"} << QStringList{"Password", failed}
                                          << false;
    QTest::newRow("code, LF only") << QStringList{Password + "\n", "<ok>"} << QStringList{"Password", failed}
                                   << false;
    QTest::newRow("OK on empty field") << QStringList{"", "<ok>"} << QStringList{"Password", failed} << false;
    QTest::newRow("password cancelled") << QStringList{"<cancel>"} << QStringList{"Password"} << false;
    QTest::newRow("confirmation cancelled") << QStringList{Password, "<cancel>"} << QStringList{"Password", confirm}
                                            << false;
}

void tst_TestMaintain::password()
{
    QFETCH(QStringList, answers);
    QFETCH(QStringList, boxes);
    QFETCH(bool, sent);

    QCOMPARE(reset(QStringLiteral("Btn_Resetbasic"), answers), boxes);
    QCOMPARE(lastWrite(m_sim), sent ? QStringLiteral("8903 1 1") : QStringLiteral("none"));
}

void tst_TestMaintain::passwordOncePerVisit()
{
    const QStringList confirmed{"<ok>", "<ok>"};
    QCOMPARE(reset(QStringLiteral("Btn_ResetIO"), QStringList{Password} + confirmed).value(0),
             QStringLiteral("Password"));
    // Same visit: only the confirmation.
    QCOMPARE(reset(QStringLiteral("Btn_ResetIO"), confirmed),
             QStringList({"Reset I/O: Confirm?", "Tip: Reset Successful!"}));
    // A wrong password does not unlock; the next reset asks again.
    m_window->showPage(PageBasicConfig);
    m_window->showPage(PageTestMaintain);
    QCOMPARE(reset(QStringLiteral("Btn_ResetIO"), {"123456", "<ok>"}),
             QStringList({"Password", "Tip: Password Failed!"}));
    QCOMPARE(reset(QStringLiteral("Btn_ResetIO"), QStringList{Password} + confirmed).value(0),
             QStringLiteral("Password"));
    QCOMPARE(simWrites(m_sim), 3);
}

void tst_TestMaintain::resets_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("command");
    QTest::addColumn<QList<int>>("restored");
    QTest::addColumn<bool>("clearsPointTexts");

    const QString linkLoss = QStringLiteral(": Confirm? Reset may result in communication loss!");
    QTest::newRow("all") << "Btn_ResetALL" << "Reset All" + linkLoss << 8900
                         << QList<int>{121, 233, 307, 503, 8001, 8152} << true;
    QTest::newRow("partial") << "Btn_ResetPartial" << "Reset Partial" + linkLoss << 8901
                             << QList<int>{121, 307, 503, 8001, 8152} << false;
    QTest::newRow("cal") << "Btn_ResetCAL" << "Reset CAL: Confirm?" << 8902 << QList<int>{233} << true;
    QTest::newRow("basic") << "Btn_Resetbasic" << "Reset Basic: Confirm?" << 8903 << QList<int>{121} << false;
    QTest::newRow("i/o") << "Btn_ResetIO" << "Reset I/O: Confirm?" << 8904 << QList<int>{307} << false;
    QTest::newRow("analog") << "Btn_Resetanalog" << "Reset Analog: Confirm?" << 8905 << QList<int>{8152} << false;
    QTest::newRow("application") << "Btn_ResetAPP" << "Reset Application: Confirm?" << 8906
                                 << QList<int>{307, 503} << false;
    QTest::newRow("data-trans") << "Btn_ResetData_trans" << "Reset Data-Trans" + linkLoss << 8907
                                << QList<int>{8001, 8152} << true;
}

void tst_TestMaintain::resets()
{
    QFETCH(QString, button);
    QFETCH(QString, title);
    QFETCH(int, command);
    QFETCH(QList<int>, restored);
    QFETCH(bool, clearsPointTexts);

    QCOMPARE(reset(button, {Password, "<ok>", "<ok>"}),
             QStringList({"Password", title, "Tip: Reset Successful!"}));
    QCOMPARE(lastWrite(m_sim), QStringLiteral("%1 1 1").arg(command));
    for (auto it = m_factory.cbegin(); it != m_factory.cend(); ++it) {
        const int expected = restored.contains(it.key()) ? it.value() : Marker;
        QVERIFY2(simRegister(it.key()) == expected, qPrintable(QStringLiteral("register %1").arg(it.key())));
    }
    QCOMPARE(g_cpTextReset, clearsPointTexts);
}

void tst_TestMaintain::refusedOrUnsentReset_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("switchOff");

    QTest::newRow("cal, switch off") << "Btn_ResetCAL" << true;
    QTest::newRow("all, switch off") << "Btn_ResetALL" << true;
    QTest::newRow("data-trans, switch off") << "Btn_ResetData_trans" << true;
    QTest::newRow("cal, no client") << "Btn_ResetCAL" << false;
    QTest::newRow("all, no client") << "Btn_ResetALL" << false;
}

void tst_TestMaintain::refusedOrUnsentReset()
{
    QFETCH(QString, button);
    QFETCH(bool, switchOff);

    QStringList boxes;
    if (switchOff) {
        QVERIFY(m_sim.command(QStringLiteral("set 10209 0")));
        boxes = reset(button, {Password, "<ok>", "<ok>"});
        QCOMPARE(simWrites(m_sim), 1);
    } else {
        NoClient noClient;
        boxes = reset(button, {Password, "<ok>", "<ok>"});
        QCOMPARE(simWrites(m_sim), 0);
    }
    QCOMPARE(boxes.value(2), QStringLiteral("Tip: Reset Failed!"));
    QCOMPARE(simRegister(233), Marker);
    QVERIFY(!g_cpTextReset);
}

void tst_TestMaintain::resetAllUnanswered()
{
    QVERIFY(m_sim.command(QStringLiteral("silentreset on")));
    QCOMPARE(reset(QStringLiteral("Btn_ResetALL"), {Password, "<ok>", "<ok>"}).value(2),
             QStringLiteral("Tip: Reset Successful!"));
    QCOMPARE(simRegister(121), m_factory.value(121));
    QVERIFY(g_cpTextReset);

    // The device is gone for a while, then answers again.
    QVERIFY(m_sim.command(QStringLiteral("noreply on")));
    tick();
    QVERIFY(g_commError);
    QVERIFY(m_sim.command(QStringLiteral("noreply off")));
    QVERIFY(m_sim.command(QStringLiteral("sysinfo version 424242")));
    tick();
    QVERIFY(!g_commError);
    QCOMPARE(child<QLineEdit>(QStringLiteral("lineEditSoftware"))->text(), QStringLiteral("424242"));
    // And a reset goes through as before, without a new password.
    QCOMPARE(reset(QStringLiteral("Btn_ResetCAL"), {"<ok>", "<ok>"}).value(1),
             QStringLiteral("Tip: Reset Successful!"));
}

void tst_TestMaintain::resetCalClearsPointTexts()
{
    m_window->showPage(PageWeightCal);
    auto *point1 = m_window->page(PageWeightCal)->findChild<QLineEdit *>(QStringLiteral("EditWeightCp1"));
    commitText(point1, QStringLiteral("12"));
    m_window->showPage(PageTestMaintain);
    m_window->showPage(PageWeightCal);
    QCOMPARE(point1->text(), QStringLiteral("12.00"));

    m_window->showPage(PageTestMaintain);
    QCOMPARE(reset(QStringLiteral("Btn_ResetCAL"), {Password, "<ok>", "<ok>"}).value(2),
             QStringLiteral("Tip: Reset Successful!"));
    m_window->showPage(PageWeightCal);
    QCOMPARE(point1->text(), QStringLiteral("0"));
}

void tst_TestMaintain::systemInfo_data()
{
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("shown");

    // 0x0001 0x1170 -> 70010, high word first whatever the word order.
    QTest::newRow("version") << QStringList{"sysinfo version 70010"} << "lineEditSoftware" << "70010";
    QTest::newRow("date 2024 1111") << QStringList{"sysinfo date 2024:1111"} << "lineEditCompileData"
                                    << "2024-11-11";
    QTest::newRow("date 2024 105") << QStringList{"sysinfo date 2024:105"} << "lineEditCompileData"
                                   << "2024-01-05";
    QTest::newRow("date 2024 1225") << QStringList{"sysinfo date 2024:1225"} << "lineEditCompileData"
                                    << "2024-12-25";
    QTest::newRow("date 2024 5") << QStringList{"sysinfo date 2024:5"} << "lineEditCompileData" << "2024-0-5";
    QTest::newRow("MAC") << QStringList{"sysinfo mac 0e-A7-00-FF-10-5C"} << "lineEditMAC" << "0E-A7-00-FF-10-5C";
    QTest::newRow("BT MAC") << QStringList{"sysinfo btmac 0C-a7-E5-3B-9F-D2"} << "lineEdit_BTMAC"
                            << "0C-A7-E5-3B-9F-D2";
    // Only the low byte of a register is a MAC byte: the hyphens stay put.
    QTest::newRow("MAC register above 255") << QStringList{"sysinfo mac 01-02-03-04-05-06", "set 10100 4660"}
                                            << "lineEditMAC" << "34-02-03-04-05-06";
    QTest::newRow("serial") << QStringList{"sysinfo serial ABCDEFGHIJKLMnopqrstuvwxy"} << "lineEditSerialNum"
                            << "ABCDEFGHIJKLM-nopqrstuvwxy";
    QTest::newRow("coefficient") << QStringList{"sysinfo coef 12345"} << "lineEditMVcoef1" << "1.2345";
}

void tst_TestMaintain::systemInfo()
{
    QFETCH(QStringList, commands);
    QFETCH(QString, field);
    QFETCH(QString, shown);

    for (const QString &command : commands)
        QVERIFY2(m_sim.command(command), qPrintable(m_sim.lastAnswer()));
    tick();
    QCOMPARE(child<QLineEdit>(field)->text(), shown);
}

void tst_TestMaintain::forcedEntryRewritesAll()
{
    const QStringList names{"lineEditSoftware", "lineEditCompileData", "lineEditSerialNum",
                            "lineEditMAC",      "lineEdit_BTMAC",      "lineEditMVcoef1"};
    QStringList shown;
    for (const QString &name : names) {
        shown << child<QLineEdit>(name)->text();
        child<QLineEdit>(name)->setText(QStringLiteral("x"));
    }
    tick();
    for (const QString &name : names)
        QCOMPARE(child<QLineEdit>(name)->text(), QStringLiteral("x"));
    // Entering the page again while it is shown forces every field.
    m_window->showPage(PageTestMaintain);
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(child<QLineEdit>(names.at(i))->text(), shown.at(i));
}

void tst_TestMaintain::bannerFollowsSystemSwitch()
{
    auto *banner = child<QWidget>(QStringLiteral("widget_top"));
    QVERIFY(banner->isHidden());
    QVERIFY(m_sim.command(QStringLiteral("set 10209 0")));
    tick();
    QVERIFY(!banner->isHidden());
    QVERIFY(!child<QLabel>(QStringLiteral("label_RemoteTip"))->text().isEmpty());
    QVERIFY(m_sim.command(QStringLiteral("set 10209 1")));
    tick();
    QVERIFY(banner->isHidden());
}

void tst_TestMaintain::tipBoxClosesItself()
{
    BoxAnswerer answerer({"<wait>"});
    QCOMPARE(tipBox(QStringLiteral("Tip"), QStringLiteral("closing"), false), 0);
    QCOMPARE(answerer.seen, QStringList{"Tip: closing"});
}

QTEST_MAIN(tst_TestMaintain)
#include "tst_testmaintain.moc"
