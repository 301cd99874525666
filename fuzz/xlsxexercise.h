#ifndef R7_XLSXEXERCISE_H
#define R7_XLSXEXERCISE_H

#include "Excel/xlsxworkbook.h"

#include <QByteArray>
#include <algorithm>

// Runs every reading and writing operation of the workbook engine over the
// bytes of one file, as a transfer would. Shared by the fuzz target and the
// corpus replay test. Returns the result of opening the file.
inline XlsxWorkbook::Error exerciseWorkbook(const QByteArray &data)
{
    XlsxWorkbook book;
    const XlsxWorkbook::Error opened = book.openData(data);
    if (opened != XlsxWorkbook::Ok)
        return opened;
    QStringList names = book.sheetNames();
    names << QStringLiteral("读写类");
    for (int i = 0; i < names.size() && i < 4; ++i) {
        if (book.selectSheet(names.at(i)) != XlsxWorkbook::Ok)
            continue;
        const int rows = std::min(book.rowCount(), 400);
        const int columns = std::min(book.columnCount(), 16);
        qsizetype total = 0;
        for (int r = 1; r <= rows; ++r) {
            for (int c = 1; c <= columns; ++c)
                total += book.cellText(r, c).size();
        }
        book.setCellText(2, 7, QStringLiteral("4294967295"));
        book.setCellText(std::max(rows, 1) + 1, 3, QStringLiteral(" x "));
        book.setCellText(1, 1, QString());
        total += book.cellText(2, 7).size() + book.sheetXml().size();
        if (total < 0)
            return XlsxWorkbook::BadXml; // never: keeps the reads from being optimised away
    }
    return opened;
}

#endif // R7_XLSXEXERCISE_H
