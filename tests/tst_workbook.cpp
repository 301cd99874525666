// The workbook engine alone: cells as other programs write them, writes that leave the rest be, malformed files.

#include "Excel/exeltowrite.h"
#include "Excel/xlsxworkbook.h"
#include "testsupport.h"
#include "xlsxexercise.h"

#include <QtTest>

#include <zip.h>

const QByteArray Main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const QByteArray Rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// The sheet beside parts a save carries over or drops: a formula in G2 with its calculation chain, an image.
// Row 3 holds cell kinds the corpus lacks: formulas without a result as Excel (no value) and openpyxl (an empty one)
// write them in G3 and H3.
const QMap<QString, QByteArray> Package = {
    {"[Content_Types].xml", "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Override "
                            "PartName=\"/xl/calcChain.xml\" ContentType=\"application/vnd.openxmlformats-"
                            "officedocument.spreadsheetml.calcChain+xml\"/></Types>"},
    {"xl/workbook.xml", "<workbook xmlns=\"" + Main + "\" xmlns:r=\"" + Rel
                            + "\"><sheets><sheet name=\"读写类\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
    {"xl/_rels/workbook.xml.rels",
     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
     "Type=\"" + Rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId3\" Type=\"" + Rel
         + "/calcChain\" Target=\"calcChain.xml\"/></Relationships>"},
    {"xl/calcChain.xml", "<calcChain xmlns=\"" + Main + "\"><c r=\"G2\" i=\"1\"/></calcChain>"},
    {"xl/worksheets/sheet1.xml",
     "<worksheet xmlns=\"" + Main + "\"><dimension ref=\"A1:G3\"/><sheetData><row r=\"1\" spans=\"1:7\">"
     "<c r=\"A1\"><v>0</v></c></row><row r=\"2\" spans=\"1:7\"><c r=\"A2\"><v>8102</v></c><c r=\"G2\" s=\"1\">"
     "<f>A2/2</f><v>4051</v></c></row><row r=\"3\"><c r=\"B3\" t=\"inlineStr\"><is><r><t>a</t></r><r><t "
     "xml:space=\"preserve\"> b</t></r></is></c><c r=\"C3\" t=\"n\"><v>2.0</v></c><c r=\"D3\"><v>4294967295</v>"
     "</c><c r=\"E3\"><v>1.5</v></c><c r=\"F3\"><f>A2*2</f><v>20</v></c><c r=\"G3\"><f>A2*2</f></c><c r=\"H3\"><f>A2</f><v></v></c></row>"
     "</sheetData></worksheet>"},
    {"xl/media/image1.png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0binary", 18)},
};

// One part of a package as another reader finds it; null if it is absent.
static QByteArray part(const QString &path, const char *name)
{
    return TestSupport::packageParts(path, QString::fromLatin1(name));
}

class TestWorkbook : public QObject
{
    Q_OBJECT

private slots:
    void readsAndWritesOnlyTheSheet();
    void corpusFiles_data();
    void corpusFiles();
};

void TestWorkbook::readsAndWritesOnlyTheSheet()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("write.xlsx"));
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    for (auto it = Package.begin(); zip && it != Package.end(); ++it)
        zip_file_add(zip, it.key().toUtf8().constData(), zip_source_buffer(zip, it->constData(), it->size(), 0), 0);
    QVERIFY(zip && zip_close(zip) == 0);
    XlsxWorkbook book;
    const auto open = [&] { return !book.open(path) && !book.selectSheet(ExelToWrite::SheetName); };
    QVERIFY(open());
    QStringList row3; // "!": a cell without a readable value (a formula never calculated)
    for (int column = 1; column <= 8; ++column) {
        bool readable = false;
        const QString text = book.cellText(3, column, &readable);
        row3 << (readable ? text : QLatin1Char('!') + text);
    }
    QCOMPARE(row3, QStringList({"", "a b", "2", "4294967295", "1.5", "20", "!", "!"}));
    QCOMPARE(book.setCellText(2, 7, QStringLiteral("20")), XlsxWorkbook::Ok);    // over a formula
    QCOMPARE(book.setCellText(5, 16, QStringLiteral(" x ")), XlsxWorkbook::Ok);  // a new row and column
    QCOMPARE(book.setCellText(2, 3, QStringLiteral("1")), XlsxWorkbook::Ok);     // between two cells
    QCOMPARE(book.save(), XlsxWorkbook::Ok);
    book.close();
    QVERIFY(open());
    QCOMPARE(book.cellText(5, 16), QStringLiteral(" x "));
    QCOMPARE(book.rowCount(), 5);
    const QByteArray sheet = part(path, "xl/worksheets/sheet1.xml");
    QVERIFY2(sheet.contains("<c r=\"G2\" s=\"1\" t=\"inlineStr\"><is><t>20</t></is></c>"), sheet.constData());
    QVERIFY2(sheet.contains("<row r=\"2\" spans=\"1:7\"><c r=\"A2\"><v>8102</v></c><c r=\"C2\"")
                 && sheet.contains("<dimension ref=\"A1:P5\"/>"), sheet.constData());
    // The formula went, and with it the calculation chain; every other part is carried over byte for byte.
    QVERIFY(part(path, "xl/calcChain.xml").isNull());
    QVERIFY(!(part(path, "xl/_rels/workbook.xml.rels") + part(path, "[Content_Types].xml")).contains("calcChain"));
    for (const char *name : {"xl/workbook.xml", "xl/media/image1.png"})
        QCOMPARE(part(path, name), Package.value(name));
    // A save that cannot write (a plain file in its folder's place stops even root) says so.
    QCOMPARE(book.setCellText(2, 7, QStringLiteral("1")), XlsxWorkbook::Ok);
    const QString moved = dir.path() + QStringLiteral(".moved");
    QVERIFY(QDir().rename(dir.path(), moved) && QFile(dir.path()).open(QIODevice::WriteOnly));
    const XlsxWorkbook::Error failed = book.save();
    QVERIFY(QFile::remove(dir.path()) && QDir().rename(moved, dir.path()));
    QCOMPARE(failed, XlsxWorkbook::WriteFailed);
}

void TestWorkbook::corpusFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("error"); // of opening, else of selecting the sheet
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("cells"); // "row:column:text" read there; text "!": no readable value
    using X = XlsxWorkbook;
    const QVector<QPair<const char *, X::Error>> refused = {{"absent.xlsx", X::FileNotFound},
        {"not_a_zip.xlsx", X::NotAWorkbook}, {"truncated.xlsx", X::NotAWorkbook}, {"ole_header.xls", X::NotAWorkbook},
        {"missing_workbook.xlsx", X::NotAWorkbook}, {"zip_bomb.xlsx", X::TooLarge}, {"no_sheets.xlsx", X::NoSheets},
        {"missing_sheet_part.xlsx", X::MissingPart}, {"bad_sheet_xml.xlsx", X::BadXml},
        {"misplaced_cell.xlsx", X::MisplacedCell}, {"many_cells.xlsx", X::TooManyCells}};
    for (const auto &file : refused)
        QTest::newRow(file.first) << QString::fromLatin1(file.first) << int(file.second) << 0 << QStringList();
    QTest::newRow("rows beyond the sheet") << "huge_dimension.xlsx" << 0 << XlsxWorkbook::MaxRows
                                           << QStringList{"2:1:", "2:3:"};
    QTest::newRow("references beyond the sheet, shared strings outside the table")
        << "bad_cell_refs.xlsx" << 0 << 2 << QStringList{"2:1:", "2:3:!", "2:4:!", "2:5:!", "2:6:1234"};
    QTest::newRow("shared strings, unnumbered rows and cells")
        << "shared_strings.xlsx" << 0 << 3
        << QStringList{"1:1:Address", "2:3:1", "2:7:20", "3:1:116", "3:2:TRUE", "3:7:1234"};
    QTest::newRow("prefixed XML, second sheet behind a relative target")
        << "prefixed.xlsx" << 0 << 2 << QStringList{"2:7:7"};
    // What fuzzing found: error -1, any answer but a crash.
    for (const QString &name : QDir(QStringLiteral(R7_CORPUS_DIR "/fuzz")).entryList(QDir::Files))
        QTest::newRow(qPrintable(name)) << QStringLiteral("fuzz/") + name << -1 << 0 << QStringList();
}

void TestWorkbook::corpusFiles()
{
    QFETCH(QString, file);
    QFETCH(int, error);
    QFETCH(int, rows);
    QFETCH(QStringList, cells);
    // Every step of a transfer runs over the file (fuzz inputs in parts form packed as the fuzz target packs them).
    QFile input(QStringLiteral(R7_CORPUS_DIR "/") + file);
    const QByteArray bytes = input.open(QIODevice::ReadOnly) ? input.readAll() : QByteArray();
    QVERIFY(exerciseWorkbook(file.endsWith(".parts") ? packParts(bytes) : bytes) <= XlsxWorkbook::MisplacedCell);
    if (error < 0)
        return;
    XlsxWorkbook book;
    const XlsxWorkbook::Error opened = book.open(input.fileName());
    QCOMPARE(int(opened ? opened : book.selectSheet(ExelToWrite::SheetName)), error);
    QCOMPARE(book.rowCount(), rows);
    for (const QString &cell : cells) {
        bool readable = false;
        const QString text = book.cellText(cell.section(':', 0, 0).toInt(), cell.section(':', 1, 1).toInt(), &readable);
        QCOMPARE(readable ? text : QLatin1Char('!') + text, cell.section(':', 2));
    }
    // A write stays in the sheet's namespace.
    if (error != XlsxWorkbook::Ok)
        return;
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("copy.xlsx"));
    QVERIFY(QFile::copy(input.fileName(), copy) && QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(!book.open(copy) && !book.selectSheet(ExelToWrite::SheetName));
    if (book.setCellText(2, 8, QStringLiteral("9")) == XlsxWorkbook::Ok && book.save() == XlsxWorkbook::Ok)
        QVERIFY(QString::fromUtf8(part(copy, "xl/worksheets/")).contains(
            QRegularExpression(R"(<(\w+:|)worksheet[\s\S]*<\1c r="H2" t="inlineStr"><\1is><\1t>9</\1t>)")));
}

QTEST_GUILESS_MAIN(TestWorkbook)
#include "tst_workbook.moc"
