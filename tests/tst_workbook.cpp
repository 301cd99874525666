// The workbook engine on its own: reading cells the way other programs write
// them, writing without disturbing the rest of the file, and refusing
// malformed files without crashing.

#include "Excel/exeltowrite.h"
#include "Excel/xlsxworkbook.h"
#include "xlsxexercise.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <zip.h>

namespace {

using Parts = QMap<QString, QByteArray>;

const QByteArray Main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const QByteArray Rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// The parameter sheet beside the parts a save must carry over or drop: shared
// strings "Address" and the rich "12"+"34" (its phonetic hint is no text), a
// formula in G2 with its calculation chain, an image. Row 3 holds the kinds of
// cell the corpus lacks.
const Parts Package = {
    {"[Content_Types].xml",
     "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default Extension=\"xml\" "
     "ContentType=\"application/xml\"/><Override PartName=\"/xl/calcChain.xml\" ContentType=\"application/"
     "vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml\"/></Types>"},
    {"xl/workbook.xml", "<workbook xmlns=\"" + Main + "\" xmlns:r=\"" + Rel
                            + "\"><sheets><sheet name=\"读写类\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
    {"xl/_rels/workbook.xml.rels",
     "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship Id=\"rId1\" "
     "Type=\"" + Rel + "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" + Rel
         + "/sharedStrings\" Target=\"sharedStrings.xml\"/><Relationship Id=\"rId3\" Type=\"" + Rel
         + "/calcChain\" Target=\"calcChain.xml\"/></Relationships>"},
    {"xl/sharedStrings.xml", "<sst xmlns=\"" + Main + "\"><si><t>Address</t></si>"
                             "<si><r><t>12</t></r><r><t>34</t></r><rPh sb=\"0\" eb=\"1\"><t>x</t></rPh></si></sst>"},
    {"xl/calcChain.xml", "<calcChain xmlns=\"" + Main + "\"><c r=\"G2\" i=\"1\"/></calcChain>"},
    {"xl/worksheets/sheet1.xml",
     "<worksheet xmlns=\"" + Main + "\"><dimension ref=\"A1:G3\"/><sheetData>"
         "<row r=\"1\" spans=\"1:7\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"
         "<row r=\"2\" spans=\"1:7\"><c r=\"A2\"><v>8102</v></c><c r=\"G2\" s=\"1\"><f>A2/2</f><v>4051</v></c></row>"
         "<row r=\"3\"><c r=\"A3\" t=\"s\"><v>1</v></c><c r=\"B3\" t=\"inlineStr\"><is><r><t>a</t></r><r>"
         "<t xml:space=\"preserve\"> b</t></r></is></c><c r=\"C3\" t=\"n\"><v>2.0</v></c><c r=\"D3\"><v>4294967295</v>"
         "</c><c r=\"E3\"><v>1.5</v></c><c r=\"F3\"><f>A2*2</f><v>20</v></c><c r=\"G3\"><f>A2*2</f></c></row>"
         "</sheetData></worksheet>"},
    {"xl/media/image1.png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0binary", 18)},
};

bool writePackage(const QString &path)
{
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    for (auto it = Package.begin(); zip && it != Package.end(); ++it)
        zip_file_add(zip, it.key().toUtf8().constData(), zip_source_buffer(zip, it->constData(), it->size(), 0), 0);
    return zip && zip_close(zip) == 0;
}

// Every part of a package, as stored (names and unpacked bytes).
Parts readPackage(const QString &path)
{
    Parts parts;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, nullptr);
    zip_stat_t st;
    for (zip_uint64_t i = 0; zip && zip_int64_t(i) < zip_get_num_entries(zip, 0); ++i) {
        if (zip_file_t *file = zip_stat_index(zip, i, 0, &st) == 0 ? zip_fopen_index(zip, i, 0) : nullptr) {
            QByteArray bytes(int(st.size), '\0');
            zip_fread(file, bytes.data(), st.size);
            zip_fclose(file);
            parts.insert(QString::fromUtf8(st.name), bytes);
        }
    }
    if (zip)
        zip_close(zip);
    return parts;
}

} // namespace

class TestWorkbook : public QObject
{
    Q_OBJECT

private slots:
    void readsAndWritesOnlyTheSheet();
    void corpusFiles_data();
    void corpusFiles();

private:
    QTemporaryDir m_dir;
};

void TestWorkbook::readsAndWritesOnlyTheSheet()
{
    const QString path = m_dir.filePath(QStringLiteral("write.xlsx"));
    QVERIFY(writePackage(path));
    XlsxWorkbook book;
    QCOMPARE(book.open(path), XlsxWorkbook::Ok);
    QCOMPARE(book.selectSheet(ExelToWrite::SheetName), XlsxWorkbook::Ok);
    QStringList row3;
    for (int column = 1; column <= 7; ++column)
        row3 << book.cellText(3, column);
    QCOMPARE(row3, QStringList({"1234", "a b", "2", "4294967295", "1.5", "20", ""}));
    QCOMPARE(book.setCellText(2, 7, QStringLiteral("20")), XlsxWorkbook::Ok);    // over a formula
    QCOMPARE(book.setCellText(5, 16, QStringLiteral(" x ")), XlsxWorkbook::Ok);  // a new row and column
    QCOMPARE(book.setCellText(2, 3, QStringLiteral("1")), XlsxWorkbook::Ok);     // between two cells
    QCOMPARE(book.save(), XlsxWorkbook::Ok);
    book.close();

    QCOMPARE(book.open(path), XlsxWorkbook::Ok);
    QCOMPARE(book.selectSheet(ExelToWrite::SheetName), XlsxWorkbook::Ok);
    QCOMPARE(book.cellText(5, 16), QStringLiteral(" x "));
    QCOMPARE(book.rowCount(), 5);
    const QByteArray sheet = book.sheetXml();
    QVERIFY2(sheet.contains("<c r=\"G2\" s=\"1\" t=\"inlineStr\"><is><t>20</t></is></c>"), sheet.constData());
    QVERIFY2(sheet.contains("<row r=\"2\" spans=\"1:7\"><c r=\"A2\"><v>8102</v></c><c r=\"C2\""), sheet.constData());
    QVERIFY(sheet.contains("<dimension ref=\"A1:P5\"/>"));
    // The formula went, and with it the calculation chain that named it;
    // every other part is carried over byte for byte.
    const Parts after = readPackage(path);
    QVERIFY(!after.contains(QStringLiteral("xl/calcChain.xml")));
    QVERIFY(!after.value(QStringLiteral("xl/_rels/workbook.xml.rels")).contains("calcChain"));
    QVERIFY(!after.value(QStringLiteral("[Content_Types].xml")).contains("calcChain"));
    for (const char *part : {"xl/sharedStrings.xml", "xl/workbook.xml", "xl/media/image1.png"})
        QCOMPARE(after.value(part), Package.value(part));

    // A save that cannot write (the folder's place is taken by a plain file,
    // which stops even root) leaves the file as it was, and no stray file.
    const Parts saved = readPackage(path);
    QCOMPARE(book.setCellText(2, 7, QStringLiteral("1")), XlsxWorkbook::Ok);
    const QString moved = m_dir.path() + QStringLiteral(".moved");
    QVERIFY(QDir().rename(m_dir.path(), moved));
    QFile blocker(m_dir.path());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const XlsxWorkbook::Error failed = book.save();
    QVERIFY(QFile::remove(m_dir.path()));
    QVERIFY(QDir().rename(moved, m_dir.path()));
    QCOMPARE(failed, XlsxWorkbook::WriteFailed);
    book.close();
    QCOMPARE(readPackage(path), saved);
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList(QStringLiteral("write.xlsx")));
}

void TestWorkbook::corpusFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("error"); // of opening, else of selecting the sheet
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("cells"); // "row:column:text" read there
    QTest::newRow("no file") << "absent.xlsx" << int(XlsxWorkbook::FileNotFound) << 0 << QStringList();
    QTest::newRow("text, not a zip") << "not_a_zip.xlsx" << int(XlsxWorkbook::NotAWorkbook) << 0 << QStringList();
    QTest::newRow("old binary .xls") << "ole_header.xls" << int(XlsxWorkbook::NotAWorkbook) << 0 << QStringList();
    QTest::newRow("truncated") << "truncated.xlsx" << int(XlsxWorkbook::NotAWorkbook) << 0 << QStringList();
    QTest::newRow("no workbook") << "missing_workbook.xlsx" << int(XlsxWorkbook::NotAWorkbook) << 0 << QStringList();
    QTest::newRow("no sheets") << "no_sheets.xlsx" << int(XlsxWorkbook::NoSheets) << 0 << QStringList();
    QTest::newRow("no sheet part") << "missing_sheet_part.xlsx" << int(XlsxWorkbook::MissingPart) << 0 << QStringList();
    QTest::newRow("bad sheet XML") << "bad_sheet_xml.xlsx" << int(XlsxWorkbook::BadXml) << 0 << QStringList();
    QTest::newRow("zip bomb") << "zip_bomb.xlsx" << int(XlsxWorkbook::TooLarge) << 0 << QStringList();
    QTest::newRow("rows beyond the sheet") << "huge_dimension.xlsx" << 0 << XlsxWorkbook::MaxRows
                                           << QStringList{"2:1:", "2:3:"};
    QTest::newRow("cells outside their row") << "bad_cell_refs.xlsx" << 0 << 2 << QStringList{"2:1:", "2:3:"};
    QTest::newRow("shared strings, unnumbered rows and cells")
        << "shared_strings.xlsx" << 0 << 3
        << QStringList{"1:1:Address", "2:3:1", "2:7:20", "3:1:116", "3:2:TRUE", "3:7:1234"};
    // The sheet is the second, behind a relative target, in prefixed XML.
    QTest::newRow("prefixed, second sheet") << "prefixed.xlsx" << 0 << 2 << QStringList{"2:7:7"};
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
    // Every step of a transfer runs over the file (fuzz inputs in the
    // target's parts form packed as it packs them).
    QFile input(QStringLiteral(R7_CORPUS_DIR "/") + file);
    const QByteArray bytes = input.open(QIODevice::ReadOnly) ? input.readAll() : QByteArray();
    const bool parts = file.endsWith(QLatin1String(".parts"));
    QVERIFY(exerciseWorkbook(parts ? packParts(bytes) : bytes) <= XlsxWorkbook::WriteFailed);
    if (error < 0)
        return;
    XlsxWorkbook book;
    XlsxWorkbook::Error result = book.open(input.fileName());
    QCOMPARE(book.isOpen(), result == XlsxWorkbook::Ok);
    if (result == XlsxWorkbook::Ok)
        result = book.selectSheet(ExelToWrite::SheetName);
    QCOMPARE(int(result), error);
    QCOMPARE(book.rowCount(), rows);
    for (const QString &cell : cells)
        QCOMPARE(book.cellText(cell.section(':', 0, 0).toInt(), cell.section(':', 1, 1).toInt()), cell.section(':', 2));
    // A write stays in the sheet's namespace.
    if (result == XlsxWorkbook::Ok && book.setCellText(2, 8, QStringLiteral("9")) == XlsxWorkbook::Ok)
        QVERIFY(QRegularExpression(QStringLiteral("<(\\w+:|)worksheet[\\s\\S]*<\\1c r=\"H2\" t=\"inlineStr\"><\\1is>"
                                                  "<\\1t>9</\\1t>"))
                    .match(QString::fromUtf8(book.sheetXml())).hasMatch());
}

QTEST_GUILESS_MAIN(TestWorkbook)
#include "tst_workbook.moc"
