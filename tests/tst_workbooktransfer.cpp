// Export and import against the simulator: the rows of an export, the row
// rules of an import with their safety checks, and the Test Maintain page's
// buttons, also while the link goes down.

#include "Excel/exeltowrite.h"
#include "Excel/parametertable.h"
#include "Excel/parametertransfer.h"
#include "Excel/spreadsheet.h"
#include "Excel/xlsxworkbook.h"
#include "Modbus/linkstate.h"
#include "editordriver.h"
#include "simprocess.h"
#include "testsupport.h"
#include "windowparts.h"

#include <QtTest>
#include <QtWidgets>

using namespace EditorDriver;

namespace {

const QStringList Header = {"Address", "Name", "Type", "Max", "Min", "Page", "Value"};

// Presses OK on every message box as it opens and keeps its text.
struct BoxCloser : QTimer
{
    BoxCloser()
    {
        connect(this, &QTimer::timeout, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        start(5);
    }
    QStringList texts;
};

QString cell(const QString &path, int row, int column)
{
    XlsxWorkbook book;
    if (book.open(path) != XlsxWorkbook::Ok || book.selectSheet(ExelToWrite::SheetName) != XlsxWorkbook::Ok)
        return QStringLiteral("<unreadable>");
    return book.cellText(row, column);
}

} // namespace

class TestWorkbookTransfer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void exportRows();
    void importRows_data();
    void importRows();
    void buttons_data();
    void buttons();
    void disconnectDuringExport();

private:
    QString book(const QString &name, const QVector<QStringList> &rows);
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
    // The fallback export folder goes below ~/.qttest.
    QStandardPaths::setTestModeEnabled(true);
    qputenv("R7CONFIG_SETTINGS_DIR", m_dir.path().toLocal8Bit());
    QVERIFY2(m_sim.start(), qPrintable(m_sim.errorString()));
    // The page looks for templates beside the executable.
    m_appDir = QCoreApplication::applicationDirPath();
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

void TestWorkbookTransfer::cleanupTestCase()
{
    QDir(m_appDir + QStringLiteral("/export")).removeRecursively();
}

void TestWorkbookTransfer::init()
{
    QVERIFY(m_sim.command(QStringLiteral("fail off")));
}

QString TestWorkbookTransfer::book(const QString &name, const QVector<QStringList> &rows)
{
    const QString path = m_dir.filePath(name);
    return XlsxWorkbook::create(path, ExelToWrite::SheetName, rows) == XlsxWorkbook::Ok ? path : QString();
}

void TestWorkbookTransfer::exportRows()
{
    QVERIFY(m_sim.command(QStringLiteral("set 8102 33")) && m_sim.command(QStringLiteral("fail 8151")));
    // 654 and 656 hold the IEEE-754 singles 1.5 and 0.000012.
    QVERIFY(setRegister32(m_sim, 116, 70000) && setRegister32(m_sim, 654, 0x3FC00000)
            && setRegister32(m_sim, 656, 927552412));
    const QString path = book(QStringLiteral("export.xlsx"),
                              {Header, {"8102", "gap", "1"}, {"116", "stab time", "2"}, {"654", "float", "3"},
                               {"656", "small float", "3"}, {"", "no address", "1", "", "", "", "keep"},
                               {"8151", "refused", "1", "", "", "", "999"}, {"Address", "a second header", "Type"}});
    QCOMPARE(m_transfer.exportWorkbook(workbookCollection(), path, modbusClient()), 1);
    // The row without an address was not read: four good reads, one refused.
    const TransferReport &report = m_transfer.report();
    QCOMPARE(QVector<int>({report.transferred, report.failed, report.skipped}), QVector<int>({4, 1, 1}));
    QCOMPARE(report.problems, QStringList({"8151", "Address"}));
    // What an independent reader finds in the value column.
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import openpyxl,sys\nws = openpyxl.load_workbook(sys.argv[1])['读写类']\n"
                                 "print('|'.join(r[6] or '' for r in ws.iter_rows(min_row=2, values_only=True)))"),
                  path});
    QVERIFY(reader.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()).trimmed(),
             QStringLiteral("33|70000|1.5|1.2e-05|keep||"));
}

void TestWorkbookTransfer::importRows_data()
{
    QTest::addColumn<QString>("cells");  // address, type, upper, lower, value
    QTest::addColumn<int>("connType");
    QTest::addColumn<int>("address");    // the register to look at
    QTest::addColumn<QString>("held");   // it and the next afterwards; 4369 (0x1111) before
    QTest::addColumn<int>("skipped");
    QTest::addColumn<int>("failed");     // 1: the device refuses the write
    const auto row = [](const char *name, const char *cells, int connType, int address, const char *held,
                        int skipped = 0, int failed = 0) {
        QTest::newRow(name) << QString::fromLatin1(cells) << connType << address << held << skipped << failed;
    };
    const char *kept = "4369 4369";
    row("type 1 above 32767, at the upper limit", "8152,1,40000,0,40000", 1, 8152, "40000 4369");
    row("type 2, 32-bit value", "212,2,4294967295,0,4294967290", 1, 212, "65535 65530");
    row("type 3 is never imported", "116,3,5000,0,2", 1, 116, kept);
    row("above the upper limit", "116,2,5000,1,5001", 1, 116, kept);
    row("below the lower limit", "116,2,5000,1,0", 1, 116, kept);
    row("value 1.5", "116,2,5000,0,1.5", 1, 116, kept, 1);
    row("type 12", "116,12,5000,0,5", 1, 116, kept, 1);
    // Its low 16 bits (20) would pass for a valid send gap.
    row("type 1 above 65535", "8152,1,4294967295,0,65556", 1, 8152, kept, 1);
    row("pair reaching a calibration point", "213,2,999999,0,100", 1, 213, kept, 1);
    row("RTU: serial port settings kept", "8002,1,7,0,2", 0, 8002, kept);
    row("TCP: serial port settings written", "8002,1,7,0,2", 1, 8002, "2 4369");
    row("TCP: network settings kept", "8105,1,255,0,7", 1, 8105, kept);
    row("device refuses", "8152,1,65535,0,20", 1, 8152, kept, 0, 1);
}

void TestWorkbookTransfer::importRows()
{
    QFETCH(QString, cells);
    QFETCH(int, connType);
    QFETCH(int, address);
    QFETCH(QString, held);
    QFETCH(int, skipped);
    QFETCH(int, failed);
    QVERIFY(setRegister32(m_sim, address, 0x11111111));
    QVERIFY(!failed || m_sim.command(QStringLiteral("fail %1").arg(address)));
    const QStringList c = cells.split(QLatin1Char(','));
    const QString path = book(QStringLiteral("import.xlsx"), {Header, {c[0], "name", c[1], c[2], c[3], "page", c[4]}});
    const int writes = simWrites(m_sim);
    g_connType = connType;
    QCOMPARE(m_transfer.importWorkbook(workbookCollection(), path, modbusClient()), 1);
    QVERIFY(!g_tickPending); // polling runs again
    QCOMPARE(registers(m_sim, address), held);
    const int written = held != QLatin1String("4369 4369");
    QCOMPARE(simWrites(m_sim) - writes, written + failed);
    const TransferReport &report = m_transfer.report();
    QCOMPARE(QVector<int>({report.transferred, report.skipped, report.failed}),
             QVector<int>({written, skipped, failed}));
}

void TestWorkbookTransfer::buttons_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("file"); // where the export goes
    QTest::newRow("Chinese, over an old export") << 1 << m_appDir + "/export/KDT-R7_导出文件.xlsx";
    // An installed program's folder takes no export: the user's data folder does.
    QTest::newRow("English, no export folder possible")
        << 0 << QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                    + "/r7config/export/KDT-R7_ExportFile.xlsx";
}

// An export, then an import of it, and of a file that is no workbook.
void TestWorkbookTransfer::buttons()
{
    QFETCH(int, language);
    QFETCH(QString, file);
    g_language = language;
    const QString folder = m_appDir + QStringLiteral("/export");
    QDir(folder).removeRecursively();
    QVERIFY(language == 0 || QDir().mkpath(folder));
    QFile old(language == 0 ? folder : file);
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") > 0);
    old.close();
    QVERIFY(m_sim.command(QStringLiteral("set 8152 42")));
    BoxCloser boxes;
    click("Btu_Export");
    QFile::remove(folder);
    int row = 2;
    while (templateRows().at(row - 2).address != 8152)
        ++row;
    QCOMPARE(cell(file, row, ExelToWrite::ColValue), QStringLiteral("42"));
    QCOMPARE(cell(file, row, ExelToWrite::ColName), templateSheet(language).at(row - 1).at(1));
    QVERIFY(m_page->findChild<QLabel *>(QStringLiteral("label_exportPath"))->text().contains(file));

    QVERIFY(m_sim.command(QStringLiteral("set 8152 7")));
    QStringList chosen = {file, QStringLiteral(R7_CORPUS_DIR "/ole_header.xls")};
    ParameterTransfer::setImportFileChooser([&chosen] { return chosen.takeFirst(); });
    click("But_Import");
    QCOMPARE(registers(m_sim, 8152, 1), QStringLiteral("42"));
    click("But_Import");
    ParameterTransfer::setImportFileChooser({});
    QCOMPARE(boxes.texts, QStringList({"Export Finish!", "Import Finish!", "Import Failed!"}));
}

// Last: the link goes down.
void TestWorkbookTransfer::disconnectDuringExport()
{
    // Slow replies keep the export busy long enough to press buttons.
    QVERIFY(m_sim.command(QStringLiteral("delay 15")));
    const QRegularExpression exportStart(QStringLiteral("^PATH"));
    const int exportsBefore = g_traces.filter(exportStart).size();
    bool pausedDuring = false;
    QTimer::singleShot(300, this, [&] {
        // A tick now polls nothing (a header poll would fail and count) and
        // leaves the pause in place; neither button starts a second transfer.
        m_sim.command(QStringLiteral("fail 0"));
        const int failures = failureCountOf(m_window.get());
        m_window->onTick();
        pausedDuring = ExelToWrite::isRunning() && g_tickPending && failureCountOf(m_window.get()) == failures;
        m_sim.command(QStringLiteral("fail off"));
        click("Btu_Export");
        click("But_Import");
        QTest::mouseClick(m_window->findChild<QPushButton *>(QStringLiteral("ButtonDisconnect")), Qt::LeftButton);
    });
    QSignalSpy down(m_window.get(), &MainWindow::linkDown);
    ParameterTransfer::setImportFileChooser([] { return QString(); });
    BoxCloser boxes;
    click("Btu_Export");
    ParameterTransfer::setImportFileChooser({});
    QVERIFY(pausedDuring);
    QVERIFY(boxes.texts.isEmpty());
    QCOMPARE(g_traces.filter(exportStart).size() - exportsBefore, 1);
    QVERIFY(m_page->findChild<QProgressBar *>(QStringLiteral("progressBar_Export"))->isHidden());
    // Not saved: still the bare template.
    QCOMPARE(cell(ParameterTransfer::exportPath(0, m_appDir), 2, ExelToWrite::ColValue), QString());
    QVERIFY(down.wait(5000));
    QVERIFY(g_tickPending);
}

QTEST_MAIN(TestWorkbookTransfer)
#include "tst_workbooktransfer.moc"
