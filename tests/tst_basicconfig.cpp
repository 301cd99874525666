#include "App/basicconfig.h"
#include "App/parameterbinding.h"
#include "Modbus/devicemirror.h"
#include "Modbus/displayweightthread.h"
#include "Modbus/linkstate.h"
#include "Modbus/presentation.h"
#include "main/mainwindow.h"

#include "editordriver.h"
#include "simprocess.h"
#include "testsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <memory>

using namespace EditorDriver;

// The Basic Config page in the main window, against the simulator: its form,
// the preset tare's scaling both ways, the range tip, the banner and layout.

class tst_BasicConfig : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void formMatchesTable();
    void formTexts_data();
    void formTexts();
    void presetTareRoundTrip();
    void presetTareFollowsDecimals_data();
    void presetTareFollowsDecimals();
    void fieldsFromDevice_data();
    void fieldsFromDevice();
    void unitLabel_data();
    void unitLabel();
    void remoteSwitch();
    void chineseTexts_data();
    void chineseTexts();
    void wheelChangesNothing();
    void adjustLayout_data();
    void adjustLayout();

private:
    BasicConfig *page() const { return qobject_cast<BasicConfig *>(m_window->page(PageBasicConfig)); }
    template <typename T>
    T *child(const char *name) const { return page()->findChild<T *>(QLatin1String(name)); }
    void tick() { m_window->onTick(); }

    QTemporaryDir m_dir;
    SimProcess m_sim;
    std::unique_ptr<MainWindow> m_window;
};

void tst_BasicConfig::initTestCase()
{
    TestSupport::installMessageCollector();
    qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
    QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));

    m_window = std::make_unique<MainWindow>();
    QVERIFY2(g_unmatchedSlots.isEmpty(), qPrintable(g_unmatchedSlots.join(QLatin1Char('\n'))));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QVERIFY(connectForManualTicks(m_window.get(), m_sim));
}

void tst_BasicConfig::cleanupTestCase()
{
    m_window.reset();
    TestSupport::removeMessageCollector();
}

void tst_BasicConfig::init()
{
    // Two decimals, kg, full scale 3000.00, preset tare 0.
    for (const char *command : {"fail off", "set 10200 1", "set 200 0", "set 201 1", "set 202 0", "set 203 2",
                                "set 206 4", "set 207 37856", "set 112 0", "set 113 0"})
        QVERIFY2(m_sim.command(QLatin1String(command)), qPrintable(m_sim.lastAnswer()));
    m_window->showPage(PageBasicConfig);
    QApplication::setActiveWindow(m_window.get());
    tick();
    page()->findChild<QLabel *>(QStringLiteral("label_RemoteTip"))->setFocus();
    QVERIFY(m_sim.command(QStringLiteral("writes reset")));
    g_traces.clear();
}

void tst_BasicConfig::formMatchesTable()
{
    const QVector<const BindingTable *> tables = page()->bindingTables();
    QCOMPARE(tables.size(), 1);
    const BindingTable &table = *tables.first();
    QCOMPARE(table.rows, 15);
    for (int row = 0; row < table.rows; ++row) {
        QWidget *editor = page()->findChild<QWidget *>(table.names[row]);
        QVERIFY2(editor, qPrintable(table.names[row]));
        QVERIFY2(qobject_cast<QLineEdit *>(editor) || qobject_cast<QComboBox *>(editor), qPrintable(table.names[row]));
        QCOMPARE(table.spans[row].address, quint32(100 + 2 * row));
        QCOMPARE(table.spans[row].count, quint16(2));
    }
    QList<QWidget *> editors;
    for (QLineEdit *edit : page()->findChildren<QLineEdit *>())
        editors << edit;
    for (QComboBox *box : page()->findChildren<QComboBox *>())
        editors << box;
    QCOMPARE(editors.size(), 15);
    for (QWidget *editor : editors)
        QVERIFY2(table.rowOf(editor->objectName()) >= 0, qPrintable(editor->objectName()));
}

void tst_BasicConfig::formTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("expected");

    const struct {
        const char *name;
        const char *property;
        const char *expected;
    } rows[] = {
        {"BasicConfig", "windowTitle", "Form"},
        {"label_TitleZero", "text", "Zero Config"},
        {"label_TitleTare", "text", "Tare Config"},
        {"label_TitleSample_Filter", "text", "Sample Filter"},
        {"label_TitleInputRange", "text", "Input Range"},
        {"label_TitleStab_TrZero", "text", "STAB TrZero"},
        {"label_PWROnzero", "text", "PWR-On Zero:"},
        {"label_ZeroRange", "text", "Zero Range:          "},
        {"label_NetSignCor", "text", "NetSign COR:"},
        {"label_SampleRate", "text", "Sample Rate:"},
        {"label_InputRange", "text", "Input Range:"},
        {"label_TrZeroTimer", "text", "TrZero Time:"},
        {"EditPWROnzero", "text", "10"},
        {"EditPWROnzero", "toolTip", "0 - 101%"},
        {"EditZeroRange", "text", "20"},
        {"EditZeroRange", "toolTip", "1 - 99%"},
        {"EditPresetTare", "text", "0"},
        {"EditSTABRange", "toolTip", "0 - 99d"},
        {"EditSTABTimer", "toolTip", "1 - 5000ms"},
        {"EditTrZeroRange", "text", "20"},
        {"EditTrZeroTimer", "text", "20"},
        {"EditDigit_Filter", "toolTip", "0 - 9"},
        {"EditAdv_Filter", "toolTip", "0 - 99d"},
        {"RemotoZeroBox", "items", "OFF|ON"},
        {"RemoteTareBox", "items", "OFF|ON"},
        {"TareRecordBox", "items", "OFF|ON"},
        {"NetSignCorBox", "items", "Disable|CorrectTare|BackToGross"},
        {"SampleRateBox", "items", "50|60 |100|120|200|240|400|480|800|960"},
        {"cBoxInputRange", "items", "0-5 mV|0-10 mV|0-15 mV|-5-5 mV|-10-10 mV|-15-15 mV"},
        {"label_SampleRateUnit", "text", "Hz"},
    };
    for (const auto &r : rows)
        QTest::newRow(QByteArray(r.name).append(' ').append(r.property).constData())
            << QString::fromLatin1(r.name) << QString::fromLatin1(r.property) << QString::fromLatin1(r.expected);
}

void tst_BasicConfig::formTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, property);
    QFETCH(QString, expected);

    // A fresh page shows the form's own texts until its first refresh.
    BasicConfig fresh;
    QWidget *widget = fresh.objectName() == name ? &fresh : fresh.findChild<QWidget *>(name);
    QVERIFY2(widget, qPrintable(name));
    if (property == QLatin1String("items")) {
        auto *box = qobject_cast<QComboBox *>(widget);
        QVERIFY(box);
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        QCOMPARE(items.join(QLatin1Char('|')), expected);
    } else {
        QCOMPARE(widget->property(qPrintable(property)).toString(), expected);
    }
}

void tst_BasicConfig::presetTareRoundTrip()
{
    auto *edit = child<QLineEdit>("EditPresetTare");
    QCOMPARE(edit->text(), QStringLiteral("0.00"));
    commitText(edit, QStringLiteral("1.5"));
    QCOMPARE(simWrites(m_sim), 1);
    QCOMPARE(lastWrite(m_sim), QStringLiteral("112 2 0 150"));
    QVERIFY2(g_traces.contains(QStringLiteral("in \"EditPresetTare\" 112 2 sendVal 150 readVal 0")),
             qPrintable(g_traces.join(QLatin1Char('\n'))));
    QCOMPARE(edit->text(), QStringLiteral("1.5"));

    tick();
    QCOMPARE(edit->text(), QStringLiteral("1.50"));
    // Neither the focus move nor the refresh wrote anything more.
    QCOMPARE(simWrites(m_sim), 1);
}

void tst_BasicConfig::presetTareFollowsDecimals_data()
{
    QTest::addColumn<quint32>("fullScale");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("presetTare"); // the device holds 12345

    QTest::newRow("d=2, 500000") << 500000u << 2 << "0 - 5000.00" << "123.45";
    QTest::newRow("d=1, 500000") << 500000u << 1 << "0 - 50000.0" << "1234.5";
    QTest::newRow("d=1, 10000") << 10000u << 1 << "0 - 1000.0" << "1234.5";
    QTest::newRow("d=0, 999999") << 999999u << 0 << "0 - 999999" << "12345";
    QTest::newRow("d=4, 999999") << 999999u << 4 << "0 - 99.9999" << "1.2345";
}

void tst_BasicConfig::presetTareFollowsDecimals()
{
    QFETCH(quint32, fullScale);
    QFETCH(int, decimals);
    QFETCH(QString, tip);
    QFETCH(QString, presetTare);

    auto *edit = child<QLineEdit>("EditPresetTare");
    QVERIFY(setRegister32(m_sim, 112, 12345));
    QVERIFY(setRegister32(m_sim, 206, fullScale));
    // The page's refresh runs before the full scale's block is polled: the
    // range tip follows one tick later.
    tick();
    tick();
    QCOMPARE(edit->toolTip(), QStringLiteral("0 - %1").arg(formatScaled(fullScale, 2)));
    QCOMPARE(edit->text(), QStringLiteral("123.45"));

    // Decimals changed at the device's keypad: shown within one tick.
    QVERIFY(setRegister32(m_sim, 202, quint32(decimals)));
    tick();
    QCOMPARE(edit->toolTip(), tip);
    QCOMPARE(edit->text(), presetTare);

    // The same after leaving and entering the page again.
    m_window->showPage(PageWeightCal);
    tick();
    m_window->showPage(PageBasicConfig);
    QCOMPARE(edit->toolTip(), tip);
    QCOMPARE(edit->text(), presetTare);
    QCOMPARE(simWrites(m_sim), 0);
}

void tst_BasicConfig::fieldsFromDevice_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<quint32>("value");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown"); // text, or the index of a combo box

    QTest::newRow("PWR-on zero") << 100 << 55u << "EditPWROnzero" << "55";
    QTest::newRow("all ones, unsigned") << 100 << 4294967295u << "EditPWROnzero" << "4294967295";
    QTest::newRow("remote zero") << 102 << 0u << "RemotoZeroBox" << "0";
    QTest::newRow("zero range") << 104 << 33u << "EditZeroRange" << "33";
    QTest::newRow("remote tare") << 106 << 0u << "RemoteTareBox" << "0";
    QTest::newRow("tare record") << 108 << 1u << "TareRecordBox" << "1";
    QTest::newRow("net sign") << 110 << 2u << "NetSignCorBox" << "2";
    QTest::newRow("stab range") << 114 << 7u << "EditSTABRange" << "7";
    QTest::newRow("stab time") << 116 << 4999u << "EditSTABTimer" << "4999";
    QTest::newRow("trzero range") << 118 << 9u << "EditTrZeroRange" << "9";
    QTest::newRow("trzero time") << 120 << 300u << "EditTrZeroTimer" << "300";
    QTest::newRow("digit filter") << 122 << 8u << "EditDigit_Filter" << "8";
    QTest::newRow("adv filter") << 124 << 12u << "EditAdv_Filter" << "12";
    QTest::newRow("sample rate") << 126 << 9u << "SampleRateBox" << "9";
    QTest::newRow("input range") << 128 << 3u << "cBoxInputRange" << "3";
}

void tst_BasicConfig::fieldsFromDevice()
{
    QFETCH(int, address);
    QFETCH(quint32, value);
    QFETCH(QString, name);
    QFETCH(QString, shown);

    QWidget *editor = page()->findChild<QWidget *>(name);
    QVERIFY(editor);
    QVERIFY(m_sim.command(QStringLiteral("get %1 2").arg(address)));
    const QString before = m_sim.lastAnswer().mid(3);
    QVERIFY(setRegister32(m_sim, address, value));
    tick();
    if (auto *box = qobject_cast<QComboBox *>(editor))
        QCOMPARE(QString::number(box->currentIndex()), shown);
    else
        QCOMPARE(qobject_cast<QLineEdit *>(editor)->text(), shown);
    if (address == 106)
        QVERIFY(g_traces.contains(QStringLiteral("srtBasicCfgTemp.u32_RemoteTare 0")));
    // A refresh sets a combo box's index without raising activated().
    QCOMPARE(simWrites(m_sim), 0);

    const QStringList words = before.split(QLatin1Char(' '));
    QVERIFY(m_sim.command(QStringLiteral("set %1 %2").arg(address).arg(words.value(0))));
    QVERIFY(m_sim.command(QStringLiteral("set %1 %2").arg(address + 1).arg(words.value(1))));
}

void tst_BasicConfig::unitLabel_data()
{
    QTest::addColumn<quint32>("unit");
    QTest::addColumn<QString>("text");

    QTest::newRow("t") << 0u << "t";
    QTest::newRow("kg") << 1u << "kg";
    QTest::newRow("g") << 2u << "g";
    QTest::newRow("lb") << 3u << "lb";
    QTest::newRow("KN") << 4u << "KN";
    QTest::newRow("N") << 5u << "N";
    QTest::newRow("none") << 6u << "";
}

void tst_BasicConfig::unitLabel()
{
    QFETCH(quint32, unit);
    QFETCH(QString, text);
    auto *label = child<QLabel>("label_preTareUnit");
    QCOMPARE(label->text(), QStringLiteral("kg"));
    QVERIFY(setRegister32(m_sim, 200, unit));
    tick();
    QCOMPARE(label->text(), text);
    label->setText(QStringLiteral("x"));
    m_window->showPage(PageBasicConfig);
    QCOMPARE(label->text(), text);
}

void tst_BasicConfig::remoteSwitch()
{
    auto *banner = child<QWidget>("widget_top");
    auto *tip = child<QLabel>("label_RemoteTip");
    QVERIFY(!banner->isVisible());

    QVERIFY(m_sim.command(QStringLiteral("set 10200 0")));
    tick();
    QVERIFY(banner->isVisible());
    QCOMPARE(tip->text(), QStringLiteral("Basic remote editing switch off, on before modifying parameters!"));

    // The device now refuses the page's writes: the editors spring back.
    auto *edit = child<QLineEdit>("EditZeroRange");
    QCOMPARE(edit->text(), QStringLiteral("20"));
    commitText(edit, QStringLiteral("30"));
    QCOMPARE(simWrites(m_sim), 1);
    QCOMPARE(edit->text(), QStringLiteral("20"));
    auto *box = child<QComboBox>("NetSignCorBox");
    QCOMPARE(box->currentIndex(), 0);
    choose(box, 2);
    QCOMPARE(simWrites(m_sim), 2);
    QCOMPARE(box->currentIndex(), 0);
    QCOMPARE(registers(m_sim, 104), QStringLiteral("0 20"));

    QVERIFY(m_sim.command(QStringLiteral("set 10200 1")));
    tick();
    QVERIFY(!banner->isVisible());
    QCOMPARE(tip->text(), QString());
}

void tst_BasicConfig::chineseTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("property"); // a property, or "item N" of a combo box
    QTest::addColumn<QString>("expected");

    QTest::newRow("label_TitleZero text") << "label_TitleZero" << "text" << QStringLiteral("清零操作");
    QTest::newRow("label_ZeroRange text") << "label_ZeroRange" << "text" << QStringLiteral("清零范围：");
    QTest::newRow("label_InputRange text") << "label_InputRange" << "text" << QStringLiteral("传感器信号范围：");
    QTest::newRow("NetSignCorBox item 2") << "NetSignCorBox" << "item 2" << QStringLiteral("返回毛重");
    QTest::newRow("label_SampleRate text") << "label_SampleRate" << "text" << QStringLiteral("AD采样速度：");
    QTest::newRow("banner") << "label_RemoteTip" << "text" << QStringLiteral("基本参数远程编辑关闭，修改参数之前请在仪表中开启！");
}

void tst_BasicConfig::chineseTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, property);
    QFETCH(QString, expected);

    QTranslator chinese;
    QVERIFY(chinese.load(ChineseTranslation));
    QVERIFY(QCoreApplication::installTranslator(&chinese));
    QVERIFY(m_sim.command(QStringLiteral("set 10200 0")));
    tick();
    QWidget *widget = page()->findChild<QWidget *>(name);
    QVERIFY2(widget, qPrintable(name));
    const QString shown = shownText(widget, property);
    QCoreApplication::removeTranslator(&chinese);
    QVERIFY(m_sim.command(QStringLiteral("set 10200 1")));
    QCOMPARE(shown, expected);
    // Back in English once the translator is gone.
    tick();
    QCOMPARE(page()->findChild<QLabel *>(QStringLiteral("label_RemoteTip"))->text(), QString());
    QVERIFY(widget->property("text").toString() != expected || property != QLatin1String("text"));
}

void tst_BasicConfig::wheelChangesNothing()
{
    for (const char *name : {"SampleRateBox", "EditSTABTimer"}) {
        QWidget *widget = page()->findChild<QWidget *>(QLatin1String(name));
        widget->setFocus();
        const QString before = widget->property(qobject_cast<QComboBox *>(widget) ? "currentIndex" : "text").toString();
        QWheelEvent wheel(QPointF(5, 5), QPointF(widget->mapToGlobal(QPoint(5, 5))), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(widget, &wheel);
        QCOMPARE(widget->property(qobject_cast<QComboBox *>(widget) ? "currentIndex" : "text").toString(), before);
    }
    QCOMPARE(simWrites(m_sim), 0);
}

void tst_BasicConfig::adjustLayout_data()
{
    QTest::addColumn<int>("offset"); // width - left edge of widget_Stab_TrZero
    QTest::addColumn<QPoint>("sampleFilter");
    QTest::addColumn<QPoint>("inputRange");
    QTest::addColumn<bool>("topRowOnly"); // positions relative to that edge

    QTest::newRow("narrow") << 0 << QPoint(10, 365) << QPoint(370, 365) << false;
    QTest::newRow("x + 780") << 780 << QPoint(10, 365) << QPoint(370, 365) << false;
    QTest::newRow("x + 781") << 781 << QPoint(360, 10) << QPoint(10, 365) << false;
    QTest::newRow("x + 1140") << 1140 << QPoint(360, 10) << QPoint(10, 365) << false;
    QTest::newRow("x + 1141") << 1141 << QPoint(360, 10) << QPoint(720, 10) << true;
    QTest::newRow("x + 1500") << 1500 << QPoint(360, 10) << QPoint(720, 10) << true;
    // Wider still: all five groups stay in the top row.
    QTest::newRow("x + 1501") << 1501 << QPoint(360, 10) << QPoint(720, 10) << true;
    QTest::newRow("x + 3000") << 3000 << QPoint(360, 10) << QPoint(720, 10) << true;
}

void tst_BasicConfig::adjustLayout()
{
    QFETCH(int, offset);
    QFETCH(QPoint, sampleFilter);
    QFETCH(QPoint, inputRange);
    QFETCH(bool, topRowOnly);

    auto *fixed = child<QWidget>("widget_Stab_TrZero");
    const int x = fixed->x();
    const QPoint zero = child<QWidget>("widget_Zero")->pos();
    const QPoint tare = child<QWidget>("widget_Tare")->pos();
    const auto place = [x](const QPoint &p) { return p.y() == 10 ? QPoint(x + p.x(), p.y()) : p; };

    page()->adjustLayout(x + offset);
    QCOMPARE(page()->layoutWidth(), x + offset);
    QCOMPARE(child<QWidget>("widget_Sample_Filter")->pos(), place(sampleFilter));
    QCOMPARE(child<QWidget>("widget_InputRange")->pos(), place(inputRange));
    QCOMPARE(child<QWidget>("widget_InputRange")->y() == 10, topRowOnly);
    QCOMPARE(fixed->x(), x);
    QCOMPARE(child<QWidget>("widget_Zero")->pos(), zero);
    QCOMPARE(child<QWidget>("widget_Tare")->pos(), tare);
    auto *content = child<QWidget>("scrollAreaWidgetContents");
    QCOMPARE(content->minimumWidth(), x + offset);
    QCOMPARE(content->maximumWidth(), x + offset);
    page()->adjustLayout(m_window->normalWidth());
}

QTEST_MAIN(tst_BasicConfig)
#include "tst_basicconfig.moc"
