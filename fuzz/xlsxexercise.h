#ifndef R7_XLSXEXERCISE_H
#define R7_XLSXEXERCISE_H

#include "Excel/xlsxworkbook.h"

#include <QByteArray>
#include <QList>

#include <zip.h>

#include <algorithm>

// The bytes after the first as the XML parts of a package, separated by the
// byte 0x1e: workbook, sheet, shared strings. Returns the package (stored, not
// compressed, so that every byte of the parts reaches the reader).
inline QByteArray packParts(const QByteArray &input)
{
    static const char *const names[] = {"xl/workbook.xml", "xl/worksheets/sheet1.xml", "xl/sharedStrings.xml"};
    static const QByteArray rels =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
        "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"/xl/sharedStrings.xml\"/></Relationships>";
    const QList<QByteArray> parts = input.mid(1).split('\x1e');
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *archive = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t *zip = archive ? zip_open_from_source(archive, ZIP_TRUNCATE, &error) : nullptr;
    QByteArray out;
    if (zip) {
        zip_file_add(zip, "xl/_rels/workbook.xml.rels", zip_source_buffer(zip, rels.constData(), rels.size(), 0), 0);
        for (int i = 0; i < parts.size() && i < 3; ++i) {
            const zip_int64_t index = zip_file_add(
                zip, names[i], zip_source_buffer(zip, parts.at(i).constData(), parts.at(i).size(), 0), 0);
            if (index >= 0)
                zip_set_file_compression(zip, zip_uint64_t(index), ZIP_CM_STORE, 0);
        }
        zip_source_keep(archive);
        if (zip_close(zip) != 0)
            zip_discard(zip);
        if (zip_source_open(archive) == 0) {
            char buffer[65536];
            zip_int64_t n;
            while ((n = zip_source_read(archive, buffer, sizeof buffer)) > 0)
                out.append(buffer, int(n));
            zip_source_close(archive);
        }
        zip_source_free(archive);
    } else if (archive) {
        zip_source_free(archive);
    }
    zip_error_fini(&error);
    return out;
}

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
            for (int c = 1; c <= columns; ++c) {
                bool readable = true;
                total += book.cellText(r, c, &readable).size() + int(readable);
            }
        }
        book.setCellText(2, 7, QStringLiteral("4294967295"));
        book.setCellText(std::max(rows, 1) + 1, 3, QStringLiteral(" x "));
        book.setCellText(1, 1, QString());
        total += book.cellText(2, 7).size() + book.cellText(std::max(rows, 1) + 1, 3).size();
        if (total < 0)
            return XlsxWorkbook::BadXml; // never: keeps the reads from being optimised away
    }
    return opened;
}

#endif // R7_XLSXEXERCISE_H
