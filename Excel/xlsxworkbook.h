#ifndef XLSXWORKBOOK_H
#define XLSXWORKBOOK_H

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

// Reads and writes .xlsx workbooks (Office Open XML spreadsheets) directly,
// with libzip for the package and pugixml for its parts. One sheet at a time is
// loaded for reading and writing; every part the workbook does not change is
// carried over byte for byte when it is saved.
//
//     XlsxWorkbook book;
//     if (book.open(path) != XlsxWorkbook::Ok || book.selectSheet(name) != XlsxWorkbook::Ok)
//         ...
//     for (int row = 2; row <= book.rowCount(); ++row)
//         book.setCellText(row, 7, book.cellText(row, 1));
//     book.save();
//
// Rows and columns are 1-based. Nothing here throws or crashes on a malformed
// file: every step reports an Error.
class XlsxWorkbook
{
public:
    enum Error {
        Ok = 0,
        FileNotFound,   // nothing at the path
        NotAWorkbook,   // not a zip archive, or no workbook part in it
        MissingPart,    // a part the workbook names is not in the archive
        BadXml,         // a part is not well-formed XML
        TooLarge,       // a part unpacks to more than MaxPartSize
        NoSheets,       // the workbook lists no sheets
        NoSuchSheet,    // no sheet has that name
        NotOpen,        // no workbook open, or no sheet selected
        OutOfRange,     // row or column outside the sheet's limits
        WriteFailed,    // the new file could not be written or renamed
        CannotRead,     // something is at the path but cannot be read (permissions)
        TooManyCells,   // a part holds more XML elements than MaxElements
        MisplacedCell   // a cell's reference names another row than the one holding it
    };

    // Largest unpacked size of one part; a larger part counts as malformed
    // (a parameter workbook has a few hundred rows, not a zip bomb).
    static constexpr qint64 MaxPartSize = 32 * 1024 * 1024;
    static constexpr int MaxRows = 1048576;
    static constexpr int MaxColumns = 16384;
    // Largest number of XML tags in one part. Parsed, every element costs
    // about a hundred bytes, so a part of empty cells just under MaxPartSize
    // would take more than a gigabyte; a parameter sheet has a few thousand.
    static constexpr int MaxElements = 400000;

    XlsxWorkbook();
    ~XlsxWorkbook();
    XlsxWorkbook(const XlsxWorkbook &) = delete;
    XlsxWorkbook &operator=(const XlsxWorkbook &) = delete;

    Error open(const QString &path);
    // The same from the bytes of a file (cells can be written, but the
    // workbook cannot be saved).
    Error openData(const QByteArray &data);
    bool isOpen() const;
    QString path() const;

    // The sheet names in workbook order.
    QStringList sheetNames() const;
    // Loads the sheet of that name, found through the workbook's relationships.
    Error selectSheet(const QString &name);
    bool hasSheet() const;

    // The used range counted from A1: the last row and the last column that
    // hold a cell (0 for an empty sheet).
    int rowCount() const;
    int columnCount() const;

    // The cell as text: shared or inline strings, numbers (a whole number reads
    // as its digits), booleans as TRUE/FALSE, a formula's cached value, error
    // values as written. Empty when the cell does not exist. *readable is
    // false for a cell that holds something without a text: a formula with no
    // stored result (as scripts write them) or a shared string that is not there.
    QString cellText(int row, int column, bool *readable = nullptr) const;
    // Puts the text into the cell as an inline string, keeping the cell's
    // style; a formula in the cell is dropped. An empty text empties the cell.
    Error setCellText(int row, int column, const QString &text);
    bool isModified() const;

    // Writes the workbook back to its file: a new file is written beside it and
    // renamed over it, so the old file stays whole when anything fails. The
    // workbook stays open.
    Error save();
    // Forgets the workbook without saving.
    void close();

    // Writes a new workbook with one sheet. Cells holding an unsigned decimal
    // integer become numbers, the rest text; the first row is bold.
    static Error create(const QString &path, const QString &sheetName, const QVector<QStringList> &rows);

    static QString errorText(Error error);
    // The last error of open() or selectSheet() with what it concerns, for
    // messages: "cell G3 stored in row 2", "permission denied".
    QString errorDetail() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

#endif // XLSXWORKBOOK_H
