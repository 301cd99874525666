#include "App/parameterbinding.h"
#include "Modbus/devicemirror.h"
#include "Modbus/linkstate.h"
#include "Modbus/registeraccess.h"

#include "editordriver.h"
#include "simprocess.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QModbusTcpClient>
#include <QPushButton>
#include <QTimer>
#include <QValidator>
#include <QVBoxLayout>
#include <QtTest>

#include <functional>
#include <memory>
#include <utility>

using namespace EditorDriver;

// The binding mechanism on a page of its own, against the simulator: which
// commits write, how often, what they write, and what an editor shows after a
// refused write.

namespace {

// The probe page binds to Basic Config registers, which the simulator stores
// as they come.
const QString ProbeNames[] = {
    QStringLiteral("ProbeEdit"),  QStringLiteral("ProbeBox"),   QStringLiteral("ProbeScaled"),
    QStringLiteral("ProbeFixed"), QStringLiteral("ProbeButton"),
};
const RegisterSpan ProbeSpans[] = {{100, 2}, {102, 2}, {112, 2}, {120, 2}, {116, 2}};
const BindingTable ProbeTable = makeBindingTable(ProbeNames, ProbeSpans);

const ScaledEditor ProbeScaled[] = {
    {"ProbeScaled", ScaledEditor::ScaleByDecimals},
    {"ProbeFixed", 3},
};

class ProbePage : public ParameterPage
{
public:
    explicit ProbePage(QWidget *parent = nullptr)
        : ParameterPage(parent)
    {
        auto *layout = new QVBoxLayout(this);
        banner = new QWidget(this);
        banner->setObjectName(QStringLiteral("widget_top"));
        tip = new QLabel(banner);
        tip->setObjectName(QStringLiteral("label_RemoteTip"));
        (new QHBoxLayout(banner))->addWidget(tip);
        layout->addWidget(banner);
        banner->hide();

        edit = addEdit(layout, "ProbeEdit");
        scaled = addEdit(layout, "ProbeScaled");
        fixed = addEdit(layout, "ProbeFixed");
        unbound = addEdit(layout, "ProbeUnbound");
        box = new QComboBox(this);
        box->setObjectName(QStringLiteral("ProbeBox"));
        box->addItems({QStringLiteral("zero"), QStringLiteral("one"), QStringLiteral("two")});
        layout->addWidget(box);
        button = new QPushButton(QStringLiteral("Go"), this);
        button->setObjectName(QStringLiteral("ProbeButton"));
        layout->addWidget(button);
        setupBinding(banner, tip, {button});
    }

    const BindingTable *bindingTable() const override { return hasTable ? &ProbeTable : nullptr; }
    ScaledList scaledList() const override { return makeScaledList(ProbeScaled); }
    void enterPage() override { refreshFromMirror(true); }
    void refreshFromMirror(bool force) override
    {
        refreshBanner(SwitchBasic, QStringLiteral("probe switch off"), force);
        showRows(ProbeTable, fields, shown, force);
    }

    bool hasTable = true;
    quint32 fields[5] = {};
    quint32 shown[5] = {};
    QWidget *banner;
    QLabel *tip;
    QLineEdit *edit;
    QLineEdit *scaled;
    QLineEdit *fixed;
    QLineEdit *unbound;
    QComboBox *box;
    QPushButton *button;

protected:
    void retranslate() override {}

private:
    QLineEdit *addEdit(QVBoxLayout *layout, const char *name)
    {
        auto *e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        layout->addWidget(e);
        return e;
    }
};

QStringList g_commitTraces;
QtMessageHandler g_previousHandler = nullptr;
// Run once at the next commit trace, that is between a commit's read and write.
std::function<void()> g_atCommitTrace;

void collectMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg && message.startsWith(QLatin1String("in "))) {
        g_commitTraces << message;
        if (g_atCommitTrace)
            QTimer::singleShot(0, std::exchange(g_atCommitTrace, nullptr));
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

} // namespace

class tst_ParameterBinding : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void scaledValueText_data();
    void scaledValueText();
    void validator_data();
    void validator();

    void commitWritesOnce_data();
    void commitWritesOnce();
    void sameValueShowsFocusInText();
    void lineEditWrites_data();
    void lineEditWrites();
    void refusedTextIsPutBack_data();
    void refusedTextIsPutBack();
    void loneMinusNeverCommits();
    void comboWritesChosenIndex_data();
    void comboWritesChosenIndex();
    void buttonWritesOne();
    void failedWriteReverts_data();
    void failedWriteReverts();
    void revertUsesOwnFocusInText();
    void wheelChangesNothing();
    void nothingWrittenWithoutRow_data();
    void nothingWrittenWithoutRow();
    void refreshNeverWrites();
    void banner_data();
    void banner();

private:
    SimProcess m_sim;
    QModbusTcpClient *m_client = nullptr;
    std::unique_ptr<ProbePage> m_page;
};

void tst_ParameterBinding::initTestCase()
{
    g_previousHandler = qInstallMessageHandler(collectMessages);
    QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));

    g_slaveId = 1;
    g_dwordFormat = 0;
    m_client = new QModbusTcpClient;
    m_client->setConnectionParameter(QModbusDevice::NetworkAddressParameter, QStringLiteral("127.0.0.1"));
    m_client->setConnectionParameter(QModbusDevice::NetworkPortParameter, m_sim.tcpPort());
    m_client->setTimeout(1000);
    m_client->setNumberOfRetries(0);
    setModbusClient(m_client);
    QVERIFY(m_client->connectDevice());
    QTRY_COMPARE(m_client->state(), QModbusDevice::ConnectedState);
}

void tst_ParameterBinding::cleanupTestCase()
{
    setModbusClient(nullptr);
    delete m_client;
    qInstallMessageHandler(g_previousHandler);
}

void tst_ParameterBinding::init()
{
    // The probe's registers: 100 = 10, 102 = 0, 112 = 999, 116 = 0, 120 = 999.
    g_atCommitTrace = nullptr;
    for (const char *command : {"fail off", "delay 0", "set 10200 1", "set 100 0", "set 101 10", "set 102 0", "set 103 0",
                                "set 112 0", "set 113 999", "set 116 0", "set 117 0", "set 120 0", "set 121 999",
                                "writes reset"})
        QVERIFY2(m_sim.command(QLatin1String(command)), qPrintable(m_sim.lastAnswer()));
    g_mirror = DeviceMirror();
    g_mirror.live.decimalPoint = 2;
    g_mirror.remoteSwitch[SwitchBasic] = 1;
    g_pageIndex = PageBasicConfig;
    g_savedValueText.clear();
    g_commitTraces.clear();

    m_page = std::make_unique<ProbePage>();
    m_page->show();
    QApplication::setActiveWindow(m_page.get());
    QVERIFY(QTest::qWaitForWindowActive(m_page.get()));
    // No editor holds the focus before the operator clicks one.
    m_page->tip->setFocus();
}

void tst_ParameterBinding::cleanup()
{
    m_page.reset();
}

void tst_ParameterBinding::scaledValueText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("exponent");
    QTest::addColumn<QString>("expected");

    QTest::newRow("1.5 x 100") << "1.5" << 2 << "150";
    // Six significant digits absorb the single-precision error (114.99999).
    QTest::newRow("1.15 x 100") << "1.15" << 2 << "115";
    QTest::newRow("7.9 x 1") << "7.9" << 0 << "7.9";
    QTest::newRow("-1.2345 mV") << "-1.2345" << 4 << "-12345";
    // From a million on the exact product, never an exponent form.
    QTest::newRow("12345.678 x 100") << "12345.678" << 2 << "1234567";
    QTest::newRow("rounds up to a million") << "999999.99" << 0 << "999999";
    const QString fiftyNines(50, QLatin1Char('9'));
    QTest::newRow("past the float range") << fiftyNines << 2 << fiftyNines + QStringLiteral("00");
    QTest::newRow("tiny") << "0.00001" << 0 << "0";
}

void tst_ParameterBinding::scaledValueText()
{
    QFETCH(QString, typed);
    QFETCH(int, exponent);
    QFETCH(QString, expected);
    QCOMPARE(::scaledValueText(typed, exponent), expected);
}

void tst_ParameterBinding::validator_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("state");

    QTest::newRow("-1.") << "-1." << int(QValidator::Acceptable);
    QTest::newRow("lone minus") << "-" << int(QValidator::Intermediate);
    QTest::newRow("leading point") << ".5" << int(QValidator::Invalid);
    QTest::newRow("exponent") << "1e5" << int(QValidator::Invalid);
}

void tst_ParameterBinding::validator()
{
    QFETCH(QString, text);
    QFETCH(int, state);
    for (QLineEdit *edit : m_page->findChildren<QLineEdit *>()) {
        QVERIFY2(edit->validator(), qPrintable(edit->objectName()));
        int pos = text.size();
        QCOMPARE(int(edit->validator()->validate(text, pos)), state);
    }
}

void tst_ParameterBinding::commitWritesOnce_data()
{
    QTest::addColumn<bool>("byReturn");
    QTest::newRow("Return") << true;
    QTest::newRow("leaving the field") << false;
}

void tst_ParameterBinding::commitWritesOnce()
{
    QFETCH(bool, byReturn);
    replaceText(m_page->edit, QStringLiteral("42"));
    QCOMPARE(simWrites(m_sim), 0);
    if (byReturn)
        QTest::keyClick(m_page->edit, Qt::Key_Return);
    else
        QTest::mouseClick(m_page->fixed, Qt::LeftButton);
    QCOMPARE(simWrites(m_sim), 1);
    QCOMPARE(registers(m_sim, 100), QStringLiteral("0 42"));
    QCOMPARE(g_commitTraces.size(), 1);
    QVERIFY2(g_commitTraces.first().startsWith(QLatin1String("in \"ProbeEdit\" 100 2 sendVal 42 readVal 10")),
             qPrintable(g_commitTraces.first()));
    // Return moves the focus away; a click leaves it where the operator clicked.
    QCOMPARE(QApplication::focusWidget(), byReturn ? static_cast<QWidget *>(m_page->tip) : m_page->fixed);
    // Neither that focus move nor a later click elsewhere writes again.
    QTest::mouseClick(m_page->unbound, Qt::LeftButton);
    QCOMPARE(simWrites(m_sim), 1);
    QCOMPARE(m_page->edit->text(), QStringLiteral("42"));
}

void tst_ParameterBinding::sameValueShowsFocusInText()
{
    QVERIFY(m_sim.command(QStringLiteral("set 101 12")));
    m_page->edit->setText(QStringLiteral("12"));
    // Entered and left unchanged: written once, the text stays.
    QTest::mouseClick(m_page->edit, Qt::LeftButton);
    QCOMPARE(g_savedValueText, QStringLiteral("12"));
    QTest::keyClick(m_page->edit, Qt::Key_Return);
    QCOMPARE(simWrites(m_sim), 1);
    QCOMPARE(m_page->edit->text(), QStringLiteral("12"));
    // A text that comes to the value the device holds shows the focus-in text again.
    commitText(m_page->edit, QStringLiteral("12.9"));
    QCOMPARE(simWrites(m_sim), 2);
    QCOMPARE(m_page->edit->text(), QStringLiteral("12"));
}

void tst_ParameterBinding::lineEditWrites_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("registers");

    QTest::newRow("12.7 -> 12") << "ProbeEdit" << 2 << "12.7" << 100 << "0 12";
    QTest::newRow("-0.5 -> 0") << "ProbeEdit" << 2 << "-0.5" << 100 << "0 0";
    // -3 -> 0xFFFF 0xFFFD (AB-CD)
    QTest::newRow("-3.9 -> -3") << "ProbeEdit" << 2 << "-3.9" << 100 << "65535 65533";
    QTest::newRow("-2^31") << "ProbeEdit" << 2 << "-2147483648" << 100 << "32768 0";
    QTest::newRow("1.5 at d=2 -> 150") << "ProbeScaled" << 2 << "1.5" << 112 << "0 150";
    QTest::newRow("7.9 at d=0 -> 7") << "ProbeScaled" << 0 << "7.9" << 112 << "0 7";
    // 1234567 -> 0x0012 0xD687
    QTest::newRow("12345.678 at d=2") << "ProbeScaled" << 2 << "12345.678" << 112 << "18 54919";
    QTest::newRow("2.5 x 1000 -> 2500") << "ProbeFixed" << 4 << "2.5" << 120 << "0 2500";
}

void tst_ParameterBinding::lineEditWrites()
{
    QFETCH(QString, editor);
    QFETCH(int, decimals);
    QFETCH(QString, typed);
    QFETCH(int, address);
    QFETCH(QString, registers);

    g_mirror.live.decimalPoint = quint32(decimals);
    auto *edit = m_page->findChild<QLineEdit *>(editor);
    commitText(edit, typed);
    QCOMPARE(simWrites(m_sim), 1);
    QCOMPARE(EditorDriver::registers(m_sim, address), registers);
    // The text stays as typed until a refresh shows the device's value.
    QCOMPARE(edit->text(), typed);
}

void tst_ParameterBinding::refusedTextIsPutBack_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("typed");

    QTest::newRow("unscaled 2^31") << "ProbeEdit" << "2147483648";
    QTest::newRow("unscaled -2^31 - 1") << "ProbeEdit" << "-2147483649";
    QTest::newRow("scaled past 2^31") << "ProbeScaled" << "21474837";
    QTest::newRow("empty") << "ProbeEdit" << "";
}

void tst_ParameterBinding::refusedTextIsPutBack()
{
    QFETCH(QString, editor);
    QFETCH(QString, typed);
    auto *edit = m_page->findChild<QLineEdit *>(editor);
    edit->setText(QStringLiteral("5"));
    commitText(edit, typed);
    QCOMPARE(simWrites(m_sim), 0);
    QCOMPARE(edit->text(), QStringLiteral("5"));
    QVERIFY(!edit->hasFocus());
}

void tst_ParameterBinding::loneMinusNeverCommits()
{
    commitText(m_page->edit, QStringLiteral("-"));
    QTest::mouseClick(m_page->unbound, Qt::LeftButton);
    QCOMPARE(m_page->edit->text(), QStringLiteral("-"));
    QCOMPARE(simWrites(m_sim), 0);
    QVERIFY(g_commitTraces.isEmpty());
}

void tst_ParameterBinding::comboWritesChosenIndex_data()
{
    QTest::addColumn<int>("shown");
    QTest::addColumn<int>("chosen");

    QTest::newRow("another item") << 0 << 2;
    QTest::newRow("the item already shown") << 1 << 1;
}

void tst_ParameterBinding::comboWritesChosenIndex()
{
    QFETCH(int, shown);
    QFETCH(int, chosen);
    m_page->box->setCurrentIndex(shown);
    choose(m_page->box, chosen);
    QTRY_COMPARE(simWrites(m_sim), 1);
    QCOMPARE(registers(m_sim, 102), QStringLiteral("0 %1").arg(chosen));
    QCOMPARE(m_page->box->currentIndex(), chosen);
}

void tst_ParameterBinding::buttonWritesOne()
{
    // The button writes to its own register even when it never takes the focus.
    m_page->button->setFocusPolicy(Qt::NoFocus);
    m_page->edit->setFocus();
    QTest::mouseClick(m_page->button, Qt::LeftButton);
    QCOMPARE(simWrites(m_sim), 1);
    QCOMPARE(registers(m_sim, 116), QStringLiteral("0 1"));
    QCOMPARE(registers(m_sim, 100), QStringLiteral("0 10"));
}

void tst_ParameterBinding::failedWriteReverts_data()
{
    QTest::addColumn<QString>("fault");

    QTest::newRow("exception 4") << "fail %1 4";
    // The simulator answers exception 1 while the switch is off.
    QTest::newRow("remote editing switch off") << "set 10200 0";
}

void tst_ParameterBinding::failedWriteReverts()
{
    QFETCH(QString, fault);

    m_page->box->setCurrentIndex(1);
    m_page->edit->setText(QStringLiteral("10"));
    const auto faultAt = [&fault](int address) {
        return fault.contains(QLatin1String("%1")) ? fault.arg(address) : fault;
    };
    QVERIFY(m_sim.command(faultAt(102)));
    choose(m_page->box, 2);
    QTRY_COMPARE(simWrites(m_sim), 1);
    // Back to the index it had before the pop-up opened.
    QCOMPARE(m_page->box->currentIndex(), 1);

    QVERIFY(m_sim.command(QStringLiteral("fail off")));
    QVERIFY(m_sim.command(faultAt(100)));
    commitText(m_page->edit, QStringLiteral("55"));
    QCOMPARE(simWrites(m_sim), 2);
    QCOMPARE(m_page->edit->text(), QStringLiteral("10"));
    QCOMPARE(registers(m_sim, 100), QStringLiteral("0 10"));
}

void tst_ParameterBinding::revertUsesOwnFocusInText()
{
    m_page->edit->setText(QStringLiteral("10"));
    m_page->fixed->setText(QStringLiteral("999"));
    QVERIFY(m_sim.command(QStringLiteral("fail 100 4")));
    QVERIFY(m_sim.command(QStringLiteral("delay 100")));
    // While the refused write is on its way, the operator clicks into another field.
    g_atCommitTrace = [this] { QTest::mouseClick(m_page->fixed, Qt::LeftButton); };
    commitText(m_page->edit, QStringLiteral("55"));
    QVERIFY(m_sim.command(QStringLiteral("delay 0")));
    QVERIFY(!g_atCommitTrace);
    QCOMPARE(g_savedValueText, QStringLiteral("999"));
    QCOMPARE(m_page->edit->text(), QStringLiteral("10"));
    QCOMPARE(m_page->fixed->text(), QStringLiteral("999"));
    QVERIFY(m_page->fixed->hasFocus());
    QCOMPARE(simWrites(m_sim), 1);
}

void tst_ParameterBinding::wheelChangesNothing()
{
    m_page->box->setCurrentIndex(1);
    m_page->edit->setText(QStringLiteral("3"));
    for (QWidget *widget : {static_cast<QWidget *>(m_page->box), static_cast<QWidget *>(m_page->edit)}) {
        widget->setFocus();
        for (int delta : {120, -120, -240}) {
            QWheelEvent wheel(QPointF(5, 5), QPointF(widget->mapToGlobal(QPoint(5, 5))), QPoint(), QPoint(0, delta),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(widget, &wheel);
        }
    }
    QCOMPARE(m_page->box->currentIndex(), 1);
    QCOMPARE(m_page->edit->text(), QStringLiteral("3"));
    QCOMPARE(simWrites(m_sim), 0);
}

void tst_ParameterBinding::nothingWrittenWithoutRow_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<bool>("hasTable");

    QTest::newRow("editor in no row") << "ProbeUnbound" << true;
    QTest::newRow("combo, no table") << "ProbeBox" << false;
}

void tst_ParameterBinding::nothingWrittenWithoutRow()
{
    QFETCH(QString, editor);
    QFETCH(bool, hasTable);
    m_page->hasTable = hasTable;

    if (auto *edit = m_page->findChild<QLineEdit *>(editor)) {
        commitText(edit, QStringLiteral("77"));
        // Nothing is put back either: the text stays until a refresh.
        QCOMPARE(edit->text(), QStringLiteral("77"));
    } else {
        choose(m_page->box, 2);
        QTRY_COMPARE(m_page->box->currentIndex(), 2);
    }
    QCOMPARE(simWrites(m_sim), 0);
    QVERIFY(g_commitTraces.isEmpty());
    // A combo box's pop-up list is never written, whatever the table says.
    m_page->hasTable = true;
    QCOMPARE(m_page->sendEditorValue(m_page->box->view(), QStringLiteral("1")), CommitResult::NotBound);
    QCOMPARE(simWrites(m_sim), 0);
}

void tst_ParameterBinding::refreshNeverWrites()
{
    m_page->fields[0] = 4294967295u;
    m_page->fields[1] = 2;
    m_page->refreshFromMirror(false);
    QCOMPARE(m_page->edit->text(), QStringLiteral("4294967295"));
    QCOMPARE(m_page->box->currentIndex(), 2);
    // Scaled fields are the page's own business.
    QCOMPARE(m_page->scaled->text(), QString());

    m_page->edit->setText(QStringLiteral("x"));
    m_page->refreshFromMirror(false);
    QCOMPARE(m_page->edit->text(), QStringLiteral("x")); // unchanged field: not rewritten
    m_page->refreshFromMirror(true);
    QCOMPARE(m_page->edit->text(), QStringLiteral("4294967295"));
    QCOMPARE(simWrites(m_sim), 0);
}

void tst_ParameterBinding::banner_data()
{
    QTest::addColumn<int>("lastSeen");
    QTest::addColumn<int>("now");
    QTest::addColumn<bool>("force");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QString>("text");

    QTest::newRow("switched off") << 1 << 0 << false << true << "probe switch off";
    QTest::newRow("switched on") << 0 << 1 << false << false << "";
    QTest::newRow("unchanged off, not forced") << 0 << 0 << false << false << "old";
    QTest::newRow("unchanged off, forced") << 0 << 0 << true << true << "probe switch off";
}

void tst_ParameterBinding::banner()
{
    QFETCH(int, lastSeen);
    QFETCH(int, now);
    QFETCH(bool, force);
    QFETCH(bool, shown);
    QFETCH(QString, text);

    g_shownRemoteSwitch[SwitchBasic] = quint16(lastSeen);
    g_mirror.remoteSwitch[SwitchBasic] = quint16(now);
    m_page->banner->hide();
    m_page->tip->setText(QStringLiteral("old"));
    m_page->refreshFromMirror(force);
    QCOMPARE(m_page->banner->isVisible(), shown);
    QCOMPARE(m_page->tip->text(), text);
    QCOMPARE(g_shownRemoteSwitch[SwitchBasic], quint16(now));
    // The banner only informs: the editors stay enabled.
    QVERIFY(m_page->edit->isEnabled() && m_page->box->isEnabled());
}

QTEST_MAIN(tst_ParameterBinding)
#include "tst_parameterbinding.moc"
