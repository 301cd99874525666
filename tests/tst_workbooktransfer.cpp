// Export and import against the simulator: the rows of an export, the row rules of an import with their safety
// checks, and the Test Maintain page's buttons, also while the link goes down.

#include "Excel/exeltowrite.h"
#include "Excel/parametertable.h"
#include "Excel/parametertransfer.h"
#include "Excel/readplan.h"
#include "Excel/spreadsheet.h"
#include "Excel/xlsxworkbook.h"
#include "Modbus/devicelink.h"
#include "Modbus/linkstate.h"
#include "editordriver.h"
#include "simprocess.h"
#include "testsupport.h"
#include "windowparts.h"

#include <QtTest>
#include <QtWidgets>

using namespace EditorDriver;

const QStringList Header = {"Address", "Name", "Type", "Max", "Min", "Page", "Value"};

// Presses OK on every message box as it opens and keeps its text.
// Answers the message boxes with OK, and the file dialogs with the next of files (cancels them when none is left).
struct BoxCloser : QTimer
{
    BoxCloser()
    {
        connect(this, &QTimer::timeout, [this] {
            if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
                ++dialogs;
                if (files.isEmpty()) {
                    dialog->reject();
                    return;
                }
                dialog->selectFile(files.takeFirst());
                static_cast<QDialog *>(dialog)->accept(); // QFileDialog hides accept()
                if (chosen)
                    QTimer::singleShot(0, chosen);
            }
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                texts << box->text();
                const QByteArray shots = qgetenv("R7_SCREENSHOT_DIR"); // pictures of the boxes
                if (!shots.isEmpty())
                    box->grab().save(QStringLiteral("%1/box-%2-%3.png")
                                         .arg(QString::fromLocal8Bit(shots),
                                              QString::fromLatin1(QTest::currentDataTag()))
                                         .arg(texts.size()));
                box->button(QMessageBox::Ok)->click();
            }
        });
        start(5);
    }
    QStringList texts;
    QStringList files;
    int dialogs = 0;
    std::function<void()> chosen; // run once a file was chosen
};

static QString cell(const QString &path, int row, int column)
{
    XlsxWorkbook book;
    if (book.open(path) != XlsxWorkbook::Ok || book.selectSheet(ExelToWrite::SheetName) != XlsxWorkbook::Ok)
        return QStringLiteral("<unreadable>");
    return book.cellText(row, column);
}

class TestWorkbookTransfer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { QDir(m_appDir + QStringLiteral("/export")).removeRecursively(); }
    void init()
    {
        g_dwordFormat = 0;
        QVERIFY(m_sim.command(QStringLiteral("fail off")));
    }
    void readPlan_data();
    void readPlan();
    void exportRows();
    void blockReads_data();
    void blockReads();
    void importRows_data();
    void importRows();
    void pageRowByRow_data();
    void pageRowByRow();
    void buttons_data();
    void buttons();
    void interrupted_data();
    void interrupted();

private:
    QString book(const QString &name, const QVector<QStringList> &rows)
    {
        const QString path = m_dir.filePath(name);
        return XlsxWorkbook::create(path, ExelToWrite::SheetName, rows) == XlsxWorkbook::Ok ? path : QString();
    }
    void click(const char *name) { QTest::mouseClick(m_page->findChild<QPushButton *>(name), Qt::LeftButton); }

    QTemporaryDir m_dir;
    QString m_appDir;
    SimProcess m_sim;
    std::unique_ptr<MainWindow> m_window;
    TestMaintain *m_page = nullptr;
    ExelToWrite m_transfer;
};

void TestWorkbookTransfer::initTestCase()
{
    TestSupport::installMessageCollector(TestSupport::PassAllButDebugAndSizeHints);
    QStandardPaths::setTestModeEnabled(true); // the fallback export folder goes below ~/.qttest
    qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
    QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));
    m_appDir = QCoreApplication::applicationDirPath(); // the page looks for templates beside the executable
    QVERIFY(QDir().mkpath(m_appDir + QStringLiteral("/template")));
    for (int language : {0, 1})
        QCOMPARE(XlsxWorkbook::create(m_appDir + QStringLiteral("/template/") + templateFileName(language),
                                      ExelToWrite::SheetName, templateSheet(language)),
                 XlsxWorkbook::Ok);
    m_window.reset(new MainWindow);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QVERIFY(connectForManualTicks(m_window.get(), m_sim));
    m_page = testMaintainOf(m_window.get());
    m_window->showPage(PageTestMaintain);
}

void TestWorkbookTransfer::exportRows()
{
    QVERIFY(m_sim.command(QStringLiteral("set 8102 33")) && m_sim.command(QStringLiteral("fail 8151")));
    // 654 and 656 hold the IEEE-754 singles 1.5 and 0.000012.
    // 654 and 656 hold the IEEE-754 singles 1.5 and 0.000012; 10209-10210, the last two registers, 3.14159.
    const QString lastTwo = registers(m_sim, 10209), stabTime = registers(m_sim, 116);
    QVERIFY(setRegister32(m_sim, 116, 70000) && setRegister32(m_sim, 654, 0x3FC00000)
            && setRegister32(m_sim, 656, 927552412) && setRegister32(m_sim, 10209, 0x40490FD0));
    const QString path = book(QStringLiteral("export.xlsx"),
                              {Header, {"8102", "gap", "1"}, {"116", "stab time", "2"}, {"654", "float", "3"},
                               {"656", "small float", "3"}, {"", "no address", "1", "", "", "", "keep"},
                               {"8151", "refused", "1", "", "", "", "999"}, {"Address", "a second header", "Type"},
                               {"10209", "a float at the end of the map", "3"}});
    QCOMPARE(m_transfer.exportWorkbook(workbookCollection(), path, modbusClient()), 1);
    QVERIFY(m_sim.command(QStringLiteral("set 10209 ") + lastTwo.section(' ', 0, 0))
            && m_sim.command(QStringLiteral("set 10210 ") + lastTwo.section(' ', 1, 1))
            && m_sim.command(QStringLiteral("set 116 ") + stabTime.section(' ', 0, 0))
            && m_sim.command(QStringLiteral("set 117 ") + stabTime.section(' ', 1, 1)));
    const TransferReport &report = m_transfer.report();
    QCOMPARE(QVector<int>({report.transferred, report.failed, report.refused}), QVector<int>({5, 1, 1}));
    QCOMPARE(report.failedRows + report.refusedRows, QStringList({"8151", "Address (not a parameter row)"}));
    QProcess reader; // an independent reader of the value column
    reader.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import openpyxl, sys\nws = "
                 "openpyxl.load_workbook(sys.argv[1])['读写类']\nprint('|'.join(r[6] or '' for r in ws.iter_rows("
                 "min_row=2, values_only=True)))"), path});
    QVERIFY(reader.waitForFinished(30000));
    QCOMPARE(reader.readAllStandardOutput().trimmed(), QByteArray("33|70000|1.5|1.2e-05|keep|||3.14159"));
}

// Spans "ADDRESS:COUNT ..." in workbook order; reads "FIRST+COUNT:SPAN,SPAN ..." with the spans by index.
void TestWorkbookTransfer::readPlan_data()
{
    QTest::addColumn<QString>("spans");
    QTest::addColumn<QString>("reads");
    const auto row = [](const char *name, const QString &spans, const QString &reads) {
        QTest::newRow(name) << spans << reads;
    };
    // Rows of two registers every 10 from 0 to 120: 0..121 with gaps of 8, 13 spans.
    QString tens;
    for (int a = 0; a <= 120; a += 10)
        tens += QStringLiteral("%1:2 ").arg(a);
    const QString first13 = QStringLiteral("0,1,2,3,4,5,6,7,8,9,10,11,12");
    row("none", "", "");
    row("neighbours", "100:2 102:2 104:1", "100+5:0,1,2");
    row("a gap of 10 is read over", "100:2 112:1", "100+13:0,1");
    row("a gap of 11 is not", "100:2 113:1", "100+2:0 113+1:1");
    row("two registers after a gap of 10", "100:1 111:2", "100+13:0,1");
    row("two registers after a gap of 11", "100:1 112:2", "100+1:0 112+2:1");
    row("125 registers in one read", tens + "122:1 124:1", "0+125:" + first13 + ",13,14");
    row("a pair that would make 126 starts the next read", tens + "122:2 124:2",
        "0+124:" + first13 + ",13 124+2:14");
    row("zero capture and manual zero in a gap", "206:2 212:2", "206+2:0 212+2:1");
    row("action registers on their own", "209:1 210:1 211:1 212:2", "209+1:0 210+1:1 211+1:2 212+2:3");
    row("a pair reaching a calibration point", "212:2 213:2 224:2", "212+2:0 213+2:1 224+2:2");
    row("calibration points in a gap", "212:2 224:2", "212+2:0 224+2:1");
    row("resets in a gap", "8896:2 8908:2", "8896+2:0 8908+2:1");
    row("unsorted", "112:2 100:2 104:2", "100+14:1,2,0");
    row("duplicates and overlaps", "102:2 100:2 102:1 101:2", "100+4:1,3,0,2");
    row("a pair past the last register", "65534:1 65535:2", "65534+1:0 65535+2:1");
}

void TestWorkbookTransfer::readPlan()
{
    QFETCH(QString, spans);
    QFETCH(QString, reads);
    QVector<ReadPlan::Span> in;
    for (const QString &span : spans.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        in.append({span.section(QLatin1Char(':'), 0, 0).toUInt(), span.section(QLatin1Char(':'), 1).toInt()});
    QStringList out;
    for (const ReadPlan::Read &read : ReadPlan::plan(in)) {
        QStringList indexes;
        for (int i : read.spans)
            indexes << QString::number(i);
        out << QStringLiteral("%1+%2:%3").arg(read.first).arg(read.count).arg(indexes.join(QLatin1Char(',')));
    }
    QCOMPARE(out.join(QLatin1Char(' ')), reads);
}

void TestWorkbookTransfer::blockReads_data()
{
    QTest::addColumn<int>("wordOrder");
    QTest::addColumn<int>("refused"); // the register whose reads the device refuses, 0 none
    QTest::addColumn<QString>("row"); // the row that fails then
    QTest::newRow("AB-CD") << 0 << 0 << "";
    QTest::newRow("CD-AB") << 1 << 0 << "";
    QTest::newRow("second register of 118 refused, inside the Basic Config block") << 0 << 119 << "118";
    QTest::newRow("a single refused at the end of a block") << 1 << 8155 << "8155";
}

// The template with a few more rows (singles, unsorted, a duplicate, a note) exported read by read and row by row:
// the same sheet, byte for byte; a refused register costs only its own row.
void TestWorkbookTransfer::blockReads()
{
    QFETCH(int, wordOrder);
    QFETCH(int, refused);
    QFETCH(QString, row);
    // Distinct words everywhere in the Basic Config and Application registers: 0x0101 * (address % 200),
    // put back at the end for the transfers after.
    const KeptRegisters kept(m_sim, {{100, 30}, {654, 4}});
    for (int a = 100; a < 130; ++a)
        QVERIFY(m_sim.command(QStringLiteral("set %1 %2").arg(a).arg(257 * (a % 200))));
    // The singles 1.5 and 0.000012 in the word order of the row.
    const auto inOrder = [wordOrder](quint32 v) { return wordOrder ? (v << 16) | (v >> 16) : v; };
    QVERIFY(setRegister32(m_sim, 654, inOrder(0x3FC00000)) && setRegister32(m_sim, 656, inOrder(927552412)));
    QVector<QStringList> sheet = templateSheet(0);
    sheet << QStringList{"656", "float", "3"} << QStringList{"654", "float", "3"} << QStringList{"117", "half", "1"}
          << QStringList{"116", "again", "2"} << QStringList{"note"};
    const QString rowByRow = book(QStringLiteral("rows.xlsx"), sheet);
    const QString blocks = book(QStringLiteral("blocks.xlsx"), sheet);
    g_dwordFormat = wordOrder;
    m_transfer.setRowByRow(true);
    QCOMPARE(m_transfer.exportWorkbook(workbookCollection(), rowByRow, modbusClient()), 1);
    QCOMPARE(m_transfer.report().refusedRows, QStringList({"note (not a parameter row)"}));
    QVERIFY(!refused || m_sim.command(QStringLiteral("fail %1").arg(refused)));
    const int refusals = g_traces.size();
    m_transfer.setRowByRow(false);
    QCOMPARE(m_transfer.exportWorkbook(workbookCollection(), blocks, modbusClient()), 1);
    const TransferReport &report = m_transfer.report();
    QCOMPARE(report.refusedRows, QStringList({"note (not a parameter row)"}));
    QCOMPARE(report.failedRows, row.isEmpty() ? QStringList() : QStringList({row}));
    QCOMPARE(report.transferred, sheet.size() - 2 - (row.isEmpty() ? 0 : 1));
    // The block around the refused register was read once and refused, then row by row.
    QCOMPARE(g_traces.mid(refusals).filter(QStringLiteral("块读取失败")).size(), refused ? 1 : 0);

    XlsxWorkbook expected, actual;
    for (auto *open : {&expected, &actual})
        QVERIFY(open->open(open == &expected ? rowByRow : blocks) == XlsxWorkbook::Ok
                && open->selectSheet(ExelToWrite::SheetName) == XlsxWorkbook::Ok);
    QCOMPARE(expected.cellText(sheet.size() - 3, ExelToWrite::ColValue), QStringLiteral("1.5"));
    if (row.isEmpty()) {
        QCOMPARE(TestSupport::packageParts(blocks, "xl/worksheets/"),
                 TestSupport::packageParts(rowByRow, "xl/worksheets/"));
        return;
    }
    for (int r = 2; r <= sheet.size(); ++r) {
        const bool refusedRow = actual.cellText(r, ExelToWrite::ColAddress) == row;
        QCOMPARE(actual.cellText(r, ExelToWrite::ColValue),
                 refusedRow ? QString() : expected.cellText(r, ExelToWrite::ColValue));
    }
}

void TestWorkbookTransfer::importRows_data()
{
    QTest::addColumn<QString>("cells");  // address, type, upper, lower, value
    QTest::addColumn<int>("connType");
    QTest::addColumn<QString>("held");   // the row's register and the next afterwards; 4369 (0x1111) before
    QTest::addColumn<QString>("outcome"); // the row's one outcome: written, failed, refused, kept or no value
    const auto row = [](const char *name, const char *cells, int connType, const char *held, const char *outcome) {
        QTest::newRow(name) << QString(cells) << connType << held << QString(outcome);
    };
    const char *same = "4369 4369";
    row("type 1 above 32767, at the upper limit", "8152,1,40000,0,40000", 1, "40000 4369", "written");
    row("type 2, 32-bit value", "212,2,4294967295,0,4294967290", 1, "65535 65530", "written");
    row("type 3 is never imported", "116,3,5000,0,2", 1, same, "refused");
    row("above the upper limit", "116,2,5000,1,5001", 1, same, "refused");
    row("below the lower limit", "116,2,5000,1,0", 1, same, "refused");
    row("empty value cell", "116,2,5000,1,", 1, same, "no value");
    row("value 1.5", "116,2,5000,0,1.5", 1, same, "refused");
    row("type 12", "116,12,5000,0,5", 1, same, "refused");
    row("type 1 above 65535, its low 16 bits a valid send gap", "8152,1,4294967295,0,65556", 1, same, "refused");
    // Both ends of every action range, alone and in a pair reaching into it from outside.
    row("zero capture 210", "210,1,9,0,1", 1, same, "refused");
    row("zero capture 211", "211,1,9,0,1", 1, same, "refused");
    row("pair 209-210", "209,2,9,0,1", 1, same, "refused");
    row("pair 211-212", "211,2,9,0,1", 1, same, "refused");
    row("calibration point 214", "214,1,9,0,1", 1, same, "refused");
    row("calibration point 223", "223,1,9,0,1", 1, same, "refused");
    row("pair 213-214, reaching a calibration point", "213,2,999999,0,100", 1, same, "refused");
    row("pair 223-224", "223,2,9,0,1", 1, same, "refused");
    row("reset 8900", "8900,1,9,0,1", 1, same, "refused");
    row("reset 8907", "8907,1,9,0,1", 1, same, "refused");
    row("pair 8899-8900", "8899,2,9,0,1", 1, same, "refused");
    row("pair 8907-8908", "8907,2,9,0,1", 1, same, "refused");
    row("RTU: serial port settings kept", "8002,1,7,0,2", 0, same, "kept");
    row("RTU: kept even with a value out of range", "8002,1,7,0,9", 0, same, "kept");
    row("TCP: serial port settings written", "8002,1,7,0,2", 1, "2 4369", "written");
    row("TCP: network settings kept", "8105,1,255,0,7", 1, same, "kept");
    row("device refuses", "8152,1,65535,0,20", 1, same, "failed");
}

void TestWorkbookTransfer::importRows()
{
    QFETCH(QString, cells);
    QFETCH(int, connType);
    QFETCH(QString, held);
    QFETCH(QString, outcome);
    const QStringList c = cells.split(QLatin1Char(','));
    const int address = c[0].toInt();
    const QStringList before = registers(m_sim, address).split(QLatin1Char(' ')); // put back at the end
    QVERIFY(setRegister32(m_sim, address, 0x11111111));
    const bool failing = outcome == QLatin1String("failed");
    QVERIFY(!failing || m_sim.command(QStringLiteral("fail %1").arg(address)));
    const QString path = book(QStringLiteral("import.xlsx"), {Header, {c[0], "name", c[1], c[2], c[3], "page", c[4]}});
    const int writes = simWrites(m_sim);
    g_connType = connType;
    QCOMPARE(m_transfer.importWorkbook(workbookCollection(), path, modbusClient()), 1);
    QVERIFY(!g_tickPending); // polling runs again
    QCOMPARE(registers(m_sim, address), held);
    const TransferReport &report = m_transfer.report();
    const QStringList names = {"written", "failed", "refused", "kept", "no value"};
    const QVector<int> counts = {report.transferred, report.failed, report.refused, report.kept, report.noValue};
    QVector<int> expected(names.size(), 0);
    expected[names.indexOf(outcome)] = 1;
    QCOMPARE(counts, expected);
    QCOMPARE(simWrites(m_sim) - writes, report.transferred + report.failed);
    if (outcome == QLatin1String("refused")) // named with its rule
        QVERIFY2(report.refusedRows.value(0).startsWith(c[0] + QLatin1String(" (")), qPrintable(report.refusedRows.value(0)));
    for (int i = 0; i < before.size(); ++i)
        QVERIFY(m_sim.command(QStringLiteral("set %1 %2").arg(address + i).arg(before.at(i))));
}

void TestWorkbookTransfer::pageRowByRow_data()
{
    QTest::addColumn<QString>("setting"); // [Config] RowByRow in setting.ini, empty: none
    QTest::addColumn<int>("blocksRefused");
    QTest::newRow("no setting: blocks") << "" << 1;
    QTest::newRow("RowByRow=true") << "true" << 0;
    QTest::newRow("RowByRow=false") << "false" << 1;
}

// The page's export reads in blocks unless setting.ini says otherwise; either way only the refused row fails.
void TestWorkbookTransfer::pageRowByRow()
{
    QFETCH(QString, setting);
    QFETCH(int, blocksRefused);
    {
        QSettings ini(ModbusSetting::settingsFilePath(), QSettings::IniFormat);
        if (setting.isEmpty())
            ini.remove(QStringLiteral("Config/RowByRow"));
        else
            ini.setValue(QStringLiteral("Config/RowByRow"), setting);
    }
    g_language = 0;
    QVERIFY(m_sim.command(QStringLiteral("fail 119")));
    const int traces = g_traces.size();
    BoxCloser boxes;
    click("Btu_Export");
    QSettings(ModbusSetting::settingsFilePath(), QSettings::IniFormat).remove(QStringLiteral("Config"));
    QCOMPARE(g_traces.mid(traces).filter(QStringLiteral("块读取失败")).size(), blocksRefused);
    QCOMPARE(boxes.texts.size(), 1);
    const QRegularExpression oneFailed(QStringLiteral("^Export Finish!.*\\b1 failed\\b.*\\nFailed: 118(\\n|$)"),
                                       QRegularExpression::DotMatchesEverythingOption);
    QVERIFY2(oneFailed.match(boxes.texts.first()).hasMatch(), qPrintable(boxes.texts.first()));
}

void TestWorkbookTransfer::buttons_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("file"); // where the export goes
    QTest::addColumn<QString>("fault"); // "fail 8152": a row fails; "no template": the template is gone
    const QString chinese = m_appDir + "/export/KDT-R7_导出文件.xlsx";
    QTest::newRow("Chinese, over an old export") << 1 << chinese << QString();
    QTest::newRow("English, no export folder beside the program: the user's data folder")
        << 0 << QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                    + "/r7config/export/KDT-R7_ExportFile.xlsx" << QString();
    QTest::newRow("a row fails: the old export stays, the new one goes beside it")
        << 1 << m_appDir + "/export/KDT-R7_导出文件.incomplete.xlsx" << "fail 8152";
    QTest::newRow("no template: the old export stays") << 1 << chinese << "no template";
}

// An export, then an import of it, and of a file that is no workbook. An export that fails or has failed rows
// leaves the earlier one as it was.
void TestWorkbookTransfer::buttons()
{
    QFETCH(int, language);
    QFETCH(QString, file);
    QFETCH(QString, fault);
    g_language = language;
    const QString folder = m_appDir + QStringLiteral("/export");
    const QString target = ParameterTransfer::exportPath(language, m_appDir);
    QDir(folder).removeRecursively();
    QVERIFY(language == 0 || QDir().mkpath(folder));
    QFile old(language == 0 ? folder : target);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") > 0 && old.flush());
    old.close();
    const QString templateFile = ParameterTransfer::templatePath(language, m_appDir);
    const bool noTemplate = fault == QLatin1String("no template");
    QVERIFY(!noTemplate || QFile::rename(templateFile, templateFile + QStringLiteral(".away")));
    QVERIFY(m_sim.command(QStringLiteral("set 8152 42")) && (noTemplate || fault.isEmpty() || m_sim.command(fault)));
    BoxCloser boxes;
    click("Btu_Export");
    QVERIFY(!noTemplate || QFile::rename(templateFile + QStringLiteral(".away"), templateFile));
    QVERIFY(m_sim.command(QStringLiteral("fail off")));
    QFile::remove(folder);
    if (!fault.isEmpty()) {
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old"));
        QCOMPARE(QDir(folder).entryList({QStringLiteral(".*.part-*")}, QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(boxes.texts.size(), 1);
        if (noTemplate) {
            QCOMPARE(boxes.texts.first(), QStringLiteral("Export Failed!"));
            return;
        }
        // Named in the box, both of them.
        QVERIFY2(boxes.texts.first().contains(QStringLiteral("1 failed"))
                     && boxes.texts.first().contains(target) && boxes.texts.first().contains(file),
                 qPrintable(boxes.texts.first()));
    }
    int row = 2;
    while (templateRows().at(row - 2).address != 8152)
        ++row;
    QCOMPARE(cell(file, row, ExelToWrite::ColValue), QLatin1String(fault.isEmpty() ? "42" : ""));
    QCOMPARE(cell(file, row, ExelToWrite::ColName), templateSheet(language).at(row - 1).at(1));
    auto *link = m_page->findChild<QLabel *>(QStringLiteral("label_exportPath"));
    QVERIFY(link->text().contains(file));
    QTranslator chinese; // the link follows a change of language
    QVERIFY(chinese.load(QStringLiteral(":/Translate/Language_CN.qm")));
    QCoreApplication::installTranslator(&chinese);
    QCoreApplication::processEvents();
    const QString translated = link->text();
    QCoreApplication::removeTranslator(&chinese);
    QCoreApplication::processEvents();
    QVERIFY2(translated.contains((QStringLiteral("导出路径>>>") + file).toHtmlEscaped()),
             qPrintable(translated));
    QVERIFY(link->text().contains((QStringLiteral("Export Path>>>") + file).toHtmlEscaped()));
    if (!fault.isEmpty())
        return;

    QVERIFY(m_sim.command(QStringLiteral("set 8152 7")));
    boxes.files = QStringList{file, QStringLiteral(R7_CORPUS_DIR "/ole_header.xls")};
    click("But_Import");
    QCOMPARE(registers(m_sim, 8152, 1), QStringLiteral("42"));
    click("But_Import");
    QCOMPARE(boxes.dialogs, 2);
    // The finish boxes count every row: on TCP the network settings are kept.
    int kept = 0;
    for (const TemplateRow &r : templateRows())
        kept += r.address >= 8100 && r.address <= 8111;
    const int rows = templateRows().size();
    QCOMPARE(boxes.texts, QStringList({QStringLiteral("Export Finish!\n\n%1 read, 0 failed, 0 refused, 0 kept.").arg(rows),
                                       QStringLiteral("Import Finish!\n\n%1 written, 0 failed, 0 refused, %2 kept.")
                                           .arg(rows - kept)
                                           .arg(kept),
                                       "Import Failed!"}));
}

void TestWorkbookTransfer::interrupted_data()
{
    QTest::addColumn<bool>("import");
    QTest::addColumn<bool>("disconnect"); // Disconnect rather than the transfer's Stop button
    QTest::addColumn<QString>("box");     // a pattern of the final message's lines after "stopped by the operator."
    // An export stops after the block in flight: the rows without a read and that block's rows are done.
    const QString rows = QStringLiteral("Stopped after \\d+ of %1 rows").arg(templateRows().size());
    QTest::newRow("export, Stop") << false << false << rows + "; the workbook was not saved\\.";
    QTest::newRow("import, Stop") << true << false << "Stopped after 1 of 10 rows\\.\nWritten addresses: 116-117";
    // The replies come later than the grace period of Disconnect, which then lowers the link-closing flag.
    QTest::newRow("export, Disconnect") << false << true << rows + "; the workbook was not saved\\.";
    QTest::newRow("import, Disconnect") << true << true << "Stopped after 1 of 10 rows\\.\nNothing was written\\.";
}

// Last: the transfers are stopped, the link goes down. Each row's first device access is answered after 900 ms;
// the other transfer's button is clicked at 150 ms, Stop or Disconnect at 300 ms.
void TestWorkbookTransfer::interrupted()
{
    QFETCH(bool, import);
    QFETCH(bool, disconnect);
    QFETCH(QString, box);
    if (g_pageIndex == PageConnection) {
        QVERIFY(m_sim.command(QStringLiteral("delay 0")));
        QVERIFY(connectForManualTicks(m_window.get(), m_sim));
        m_window->showPage(PageTestMaintain);
    }
    QVERIFY(setRegister32(m_sim, 116, 5) && m_sim.command(QStringLiteral("delay 900")));
    QVERIFY(m_sim.command(QStringLiteral("writes reset")));
    const QString path = book(QStringLiteral("interrupted.xlsx"), QVector<QStringList>(1, Header)
                                  + QVector<QStringList>(10, {"116", "", "2", "500", "0", "", "7"}));
    g_language = 0;
    QVERIFY(QDir().mkpath(m_appDir + QStringLiteral("/export")));
    const QByteArray earlier = "an earlier export";
    QFile previous(ParameterTransfer::exportPath(0, m_appDir));
    QVERIFY(previous.open(QIODevice::WriteOnly | QIODevice::Truncate) && previous.write(earlier) > 0);
    previous.close();
    const int exportsBefore = g_traces.filter(QRegularExpression("^PATH")).size();
    const char *stop = disconnect ? nullptr : import ? "Btn_StopImport" : "Btn_StopExport";
    bool stopShown = false, pausedDuring = false;
    // From the start of the transfer: an import's starts when its file was chosen.
    const auto arm = [&] {
        QTimer::singleShot(150, this, [&] {
            // A tick polls nothing (a header poll would fail and count) and leaves the pause.
            m_sim.command(QStringLiteral("fail 0"));
            const int failures = failureCountOf(m_window.get());
            m_window->onTick();
            pausedDuring = DeviceLink::instance().holder() == LinkUser::Transfer && g_tickPending && failureCountOf(m_window.get()) == failures;
            m_sim.command(QStringLiteral("fail off"));
            click(import ? "But_Import" : "Btu_Export"); // the same transfer again: nothing
            click(import ? "Btu_Export" : "But_Import"); // the other one: a word, and nothing starts
        });
        QTimer::singleShot(300, this, [&] {
            if (stop) {
                stopShown = !m_page->findChild<QPushButton *>(stop)->isHidden();
                click(stop);
            } else {
                QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("ButtonDisconnect")),
                                  Qt::LeftButton);
            }
        });
    };
    BoxCloser boxes;
    boxes.files = QStringList{path};
    if (import)
        boxes.chosen = arm;
    else
        arm();
    click(import ? "But_Import" : "Btu_Export");
    QVERIFY(stop == nullptr || stopShown);
    QVERIFY(pausedDuring);
    QCOMPARE(g_traces.filter(QRegularExpression("^PATH")).size() - exportsBefore, import ? 0 : 1);
    QCOMPARE(boxes.dialogs, import ? 1 : 0);
    const QString what = import ? QStringLiteral("Import") : QStringLiteral("Export");
    QCOMPARE(boxes.texts.size(), 2);
    QCOMPARE(boxes.texts.at(0), import ? QStringLiteral("An import is running: export when it has finished.")
                                       : QStringLiteral("An export is running: import when it has finished."));
    const QString stopped = boxes.texts.at(1).section(QLatin1Char('\n'), 0, 2);
    QVERIFY2(QRegularExpression(QStringLiteral("^%1 stopped by the operator\\.\n%2$").arg(what, box)).match(stopped).hasMatch(),
             qPrintable(stopped));
    QCOMPARE(simWrites(m_sim), import ? 1 : 0);
    QVERIFY(m_page->findChild<QProgressBar *>("progressBar_" + what)->isHidden());
    QVERIFY(m_page->findChild<QPushButton *>("Btn_Stop" + what)->isHidden());
    QFile kept(ParameterTransfer::exportPath(0, m_appDir)); // the earlier export, as it was
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), earlier);
    if (disconnect) {
        QTRY_VERIFY_WITH_TIMEOUT(!modbusClient(), 5000);
        QTest::qWait(1000); // nothing goes on over a link that is gone, and polling stays off
        QCOMPARE(simWrites(m_sim), import ? 1 : 0);
        QVERIFY(g_tickPending);
        QCOMPARE(g_pageIndex, int(PageConnection));
    } else {
        QVERIFY(!g_tickPending); // polling resumes on the link that stays up
        QVERIFY(modbusClient());
    }
}

QTEST_MAIN(TestWorkbookTransfer)
#include "tst_workbooktransfer.moc"
