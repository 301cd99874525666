#include "App/parameterbinding.h"
#include "Modbus/registeraccess.h"
#include "editordriver.h"

#include <QLabel>
#include <QModbusTcpClient>
#include <memory>

using namespace EditorDriver;
// The binding mechanism on a page of its own, against the simulator's Basic Config registers.
namespace {
const QString ProbeNames[] = {QStringLiteral("ProbeEdit"), QStringLiteral("ProbeBox"), QStringLiteral("ProbeScaled"),
                              QStringLiteral("ProbeFixed"), QStringLiteral("ProbeButton")};
const RegisterSpan ProbeSpans[] = {{100, 2}, {102, 2}, {112, 2}, {120, 2}, {116, 2}};
const BindingTable ProbeTable = makeBindingTable(ProbeNames, ProbeSpans);
const ScaledEditor ProbeScaled[] = {{"ProbeScaled", ScaledEditor::ScaleByDecimals}};
// The editors lie on top of each other: the test sends its events to each directly.
class ProbePage : public ParameterPage
{
public:
    ProbePage() : ParameterPage(nullptr)
    {
        banner->hide();
        box->addItems({QStringLiteral("zero"), QStringLiteral("one"), QStringLiteral("two")});
        setupBinding(banner, tip, {button});
    }
    const BindingTable *bindingTable() const override { return hasTable ? &ProbeTable : nullptr; }
    ScaledList scaledList() const override { return makeScaledList(ProbeScaled); }
    void enterPage() override { refreshFromMirror(true); }
    bool shownBlocksRead() const override { return true; }
    void refreshFromMirror(bool force) override
    {
        refreshBanner(SwitchBasic, QStringLiteral("probe switch off"), force);
        showRows(ProbeTable, fields, shown, force);
    }
    template <typename T> T *add(QWidget *p, const char *name) { T *w = new T(p); w->setObjectName(name); return w; }
    bool hasTable = true;
    quint32 fields[5] = {}, shown[5] = {};
    QWidget *banner = add<QWidget>(this, "widget_top");
    QLabel *tip = add<QLabel>(banner, "label_RemoteTip");
    QLineEdit *edit = add<QLineEdit>(this, "ProbeEdit"), *scaled = add<QLineEdit>(this, "ProbeScaled");
    QLineEdit *fixed = add<QLineEdit>(this, "ProbeFixed"), *unbound = add<QLineEdit>(this, "ProbeUnbound");
    QComboBox *box = add<QComboBox>(this, "ProbeBox");
    QPushButton *button = add<QPushButton>(this, "ProbeButton");
    void retranslate() override {}
};
} // namespace

class tst_ParameterBinding : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));
        g_slaveId = 1, g_dwordFormat = 0;
        m_client.setConnectionParameter(QModbusDevice::NetworkAddressParameter, QStringLiteral("127.0.0.1"));
        m_client.setConnectionParameter(QModbusDevice::NetworkPortParameter, m_sim.tcpPort());
        m_client.setTimeout(1000), m_client.setNumberOfRetries(0);
        setModbusClient(&m_client);
        QVERIFY(m_client.connectDevice());
        QTRY_COMPARE(m_client.state(), QModbusDevice::ConnectedState);
    }
    void cleanupTestCase() { setModbusClient(nullptr); }
    void init()
    {
        // The probe's registers: 100 = 10, 102 = 0, 112 = 999, 116 = 0.
        for (const char *command : {"fail off", "delay 0", "set 10200 1", "writes reset", "set 100 0", "set 101 10",
                                    "set 102 0", "set 103 0", "set 112 0", "set 113 999", "set 116 0", "set 117 0"})
            QVERIFY2(m_sim.command(QLatin1String(command)), qPrintable(m_sim.lastAnswer()));
        g_mirror = DeviceMirror(), g_mirror.live.decimalPoint = 2;
        g_savedValueText.clear();
        m_page = std::make_unique<ProbePage>();
        m_page->show();
        QApplication::setActiveWindow(m_page.get());
        QVERIFY(QTest::qWaitForWindowActive(m_page.get()));
        m_page->tip->setFocus(); // no editor holds the focus before the operator clicks one
    }
    void cleanup() { m_page.reset(); }
    // Typed into a line edit showing "5" with Return, or chosen in the combo showing item 1: what is written
    // (signed, cut, scaled, never in exponent form), what shows after a refused or failed write or an unchanged value.
    void commit_data()
    {
        QTest::addColumn<QString>("editor");
        QTest::addColumn<QString>("before"); // a simulator command
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("writes");
        QTest::addColumn<QString>("registers");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("notice"); // in the status bar: what was not written, and why
        const QString none, unfit = QStringLiteral(": %1 does not fit the parameter; nothing was sent."),
                            refused = QStringLiteral(" not written: The device refused it: exception 4 (server device "
                                                     "failure).");
        QTest::newRow("-3.9 -> -3") << "ProbeEdit" << "" << "-3.9" << 1 << "65535 65533" << "-3.9" << none;
        QTest::newRow("-2^31") << "ProbeEdit" << "" << "-2147483648" << 1 << "32768 0" << "-2147483648"
                      << none;
        QTest::newRow("12345.678 at d=2") << "ProbeScaled" << "" << "12345.678" << 1 << "18 54919" << "12345.678"
                      << none;
        QTest::newRow("999999.99 at d=2") << "ProbeScaled" << "" << "999999.99" << 1 << "1525 57599" << "999999.99"
                      << none;
        QTest::newRow("0.00001 at d=2") << "ProbeScaled" << "" << "0.00001" << 1 << "0 0" << "0.00001"
                      << none;
        QTest::newRow("held 150, 1.5 at d=2") << "ProbeScaled" << "set 113 150" << "1.5" << 1 << "0 150" << "1.50"
                      << none;
        QTest::newRow("2^31") << "ProbeEdit" << "" << "2147483648" << 0 << "0 10" << "5"
                      << "ProbeEdit" + unfit.arg("2147483648");
        QTest::newRow("scaled past 2^31") << "ProbeScaled" << "" << "21474837" << 0 << "0 999" << "5"
                      << "ProbeScaled" + unfit.arg("21474837");
        QTest::newRow("empty") << "ProbeEdit" << "" << "" << 0 << "0 10" << "5" << none;
        QTest::newRow("lone minus") << "ProbeEdit" << "" << "-" << 0 << "0 10" << "-" << none;
        QTest::newRow("exception 4") << "ProbeEdit" << "fail 100 4" << "55" << 1 << "0 10" << "5"
                      << "ProbeEdit" + refused;
        QTest::newRow("another item") << "ProbeBox" << "" << "2" << 1 << "0 2" << "two" << none;
        QTest::newRow("the item shown") << "ProbeBox" << "" << "1" << 1 << "0 1" << "one" << none;
        QTest::newRow("item, exception 4") << "ProbeBox" << "fail 102 4" << "2" << 1 << "0 0" << "one"
                      << "ProbeBox" + refused;
    }
    void commit()
    {
        QFETCH(QString, editor);
        QFETCH(QString, before);
        QFETCH(QString, typed);
        QFETCH(int, writes);
        QFETCH(QString, registers);
        QFETCH(QString, shown);
        QFETCH(QString, notice);
        QVERIFY(before.isEmpty() || m_sim.command(before));
        QSignalSpy notices(m_page.get(), &ParameterPage::noticeRaised);
        auto *edit = m_page->findChild<QLineEdit *>(editor);
        if (edit) {
            edit->setText(QStringLiteral("5"));
            commitText(edit, typed);
            QCOMPARE(edit->hasFocus(), typed == QLatin1String("-")); // a lone minus neither commits nor leaves
        } else {
            m_page->box->setCurrentIndex(1);
            choose(m_page->box, typed.toInt());
        }
        QTest::mouseClick(m_page->unbound, Qt::LeftButton);
        QCOMPARE(simWrites(m_sim), writes);
        QCOMPARE(EditorDriver::registers(m_sim, int(ProbeTable.spans[ProbeTable.rowOf(editor)].address)), registers);
        QCOMPARE(edit ? edit->text() : m_page->box->currentText(), shown);
        QCOMPARE(notices.count(), notice.isEmpty() ? 0 : 1);
        QCOMPARE(notices.value(0).value(0).toString(), notice.isEmpty() ? QString() : notice);
    }
    // What the operator types outlives refreshes until Return commits it or Escape abandons it for the
    // device's present value; after either the refreshes show the device again.
    void typingOutlivesRefresh_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("shown");     // right after the key
        QTest::addColumn<QString>("registers"); // 100-101 after the focus left the field
        QTest::newRow("Return writes the typed 77") << int(Qt::Key_Return) << "77" << "0 77";
        QTest::newRow("Escape shows the device's 16") << int(Qt::Key_Escape) << "16" << "0 10";
    }
    void typingOutlivesRefresh()
    {
        QFETCH(int, key);
        QFETCH(QString, shown);
        QFETCH(QString, registers);
        m_page->fields[0] = 10;
        m_page->refreshFromMirror(true);
        replaceText(m_page->edit, QStringLiteral("77"));
        m_page->fields[0] = 16; // another master changed the value meanwhile
        m_page->refreshFromMirror(false);
        m_page->refreshFromMirror(false);
        QCOMPARE(m_page->edit->text(), QStringLiteral("77"));
        QTest::keyClick(m_page->edit, Qt::Key(key));
        QCOMPARE(m_page->edit->text(), shown);
        QTest::mouseClick(m_page->unbound, Qt::LeftButton);
        QCOMPARE(EditorDriver::registers(m_sim, 100), registers);
        QCOMPARE(simWrites(m_sim), key == Qt::Key_Return ? 1 : 0);
        m_page->fields[0] = 33;
        m_page->refreshFromMirror(false);
        QCOMPARE(m_page->edit->text(), QStringLiteral("33"));
    }
    // Leaving the field commits once, the focus staying put; the button writes though it never takes the focus.
    void leavingTheFieldWritesOnce()
    {
        replaceText(m_page->edit, QStringLiteral("42"));
        QCOMPARE(simWrites(m_sim), 0);
        QTest::mouseClick(m_page->fixed, Qt::LeftButton);
        QCOMPARE(registers(m_sim, 100), QStringLiteral("0 42"));
        QCOMPARE(QApplication::focusWidget(), m_page->fixed);
        QTest::mouseClick(m_page->unbound, Qt::LeftButton);
        QCOMPARE(simWrites(m_sim), 1);
        m_page->button->setFocusPolicy(Qt::NoFocus);
        QTest::mouseClick(m_page->button, Qt::LeftButton);
        QCOMPARE(simWrites(m_sim), 2);
        QCOMPARE(registers(m_sim, 116), QStringLiteral("0 1"));
    }
    // A failed write puts back the editor's own focus-in text, though another took the focus meanwhile.
    void revertUsesOwnFocusInText()
    {
        m_page->edit->setText(QStringLiteral("10"));
        QVERIFY(m_sim.command(QStringLiteral("fail 100 4")) && m_sim.command(QStringLiteral("delay 100")));
        replaceText(m_page->edit, QStringLiteral("55"));
        bool clicked = false; // the operator clicks into another field while the refused write is on its way
        QTimer::singleShot(0, [&] { QTest::mouseClick(m_page->fixed, Qt::LeftButton), clicked = true; });
        QTest::keyClick(m_page->edit, Qt::Key_Return);
        QVERIFY(clicked && m_page->fixed->hasFocus());
        QCOMPARE(m_page->edit->text(), QStringLiteral("10"));
        QCOMPARE(simWrites(m_sim), 1);
    }
    // Scrolling over a combo box changes nothing; an editor in no row, a page without a table write nothing; a
    // refresh shows fields unsigned, only the changed ones unless forced, and never writes.
    void nothingWritten()
    {
        m_page->box->setCurrentIndex(1);
        m_page->box->setFocus();
        QWheelEvent wheel(QPointF(5, 5), QPointF(m_page->box->mapToGlobal(QPoint(5, 5))), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_page->box, &wheel);
        QCOMPARE(m_page->box->currentIndex(), 1);
        commitText(m_page->unbound, QStringLiteral("77"));
        QCOMPARE(m_page->unbound->text(), QStringLiteral("77")); // nothing put back either
        m_page->hasTable = false;
        choose(m_page->box, 2);
        QCOMPARE(m_page->box->currentIndex(), 2);
        m_page->fields[0] = 4294967295u;
        m_page->fields[1] = 1;
        m_page->refreshFromMirror(false);
        QCOMPARE(m_page->box->currentIndex(), 1);
        m_page->edit->setText(QStringLiteral("x"));
        m_page->refreshFromMirror(false);
        QCOMPARE(m_page->edit->text(), QStringLiteral("x"));
        m_page->refreshFromMirror(true);
        QCOMPARE(m_page->edit->text(), QStringLiteral("4294967295"));
        // The banner follows the switch when it changed since last seen, or when forced; it only informs.
        for (const auto &row : {QVector<int>{1, 0, 0, 1}, {0, 1, 0, 0}, {0, 0, 0, 0}, {0, 0, 1, 1}}) {
            g_shownRemoteSwitch[SwitchBasic] = quint16(row[0]);
            g_mirror.remoteSwitch[SwitchBasic] = quint16(row[1]); // rows: last seen, now, forced, shown
            m_page->banner->hide();
            m_page->tip->setText(QStringLiteral("old"));
            m_page->refreshFromMirror(row[2]);
            QCOMPARE(m_page->banner->isVisible(), bool(row[3]));
            QCOMPARE(m_page->tip->text(), QString::fromLatin1(row[3] ? "probe switch off" : row[1] ? "" : "old"));
            QCOMPARE(g_shownRemoteSwitch[SwitchBasic], quint16(row[1]));
        }
        QVERIFY(m_page->edit->isEnabled() && m_page->box->isEnabled());
        QCOMPARE(simWrites(m_sim), 0);
    }
private:
    SimProcess m_sim;
    QModbusTcpClient m_client;
    std::unique_ptr<ProbePage> m_page;
};

QTEST_MAIN(tst_ParameterBinding)
#include "tst_parameterbinding.moc"
