// The workbook engine on its own: reading cells the way other programs write
// them, writing without disturbing the rest of the file, and refusing
// malformed files without crashing.

#include "Excel/exeltowrite.h"
#include "Excel/parametertable.h"
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
const QByteArray Pkg = "http://schemas.openxmlformats.org/package/2006/relationships";

QByteArray relationships(const QList<QPair<QByteArray, QByteArray>> &typeAndTarget)
{
    QByteArray out = "<Relationships xmlns=\"" + Pkg + "\">";
    for (int i = 0; i < typeAndTarget.size(); ++i)
        out += "<Relationship Id=\"rId" + QByteArray::number(i + 1) + "\" Type=\"" + Rel + "/"
            + typeAndTarget.at(i).first + "\" Target=\"" + typeAndTarget.at(i).second + "\"/>";
    return out + "</Relationships>";
}

// A package with the parameter sheet holding sheetData, shared strings
// "Address" and the rich "12"+"34" (with a phonetic hint that is no text).
Parts parameterPackage(const QByteArray &sheetData, const QByteArray &sheetAttributes = QByteArray())
{
    return {
        {"_rels/.rels", relationships({{"officeDocument", "xl/workbook.xml"}})},
        {"[Content_Types].xml",
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
         "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
         "<Override PartName=\"/xl/workbook.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
         "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
         "<Override PartName=\"/xl/sharedStrings.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
         "<Override PartName=\"/xl/calcChain.xml\" "
         "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml\"/></Types>"},
        {"xl/workbook.xml", "<workbook xmlns=\"" + Main + "\" xmlns:r=\"" + Rel
                                + "\"><sheets><sheet name=\"读写类\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         relationships({{"worksheet", "worksheets/sheet1.xml"}, {"sharedStrings", "sharedStrings.xml"},
                        {"calcChain", "calcChain.xml"}, {"styles", "styles.xml"}})},
        {"xl/styles.xml", "<styleSheet xmlns=\"" + Main + "\"><fonts count=\"1\"><font/></fonts><fills count=\"1\">"
                          "<fill><patternFill patternType=\"none\"/></fill></fills><borders count=\"1\"><border/></borders><cellXfs count=\"2\"><xf/>"
                          "<xf numFmtId=\"10\"/></cellXfs></styleSheet>"},
        {"xl/sharedStrings.xml", "<sst xmlns=\"" + Main + "\"><si><t>Address</t></si>"
                                 "<si><r><t>12</t></r><r><t>34</t></r><rPh sb=\"0\" eb=\"1\"><t>x</t></rPh></si></sst>"},
        {"xl/calcChain.xml", "<calcChain xmlns=\"" + Main + "\"><c r=\"G2\" i=\"1\"/></calcChain>"},
        {"xl/worksheets/sheet1.xml", "<worksheet xmlns=\"" + Main + "\"" + sheetAttributes
                                         + "><dimension ref=\"A1:G2\"/><sheetData>" + sheetData
                                         + "</sheetData></worksheet>"},
        {"xl/media/image1.png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0binary", 18)},
    };
}

bool writePackage(const QString &path, const Parts &parts)
{
    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip)
        return false;
    for (auto it = parts.begin(); it != parts.end(); ++it) {
        zip_source_t *source = zip_source_buffer(zip, it.value().constData(), zip_uint64_t(it.value().size()), 0);
        if (zip_file_add(zip, it.key().toUtf8().constData(), source, 0) < 0) {
            zip_source_free(source);
            zip_discard(zip);
            return false;
        }
    }
    return zip_close(zip) == 0;
}

// Every part of a package, as stored (names and unpacked bytes).
Parts readPackage(const QString &path)
{
    Parts parts;
    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!zip)
        return parts;
    for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
        zip_stat_t st;
        zip_file_t *file = zip_fopen_index(zip, zip_uint64_t(i), 0);
        if (zip_stat_index(zip, zip_uint64_t(i), 0, &st) != 0 || !file)
            continue;
        QByteArray bytes(int(st.size), '\0');
        zip_fread(file, bytes.data(), st.size);
        zip_fclose(file);
        parts.insert(QString::fromUtf8(st.name), bytes);
    }
    zip_close(zip);
    return parts;
}

} // namespace

class TestWorkbook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readsCellsAsText_data();
    void readsCellsAsText();
    void findsSheetThroughRelationships();
    void writesOnlyTheSheet();
    void failedSaveLeavesFileWhole();
    void malformedFiles_data();
    void malformedFiles();
    void corpusReplays();
    void templatesAgree();

private:
    QTemporaryDir m_dir;
};

void TestWorkbook::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestWorkbook::readsCellsAsText_data()
{
    QTest::addColumn<QByteArray>("cell");
    QTest::addColumn<QString>("text");
    QTest::newRow("shared string") << QByteArray("<c r=\"B2\" t=\"s\"><v>0</v></c>") << "Address";
    QTest::newRow("shared rich text without phonetics") << QByteArray("<c r=\"B2\" t=\"s\"><v>1</v></c>") << "1234";
    QTest::newRow("shared index beyond the table") << QByteArray("<c r=\"B2\" t=\"s\"><v>2</v></c>") << "";
    QTest::newRow("inline rich text")
        << QByteArray("<c r=\"B2\" t=\"inlineStr\"><is><r><t>a</t></r><r><t xml:space=\"preserve\"> b</t></r></is></c>")
        << "a b";
    QTest::newRow("whole number") << QByteArray("<c r=\"B2\"><v>8102</v></c>") << "8102";
    QTest::newRow("whole number written as real") << QByteArray("<c r=\"B2\" t=\"n\"><v>2.0</v></c>") << "2";
    QTest::newRow("exponent") << QByteArray("<c r=\"B2\"><v>1E3</v></c>") << "1000";
    QTest::newRow("largest unsigned 32-bit") << QByteArray("<c r=\"B2\"><v>4294967295</v></c>") << "4294967295";
    QTest::newRow("fraction") << QByteArray("<c r=\"B2\"><v>1.5</v></c>") << "1.5";
    QTest::newRow("negative") << QByteArray("<c r=\"B2\"><v>-3</v></c>") << "-3";
    QTest::newRow("boolean") << QByteArray("<c r=\"B2\" t=\"b\"><v>1</v></c>") << "TRUE";
    QTest::newRow("formula's cached number") << QByteArray("<c r=\"B2\"><f>A1*2</f><v>20</v></c>") << "20";
    QTest::newRow("formula's cached text") << QByteArray("<c r=\"B2\" t=\"str\"><f>A1</f><v>ok</v></c>") << "ok";
    QTest::newRow("formula never calculated") << QByteArray("<c r=\"B2\"><f>A1*2</f></c>") << "";
    QTest::newRow("error value") << QByteArray("<c r=\"B2\" t=\"e\"><v>#N/A</v></c>") << "#N/A";
    QTest::newRow("styled but empty") << QByteArray("<c r=\"B2\" s=\"4\"/>") << "";
    QTest::newRow("cell without reference follows the one before")
        << QByteArray("<c r=\"A2\"><v>1</v></c><c><v>7</v></c>") << "7";
}

void TestWorkbook::readsCellsAsText()
{
    QFETCH(QByteArray, cell);
    QFETCH(QString, text);
    const QString path = m_dir.filePath(QStringLiteral("cells.xlsx"));
    QVERIFY(writePackage(path, parameterPackage("<row r=\"2\">" + cell + "</row>")));
    XlsxWorkbook book;
    QCOMPARE(book.open(path), XlsxWorkbook::Ok);
    QCOMPARE(book.selectSheet(ExelToWrite::SheetName), XlsxWorkbook::Ok);
    QCOMPARE(book.cellText(2, 2), text);
    QCOMPARE(book.rowCount(), 2);
}

void TestWorkbook::findsSheetThroughRelationships()
{
    // The sheet named "读写类" is the second, behind rId5, in a file whose name
    // says nothing, reached by an absolute target; prefixed elements, rows
    // without numbers.
    Parts parts = {
        {"_rels/.rels", relationships({{"officeDocument", "/xl/book.xml"}})},
        {"xl/book.xml", "<x:workbook xmlns:x=\"" + Main + "\" xmlns:rel=\"" + Rel
                            + "\"><x:sheets><x:sheet name=\"Notes\" sheetId=\"1\" rel:id=\"rId1\"/>"
                              "<x:sheet name=\"读写类\" sheetId=\"2\" rel:id=\"rId5\"/></x:sheets></x:workbook>"},
        {"xl/_rels/book.xml.rels",
         "<Relationships xmlns=\"" + Pkg + "\"><Relationship Id=\"rId1\" Type=\"" + Rel
             + "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId5\" Type=\"" + Rel
             + "/worksheet\" Target=\"/xl/worksheets/other.xml\"/></Relationships>"},
        {"xl/worksheets/sheet1.xml", "<worksheet xmlns=\"" + Main
                                         + "\"><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"
                                           "</sheetData></worksheet>"},
        {"xl/worksheets/other.xml", "<x:worksheet xmlns:x=\"" + Main
                                        + "\"><x:sheetData><x:row><x:c><x:v>100</x:v></x:c></x:row>"
                                          "<x:row><x:c r=\"C2\"><x:v>2</x:v></x:c></x:row>"
                                          "</x:sheetData></x:worksheet>"},
    };
    const QString path = m_dir.filePath(QStringLiteral("relations.xlsx"));
    QVERIFY(writePackage(path, parts));
    XlsxWorkbook book;
    QCOMPARE(book.open(path), XlsxWorkbook::Ok);
    QCOMPARE(book.sheetNames(), QStringList({QStringLiteral("Notes"), ExelToWrite::SheetName}));
    QCOMPARE(book.selectSheet(QStringLiteral("Sheet2")), XlsxWorkbook::NoSuchSheet);
    QCOMPARE(book.selectSheet(ExelToWrite::SheetName), XlsxWorkbook::Ok);
    QCOMPARE(book.cellText(1, 1), QStringLiteral("100"));
    QCOMPARE(book.cellText(2, 3), QStringLiteral("2"));
    QCOMPARE(book.rowCount(), 2);
    QCOMPARE(book.columnCount(), 3);

    // A write into a prefixed sheet stays in its namespace.
    QCOMPARE(book.setCellText(2, 7, QStringLiteral("9")), XlsxWorkbook::Ok);
    QVERIFY(book.sheetXml().contains("<x:c r=\"G2\" t=\"inlineStr\"><x:is><x:t>9</x:t></x:is></x:c>"));
}

void TestWorkbook::writesOnlyTheSheet()
{
    const QString path = m_dir.filePath(QStringLiteral("write.xlsx"));
    QVERIFY(writePackage(path, parameterPackage("<row r=\"1\" spans=\"1:7\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"
                                                "<row r=\"2\" spans=\"1:7\"><c r=\"A2\"><v>8102</v></c>"
                                                "<c r=\"G2\" s=\"1\"><f>A2/2</f><v>4051</v></c></row>")));
    const Parts before = readPackage(path);
    XlsxWorkbook book;
    QCOMPARE(book.open(path), XlsxWorkbook::Ok);
    QCOMPARE(book.selectSheet(ExelToWrite::SheetName), XlsxWorkbook::Ok);
    QCOMPARE(book.setCellText(2, 7, QStringLiteral("20")), XlsxWorkbook::Ok);   // over a formula
    QCOMPARE(book.setCellText(4, 8, QStringLiteral(" x ")), XlsxWorkbook::Ok);  // a new row and column
    QCOMPARE(book.setCellText(2, 3, QStringLiteral("1")), XlsxWorkbook::Ok);    // between two cells
    QCOMPARE(book.save(), XlsxWorkbook::Ok);
    book.close();

    QCOMPARE(book.open(path), XlsxWorkbook::Ok);
    QCOMPARE(book.selectSheet(ExelToWrite::SheetName), XlsxWorkbook::Ok);
    QCOMPARE(book.cellText(2, 7), QStringLiteral("20"));
    QCOMPARE(book.cellText(4, 8), QStringLiteral(" x "));
    QCOMPARE(book.cellText(2, 1), QStringLiteral("8102"));
    QCOMPARE(book.rowCount(), 4);
    const QByteArray sheet = book.sheetXml();
    QVERIFY2(sheet.contains("<c r=\"G2\" s=\"1\" t=\"inlineStr\"><is><t>20</t></is></c>"), sheet.constData());
    QVERIFY2(sheet.contains("<row r=\"2\" spans=\"1:7\"><c r=\"A2\"><v>8102</v></c><c r=\"C2\""), sheet.constData());
    QVERIFY(sheet.contains("<dimension ref=\"A1:H4\"/>"));

    // The formula went, and with it the calculation chain that named it;
    // every other part is carried over byte for byte.
    Parts after = readPackage(path);
    QVERIFY(!after.contains(QStringLiteral("xl/calcChain.xml")));
    QVERIFY(!after.value(QStringLiteral("xl/_rels/workbook.xml.rels")).contains("calcChain"));
    QVERIFY(!after.value(QStringLiteral("[Content_Types].xml")).contains("calcChain"));
    for (const QString &part : {QStringLiteral("xl/sharedStrings.xml"), QStringLiteral("xl/workbook.xml"),
                                QStringLiteral("xl/media/image1.png"), QStringLiteral("_rels/.rels")})
        QCOMPARE(after.value(part), before.value(part));
    // An independent reader takes the result.
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import openpyxl,sys; ws=openpyxl.load_workbook(sys.argv[1])['读写类'];"
                                 "print(ws['G2'].value, ws['A2'].value, ws.max_row)"),
                  path});
    QVERIFY(reader.waitForFinished(30000));
    QVERIFY2(reader.exitCode() == 0, reader.readAllStandardError().constData());
    QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()).trimmed(), QStringLiteral("20 8102 4"));
}

void TestWorkbook::failedSaveLeavesFileWhole()
{
    QTemporaryDir dir(m_dir.filePath(QStringLiteral("save-XXXXXX")));
    const QString path = dir.filePath(QStringLiteral("book.xlsx"));
    QVERIFY(XlsxWorkbook::create(path, ExelToWrite::SheetName, templateSheet(0)) == XlsxWorkbook::Ok);
    QFile original(path);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    original.close();

    XlsxWorkbook book;
    QCOMPARE(book.open(path), XlsxWorkbook::Ok);
    QCOMPARE(book.selectSheet(ExelToWrite::SheetName), XlsxWorkbook::Ok);
    QCOMPARE(book.setCellText(2, 7, QStringLiteral("1")), XlsxWorkbook::Ok);
    // The folder cannot take the new file (even for root): its place is
    // taken by a plain file until the save has failed.
    const QString moved = dir.path() + QStringLiteral(".moved");
    QVERIFY(QDir().rename(dir.path(), moved));
    QFile blocker(dir.path());
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const XlsxWorkbook::Error saved = book.save();
    QVERIFY(QFile::remove(dir.path()));
    QVERIFY(QDir().rename(moved, dir.path()));
    QCOMPARE(saved, XlsxWorkbook::WriteFailed);
    book.close();

    QVERIFY(original.open(QIODevice::ReadOnly));
    QCOMPARE(original.readAll(), bytes);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList(QStringLiteral("book.xlsx")));
}

void TestWorkbook::malformedFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("openResult");
    QTest::addColumn<int>("sheetResult");
    QTest::addColumn<int>("rows");
    QTest::newRow("no file") << "absent.xlsx" << int(XlsxWorkbook::FileNotFound) << -1 << 0;
    QTest::newRow("text, not a zip") << "not_a_zip.xlsx" << int(XlsxWorkbook::NotAWorkbook) << -1 << 0;
    QTest::newRow("old binary .xls") << "ole_header.xls" << int(XlsxWorkbook::NotAWorkbook) << -1 << 0;
    QTest::newRow("truncated") << "truncated.xlsx" << int(XlsxWorkbook::NotAWorkbook) << -1 << 0;
    QTest::newRow("no workbook part") << "missing_workbook.xlsx" << int(XlsxWorkbook::NotAWorkbook) << -1 << 0;
    QTest::newRow("no sheets") << "no_sheets.xlsx" << 0 << int(XlsxWorkbook::NoSheets) << 0;
    QTest::newRow("sheet part missing") << "missing_sheet_part.xlsx" << 0 << int(XlsxWorkbook::MissingPart) << 0;
    QTest::newRow("sheet not well-formed") << "bad_sheet_xml.xlsx" << 0 << int(XlsxWorkbook::BadXml) << 0;
    QTest::newRow("zip bomb") << "zip_bomb.xlsx" << 0 << int(XlsxWorkbook::TooLarge) << 0;
    QTest::newRow("huge dimension, rows beyond the sheet")
        << "huge_dimension.xlsx" << 0 << 0 << XlsxWorkbook::MaxRows;
    QTest::newRow("cells outside their row, duplicate rows") << "bad_cell_refs.xlsx" << 0 << 0 << 2;
}

void TestWorkbook::malformedFiles()
{
    QFETCH(QString, file);
    QFETCH(int, openResult);
    QFETCH(int, sheetResult);
    QFETCH(int, rows);
    XlsxWorkbook book;
    QCOMPARE(int(book.open(QStringLiteral(R7_CORPUS_DIR "/") + file)), openResult);
    if (openResult != XlsxWorkbook::Ok) {
        QVERIFY(!book.isOpen());
        return;
    }
    QCOMPARE(int(book.selectSheet(ExelToWrite::SheetName)), sheetResult);
    QCOMPARE(book.rowCount(), rows);
    if (sheetResult == XlsxWorkbook::Ok) {
        // Nothing read from a cell that lies outside its row or sheet.
        QCOMPARE(book.cellText(2, 1), QString());
        QCOMPARE(book.cellText(2, 3), QString());
    }
}

void TestWorkbook::corpusReplays()
{
    // The seeds and what fuzzing found: each must come back with an answer.
    int files = 0;
    QDirIterator it(QStringLiteral(R7_CORPUS_DIR), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.fileName().endsWith(QLatin1String(".py")))
            continue;
        QVERIFY(file.open(QIODevice::ReadOnly));
        // Fuzz inputs in the target's parts form are packed as it packs them.
        const QByteArray bytes = file.readAll();
        const XlsxWorkbook::Error error =
            exerciseWorkbook(file.fileName().endsWith(QLatin1String(".parts")) ? packParts(bytes) : bytes);
        QVERIFY2(error >= XlsxWorkbook::Ok && error <= XlsxWorkbook::WriteFailed, qPrintable(file.fileName()));
        ++files;
    }
    QVERIFY(files >= 20);
}

void TestWorkbook::templatesAgree()
{
    // Both shipped templates list the same parameters, and none whose write
    // would set something off.
    QList<QStringList> columns[2];
    for (int language : {0, 1}) {
        XlsxWorkbook book;
        QCOMPARE(book.open(QStringLiteral(R7_TEMPLATE_DIR "/") + templateFileName(language)), XlsxWorkbook::Ok);
        QCOMPARE(book.selectSheet(ExelToWrite::SheetName), XlsxWorkbook::Ok);
        QCOMPARE(book.rowCount(), templateRows().size() + 1);
        for (int row = 2; row <= book.rowCount(); ++row) {
            QStringList cells;
            for (int c : {1, 3, 4, 5})
                cells << book.cellText(row, c);
            quint32 address = 0, type = 0;
            QVERIFY(ExelToWrite::parseUnsigned(cells.at(0), &address));
            QVERIFY(ExelToWrite::parseUnsigned(cells.at(1), &type));
            QVERIFY2(!ExelToWrite::touchesActionRegister(address, type == 1 ? 1 : 2), qPrintable(cells.at(0)));
            QVERIFY(!book.cellText(row, 2).isEmpty());
            QVERIFY(book.cellText(row, 7).isEmpty());
            columns[language] << cells;
        }
    }
    QCOMPARE(columns[0], columns[1]);
}

QTEST_GUILESS_MAIN(TestWorkbook)
#include "tst_workbook.moc"
