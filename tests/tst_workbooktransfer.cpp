// Export and import against the simulator: the rows of an export, the row rules of an import with their safety
// checks, and the Test Maintain page's buttons, also while the link goes down.

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

const QStringList Header = {"Address", "Name", "Type", "Max", "Min", "Page", "Value"};

// Presses OK on every message box as it opens and keeps its text.
struct BoxCloser : QTimer
{
    BoxCloser()
    {
        connect(this, &QTimer::timeout, [this] {
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
    void init() { QVERIFY(m_sim.command(QStringLiteral("fail off"))); }
    void exportRows();
    void importRows_data();
    void importRows();
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
    QVERIFY(setRegister32(m_sim, 116, 70000) && setRegister32(m_sim, 654, 0x3FC00000)
            && setRegister32(m_sim, 656, 927552412));
    const QString path = book(QStringLiteral("export.xlsx"),
                              {Header, {"8102", "gap", "1"}, {"116", "stab time", "2"}, {"654", "float", "3"},
                               {"656", "small float", "3"}, {"", "no address", "1", "", "", "", "keep"},
                               {"8151", "refused", "1", "", "", "", "999"}, {"Address", "a second header", "Type"}});
    QCOMPARE(m_transfer.exportWorkbook(workbookCollection(), path, modbusClient()), 1);
    const TransferReport &report = m_transfer.report();
    QCOMPARE(QVector<int>({report.transferred, report.failed, report.skipped}), QVector<int>({4, 1, 1}));
    QCOMPARE(report.problems, QStringList({"8151", "Address"}));
    QProcess reader; // an independent reader of the value column
    reader.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import openpyxl, sys\nws = "
                 "openpyxl.load_workbook(sys.argv[1])['读写类']\nprint('|'.join(r[6] or '' for r in ws.iter_rows("
                 "min_row=2, values_only=True)))"), path});
    QVERIFY(reader.waitForFinished(30000));
    QCOMPARE(reader.readAllStandardOutput().trimmed(), QByteArray("33|70000|1.5|1.2e-05|keep||"));
}

void TestWorkbookTransfer::importRows_data()
{
    QTest::addColumn<QString>("cells");  // address, type, upper, lower, value
    QTest::addColumn<int>("connType");
    QTest::addColumn<QString>("held");   // the row's register and the next afterwards; 4369 (0x1111) before
    QTest::addColumn<int>("skipped");
    QTest::addColumn<int>("failed");     // 1: the device refuses the write
    const auto row = [](const char *name, const char *cells, int connType, const char *held, int skipped = 0,
                        int failed = 0) {
        QTest::newRow(name) << QString(cells) << connType << held << skipped << failed;
    };
    const char *kept = "4369 4369";
    row("type 1 above 32767, at the upper limit", "8152,1,40000,0,40000", 1, "40000 4369");
    row("type 2, 32-bit value", "212,2,4294967295,0,4294967290", 1, "65535 65530");
    row("type 3 is never imported", "116,3,5000,0,2", 1, kept);
    row("above the upper limit", "116,2,5000,1,5001", 1, kept);
    row("below the lower limit", "116,2,5000,1,0", 1, kept);
    row("value 1.5", "116,2,5000,0,1.5", 1, kept, 1);
    row("type 12", "116,12,5000,0,5", 1, kept, 1);
    row("type 1 above 65535, its low 16 bits a valid send gap", "8152,1,4294967295,0,65556", 1, kept, 1);
    row("pair reaching a calibration point", "213,2,999999,0,100", 1, kept, 1);
    row("RTU: serial port settings kept", "8002,1,7,0,2", 0, kept);
    row("TCP: serial port settings written", "8002,1,7,0,2", 1, "2 4369");
    row("TCP: network settings kept", "8105,1,255,0,7", 1, kept);
    row("device refuses", "8152,1,65535,0,20", 1, kept, 0, 1);
}

void TestWorkbookTransfer::importRows()
{
    QFETCH(QString, cells);
    QFETCH(int, connType);
    QFETCH(QString, held);
    QFETCH(int, skipped);
    QFETCH(int, failed);
    const QStringList c = cells.split(QLatin1Char(','));
    const int address = c[0].toInt();
    QVERIFY(setRegister32(m_sim, address, 0x11111111));
    QVERIFY(!failed || m_sim.command(QStringLiteral("fail %1").arg(address)));
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
    QTest::newRow("English, no export folder beside the program: the user's data folder")
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
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") > 0 && old.flush());
    QVERIFY(m_sim.command(QStringLiteral("set 8152 42")));
    BoxCloser boxes;
    click("Btu_Export");
    QFile::remove(folder);
    int row = 2;
    while (templateRows().at(row - 2).address != 8152)
        ++row;
    QCOMPARE(cell(file, row, ExelToWrite::ColValue), QStringLiteral("42"));
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

    QVERIFY(m_sim.command(QStringLiteral("set 8152 7")));
    QStringList chosen = {file, QStringLiteral(R7_CORPUS_DIR "/ole_header.xls")};
    ParameterTransfer::setImportFileChooser([&chosen] { return chosen.takeFirst(); });
    click("But_Import");
    QCOMPARE(registers(m_sim, 8152, 1), QStringLiteral("42"));
    click("But_Import");
    ParameterTransfer::setImportFileChooser({});
    QCOMPARE(boxes.texts, QStringList({"Export Finish!", "Import Finish!", "Import Failed!"}));
}

void TestWorkbookTransfer::interrupted_data()
{
    QTest::addColumn<bool>("import");
    QTest::addColumn<bool>("disconnect"); // Disconnect rather than the transfer's Stop button
    QTest::addColumn<QString>("box");     // the lines of the final message after "stopped by the operator."
    const QString rows = QStringLiteral("Stopped after 1 of %1 rows").arg(templateRows().size());
    QTest::newRow("export, Stop") << false << false << rows + "; the workbook was not saved.";
    QTest::newRow("import, Stop") << true << false << "Stopped after 1 of 10 rows.\nWritten addresses: 116-117";
    // The replies come later than the grace period of Disconnect, which then lowers the link-closing flag.
    QTest::newRow("export, Disconnect") << false << true << rows + "; the workbook was not saved.";
    QTest::newRow("import, Disconnect") << true << true << "Stopped after 1 of 10 rows.\nNothing was written.";
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
    int chosen = 0;
    ParameterTransfer::setImportFileChooser([&chosen, path] { return ++chosen, path; });
    const int exportsBefore = g_traces.filter(QRegularExpression("^PATH")).size();
    QSignalSpy down(m_window.get(), &MainWindow::linkDown);
    const char *stop = disconnect ? nullptr : import ? "Btn_StopImport" : "Btn_StopExport";
    bool stopShown = false, pausedDuring = false;
    QTimer::singleShot(150, this, [&] {
        // A tick polls nothing (a header poll would fail and count) and leaves the pause.
        m_sim.command(QStringLiteral("fail 0"));
        const int failures = failureCountOf(m_window.get());
        m_window->onTick();
        pausedDuring = ExelToWrite::isRunning() && g_tickPending && failureCountOf(m_window.get()) == failures;
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
    BoxCloser boxes;
    click(import ? "But_Import" : "Btu_Export");
    ParameterTransfer::setImportFileChooser({});
    QVERIFY(stop == nullptr || stopShown);
    QVERIFY(pausedDuring);
    QCOMPARE(g_traces.filter(QRegularExpression("^PATH")).size() - exportsBefore, import ? 0 : 1);
    QCOMPARE(chosen, import ? 1 : 0);
    const QString what = import ? QStringLiteral("Import") : QStringLiteral("Export");
    QCOMPARE(boxes.texts.size(), 2);
    QCOMPARE(boxes.texts.at(0), import ? QStringLiteral("An import is running: export when it has finished.")
                                       : QStringLiteral("An export is running: import when it has finished."));
    QCOMPARE(boxes.texts.at(1).section(QLatin1Char('\n'), 0, 2),
             what + QStringLiteral(" stopped by the operator.\n") + box);
    QCOMPARE(simWrites(m_sim), import ? 1 : 0);
    QVERIFY(m_page->findChild<QProgressBar *>("progressBar_" + what)->isHidden());
    QVERIFY(m_page->findChild<QPushButton *>("Btn_Stop" + what)->isHidden());
    if (!import)
        QCOMPARE(cell(ParameterTransfer::exportPath(0, m_appDir), 2, ExelToWrite::ColValue), QString()); // not saved
    if (disconnect) {
        QVERIFY(down.count() == 1 || down.wait(5000));
        QTest::qWait(1000); // nothing goes on over a link that is gone, and polling stays off
        QCOMPARE(simWrites(m_sim), import ? 1 : 0);
        QVERIFY(g_tickPending);
        QCOMPARE(g_pageIndex, int(PageConnection));
    } else {
        QVERIFY(!g_tickPending); // polling resumes on the link that stays up
        QCOMPARE(down.count(), 0);
    }
}

QTEST_MAIN(TestWorkbookTransfer)
#include "tst_workbooktransfer.moc"
