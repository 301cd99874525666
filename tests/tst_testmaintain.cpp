#include "App/parameterbinding.h"
#include "editordriver.h"
#include "testsupport.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QTabWidget>

using namespace EditorDriver;

static const QString Buttons[] = {"Btn_ResetALL", "Btn_ResetPartial", "Btn_ResetCAL", "Btn_Resetbasic",
                                  "Btn_ResetIO", "Btn_Resetanalog", "Btn_ResetAPP", "Btn_ResetData_trans"};
static const QString Password = QStringLiteral("739204"), Done = QStringLiteral("Tip: Reset Successful!"),
                     Failed = QStringLiteral("Tip: Reset Failed!");
// The Test Maintain page in the connected main window, against the simulator.
class tst_TestMaintain : public QObject
{
    Q_OBJECT
    template <typename T> T *child(const QString &name) const { return testMaintainOf(m_window)->findChild<T *>(name); }
    // Presses the reset button and answers the boxes as they open: a text for the password, "<ok>", "<cancel>"
    // (also when none is left), "<enter>" (the key), "<late>" (OK after 1.5 s, unless the box closed itself) or
    // "<settled>" (OK once the box no longer ends "..."). Returns them as "title: text" (password: title); the
    // boxes' details are in m_details, "stayed" for a box still open after 1.5 s.
    QStringList reset(const QString &button, QStringList answers)
    {
        child<QTabWidget>(QStringLiteral("tabWidget"))->setCurrentIndex(1);
        QStringList seen;
        m_details.clear();
        QPointer<QDialog> current;
        QPointer<QMessageBox> settling;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (settling && !settling->informativeText().endsWith(QLatin1String("..."))) {
                m_details << settling->informativeText();
                settling->button(QMessageBox::Ok)->click();
            }
            auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!box || box == current)
                return;
            current = box;
            const QString answer = answers.isEmpty() ? QStringLiteral("<cancel>") : answers.takeFirst();
            auto *message = qobject_cast<QMessageBox *>(box);
            seen << (message ? box->windowTitle() + QLatin1String(": ") + message->text() : box->windowTitle());
            if (message && answer != QLatin1String("<settled>"))
                m_details << message->informativeText();
            if (auto *input = qobject_cast<QInputDialog *>(box))
                input->setTextValue(answer);
            if (answer == QLatin1String("<enter>"))
                QTest::keyClick(box, Qt::Key_Return);
            else if (answer == QLatin1String("<cancel>"))
                box->reject();
            else if (answer == QLatin1String("<settled>"))
                settling = message;
            else if (answer == QLatin1String("<late>"))
                QTimer::singleShot(1500, message, [this, message] {
                    m_details << QStringLiteral("stayed");
                    message->button(QMessageBox::Ok)->click();
                });
            else
                message ? message->button(QMessageBox::Ok)->click() : box->accept();
        });
        poll.start(5);
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
        return seen;
    }
private slots:
    void cleanupTestCase() { delete m_window; }
    void initTestCase()
    {
        TestSupport::installMessageCollector(TestSupport::PassAllButDebugAndSizeHints);
        qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
        QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));
        m_window = new MainWindow;
        m_window->show();
        QApplication::setActiveWindow(m_window);
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        QVERIFY(connectForManualTicks(m_window, m_sim));
    }
    void init()
    {
        for (const char *command : {"set 10209 1", "noreply off", "swallow off", "silentreset off"})
            QVERIFY(m_sim.command(QLatin1String(command)));
        g_cpTextReset = false;
        g_commError = false;
        m_window->showPage(PageMainInterface); // a fresh visit of the page: the password is asked again
        m_window->showPage(PageTestMaintain);
        m_window->onTick();
        QVERIFY(child<QWidget>(QStringLiteral("widget_top"))->isHidden()); // the system switch's banner
        QVERIFY(m_sim.command(QStringLiteral("writes reset")));
    }
    void password_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("boxes");
        const QString confirm = QStringLiteral("Reset Basic: Confirm?");
        const QStringList accepted{"Password", confirm, Done}, refused{"Password", "Tip: Password Failed!"};
        QTest::newRow("code, CR LF") << QStringList{Password + "\r\n", "<ok>", "<ok>"} << accepted;
        QTest::newRow("code, LF only") << QStringList{Password + "\n", "<ok>"} << refused;
        QTest::newRow("OK on empty field") << QStringList{"", "<ok>"} << refused;
        QTest::newRow("password cancelled") << QStringList{"<cancel>"} << QStringList{"Password"};
        QTest::newRow("Enter: Cancel, the default") << QStringList{Password, "<enter>"} << QStringList{"Password", confirm};
    }
    void password()
    {
        QFETCH(QStringList, answers);
        QFETCH(QStringList, boxes);
        QCOMPARE(reset(QStringLiteral("Btn_Resetbasic"), answers), boxes);
        QCOMPARE(lastWrite(m_sim), boxes.contains(Done) ? QStringLiteral("8903 1 1") : QStringLiteral("none"));
        const QString unlocked = boxes.value(1).endsWith(QLatin1String("Confirm?")) ? boxes.value(1) : "Password";
        QCOMPARE(reset(QStringLiteral("Btn_Resetbasic"), {"<cancel>"}).value(0), unlocked); // for this visit
    }
    void resets_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("fault");   // simulator command(s) before the reset, separated by ';'
        QTest::addColumn<QString>("box");     // "title: text" of the outcome box
        QTest::addColumn<QString>("details"); // what the box adds
        QTest::addColumn<int>("writes");      // that reached the device
        const char *const titles[] = {"Reset All", "Reset Partial", "Reset CAL", "Reset Basic", "Reset I/O",
                                      "Reset Analog", "Reset Application", "Reset Data-Trans"};
        const QString refused = QStringLiteral("The device refused it: exception 1 (illegal function)."),
                      advice = QStringLiteral("The device may be restarting, or may now use other link settings. "
                                              "Reconnect and check the values.\n\n"),
                      back = advice + QStringLiteral("The device answers again."),
                      gone = advice + QStringLiteral("The device has not answered again within 4 s.");
        for (int i = 0; i < 8; ++i) {
            const bool mayDropLink = i <= 1 || i == 7; // all, partial, data-trans
            const QString unanswered = QString::fromLatin1(titles[i]) + QStringLiteral(": Reset sent, no answer");
            auto row = [&](const char *name) -> QTestData & {
                return QTest::addRow("%s %s", qPrintable(Buttons[i]), name) << Buttons[i];
            };
            row("answered") << "" << Done << "" << 1;
            row("refused") << "set 10209 0" << Failed << refused << 1;
            row("not connected") << "<unlinked>" << Failed << "Not connected to the device." << 0;
            if (mayDropLink) {
                row("frozen device") << "noreply on" << unanswered << gone << 1;
                row("dead line") << "swallow on" << unanswered << gone << 0;
                row("restarting device") << "silentreset on" << unanswered << back << 1;
            } else {
                row("frozen device") << "noreply on" << Failed << "No answer from the device." << 1;
            }
        }
        // The outcome is the device's answer, whatever the last poll said.
        QTest::newRow("answered after a failed poll") << "Btn_ResetALL" << "<commerror>" << Done << "" << 1;
    }
    void resets()
    {
        QFETCH(QString, button);
        QFETCH(QString, fault);
        QFETCH(QString, box);
        QFETCH(QString, details);
        QFETCH(int, writes);
        QCOMPARE(reset(button, {Password, "<cancel>"}).value(0), QStringLiteral("Password")); // unlocked
        QModbusClient *client = modbusClient();
        for (const QString &command : fault.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            if (command == QLatin1String("<unlinked>"))
                setModbusClient(nullptr);
            else if (command == QLatin1String("<commerror>"))
                g_commError = true;
            else
                QVERIFY2(m_sim.command(command), qPrintable(m_sim.lastAnswer()));
        }
        const bool unanswered = box.endsWith(QLatin1String("no answer"));
        const QStringList boxes = reset(button, {"<ok>", unanswered ? "<settled>" : "<ok>"});
        setModbusClient(client);
        QCOMPARE(boxes.value(1), box);
        QCOMPARE(m_details.value(1), details);
        QCOMPARE(simWrites(m_sim), writes);
        // Only a reset the device confirmed clears the calibration-point texts.
        const int command = 8900 + int(std::find(std::begin(Buttons), std::end(Buttons), button) - Buttons);
        QCOMPARE(g_cpTextReset, box == Done && (command == 8900 || command == 8902 || command == 8907));
        QCOMPARE(lastWrite(m_sim), writes ? QStringLiteral("%1 1 1").arg(command) : QStringLiteral("none"));
    }
    void failureBoxStays() // a failure stays until dismissed, a success closes itself
    {
        QVERIFY(m_sim.command(QStringLiteral("set 10209 0")));
        QCOMPARE(reset(QStringLiteral("Btn_ResetIO"), {Password, "<ok>", "<late>"}).value(2), Failed);
        QCOMPARE(m_details.value(2), QStringLiteral("stayed"));
        QVERIFY(m_sim.command(QStringLiteral("set 10209 1")));
        QCOMPARE(reset(QStringLiteral("Btn_ResetIO"), {"<ok>", "<late>"}).value(1), Done);
        QCOMPARE(m_details.size(), 2); // the confirmation's and the success's; the success closed itself
    }
    void pointTextsClearedByFlag() // Weight & CAL clears its calibration-point texts on the flag a reset raised
    {
        m_window->showPage(PageWeightCal);
        auto *point1 = m_window->page(PageWeightCal)->findChild<QLineEdit *>(QStringLiteral("EditWeightCp1"));
        commitText(point1, QStringLiteral("12"));
        m_window->showPage(PageWeightCal);
        QCOMPARE(point1->text(), QStringLiteral("12.00"));
        g_cpTextReset = true;
        m_window->showPage(PageWeightCal);
        QCOMPARE(point1->text(), QStringLiteral("0"));
    }
    void systemInfo_data()
    {
        QTest::addColumn<QString>("commands"); // to the simulator, separated by ';'
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("shown");
        QTest::newRow("version") << "sysinfo version 70010" << "lineEditSoftware" << "70010"; // 0x0001 0x1170, high first
        QTest::newRow("date 2024 905") << "sysinfo date 2024:905" << "lineEditCompileData" << "2024-09-05"; // 0 added
        QTest::newRow("BT MAC") << "sysinfo btmac 0C-a7-E5-3B-9F-D2" << "lineEdit_BTMAC" << "0C-A7-E5-3B-9F-D2";
        QTest::newRow("MAC") << "sysinfo mac 0e-A7-00-FF-10-5C;set 10100 4660" << "lineEditMAC" << "34-A7-00-FF-10-5C";
        QTest::newRow("serial") << "sysinfo serial ABCDEFGHIJKLMnopqrstuvwxy" << "lineEditSerialNum"
                                << "ABCDEFGHIJKLM-nopqrstuvwxy";
        QTest::newRow("coefficient") << "sysinfo coef 12345" << "lineEditMVcoef1" << "1.2345";
    }
    void systemInfo() // a field is rewritten when its values change, every field on a page entry
    {
        QFETCH(QString, commands);
        QFETCH(QString, field);
        QFETCH(QString, shown);
        for (const QString &command : commands.split(QLatin1Char(';')))
            QVERIFY2(m_sim.command(command), qPrintable(m_sim.lastAnswer()));
        m_window->onTick();
        auto *edit = child<QLineEdit>(field);
        QCOMPARE(edit->text(), shown);
        edit->setText(QStringLiteral("x"));
        m_window->onTick();
        QCOMPARE(edit->text(), QStringLiteral("x"));
        m_window->showPage(PageTestMaintain);
        QCOMPARE(edit->text(), shown);
    }
private:
    QStringList m_details;
    QTemporaryDir m_dir;
    SimProcess m_sim;
    MainWindow *m_window = nullptr;
};

QTEST_MAIN(tst_TestMaintain)
#include "tst_testmaintain.moc"
