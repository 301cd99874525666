#include "Excel/xlsxpackage.h"

#include <QLocale>

#include <cmath>
#include <cstring>

using namespace xlsx;

namespace {

// Text of a string item: plain <t>, or the runs <r><t> joined; phonetic
// hints (<rPh>) are not part of the text.
QString richText(const pugi::xml_node &item)
{
    QString out;
    for (pugi::xml_node n = item.first_child(); n; n = n.next_sibling()) {
        if (isNamed(n, "t"))
            out += text(n.text().get());
        else if (isNamed(n, "r"))
            out += text(child(n, "t").text().get());
    }
    return out;
}

QString numberText(const char *raw)
{
    bool ok = false;
    const QString rawText = text(raw);
    const double value = QLocale::c().toDouble(rawText.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return rawText;
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace

XlsxWorkbook::Error XlsxWorkbook::Private::loadSharedStrings()
{
    if (sharedStringsLoaded)
        return Ok;
    sharedStringsLoaded = true;
    if (sharedStringsPart.isEmpty())
        return Ok;
    pugi::xml_document doc;
    const Error error = parsePart(sharedStringsPart, &doc);
    if (error == MissingPart)
        return Ok; // named but absent: no shared strings
    if (error != Ok)
        return error;
    for (pugi::xml_node si = doc.document_element().first_child(); si; si = si.next_sibling()) {
        if (isNamed(si, "si"))
            sharedStrings << richText(si);
    }
    return Ok;
}

// Gives every row and cell an explicit reference and indexes the rows, so
// that inserting one never renumbers those that follow it. A cell whose
// reference names another row makes the sheet malformed: whichever row it
// were read from, some reader would take it from the other.
XlsxWorkbook::Error XlsxWorkbook::Private::indexSheet()
{
    int rowNumber = 0;
    for (pugi::xml_node row = sheetData.first_child(); row; row = row.next_sibling()) {
        if (!isNamed(row, "row"))
            continue;
        pugi::xml_attribute r = attribute(row, "r");
        int number = 0;
        if (r) {
            if (!parseIndex(r.value(), MaxRows, &number) || number < 1)
                continue; // an unusable row is kept as it is, never read
        } else {
            number = rowNumber + 1;
            if (number > MaxRows)
                continue;
            row.append_attribute("r").set_value(number);
        }
        rowNumber = number;
        if (!rows.emplace(number, row).second)
            continue; // a second row of that number is never read
        int column = 0;
        for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling()) {
            if (!isNamed(c, "c"))
                continue;
            pugi::xml_attribute ref = attribute(c, "r");
            int refRow = 0, refColumn = 0;
            if (ref) {
                if (!parseCellRef(ref.value(), &refRow, &refColumn))
                    continue;
                if (refRow != number) {
                    detail = QStringLiteral("cell %1 stored in row %2").arg(text(ref.value())).arg(number);
                    return MisplacedCell;
                }
            } else {
                refColumn = column + 1;
                if (refColumn > MaxColumns)
                    continue;
                c.append_attribute("r").set_value(cellRef(number, refColumn).constData());
            }
            column = refColumn;
            maxRow = std::max(maxRow, number);
            maxColumn = std::max(maxColumn, refColumn);
        }
    }
    return Ok;
}

int XlsxWorkbook::Private::columnOf(const pugi::xml_node &c)
{
    int row = 0, column = 0;
    return parseCellRef(attribute(c, "r").value(), &row, &column) ? column : 0;
}

pugi::xml_node XlsxWorkbook::Private::findCell(int row, int column) const
{
    const auto found = rows.find(row);
    if (found == rows.end())
        return {};
    for (pugi::xml_node c = found->second.first_child(); c; c = c.next_sibling()) {
        int cellRow = 0, cellColumn = 0;
        if (isNamed(c, "c") && parseCellRef(attribute(c, "r").value(), &cellRow, &cellColumn)
            && cellRow == row && cellColumn == column)
            return c;
    }
    return {};
}

QStringList XlsxWorkbook::sheetNames() const
{
    QStringList names;
    for (const SheetRef &s : d->sheets)
        names << s.name;
    return names;
}

XlsxWorkbook::Error XlsxWorkbook::selectSheet(const QString &name)
{
    if (!d->zip)
        return NotOpen;
    d->clearSheet();
    d->detail.clear();
    if (d->sheets.isEmpty())
        return NoSheets;
    const SheetRef *found = nullptr;
    for (const SheetRef &s : d->sheets) {
        if (s.name == name) {
            found = &s;
            break;
        }
    }
    if (!found)
        return NoSuchSheet;
    if (found->part.isEmpty())
        return MissingPart;
    Error error = d->loadSharedStrings();
    if (error != Ok)
        return error;
    error = d->parsePart(found->part, &d->sheet);
    if (error != Ok) {
        d->clearSheet();
        return error;
    }
    const pugi::xml_node root = d->sheet.document_element();
    if (!isNamed(root, "worksheet")) {
        d->clearSheet();
        return BadXml;
    }
    d->sheetPart = found->part;
    d->sheetData = child(root, "sheetData");
    if (d->sheetData) {
        error = d->indexSheet();
        if (error != Ok) {
            const QString detail = d->detail;
            d->clearSheet();
            d->detail = detail;
            return error;
        }
    }
    return Ok;
}

bool XlsxWorkbook::hasSheet() const
{
    return !d->sheetPart.isEmpty();
}

int XlsxWorkbook::rowCount() const
{
    return d->maxRow;
}

int XlsxWorkbook::columnCount() const
{
    return d->maxColumn;
}

QString XlsxWorkbook::cellText(int row, int column, bool *readable) const
{
    if (readable)
        *readable = true;
    const pugi::xml_node c = d->findCell(row, column);
    if (!c)
        return QString();
    const char *type = attribute(c, "t").value();
    const pugi::xml_node v = child(c, "v");
    if (std::strcmp(type, "inlineStr") == 0)
        return richText(child(c, "is"));
    const char *raw = v.text().get();
    // A formula that was never calculated has no value to read: no <v>, or
    // an empty one (openpyxl) where the result would be a number.
    if (!v || (!*raw && std::strcmp(type, "str") != 0)) {
        if (readable && child(c, "f"))
            *readable = false;
        if (!v)
            return QString();
    }
    if (std::strcmp(type, "s") == 0) {
        int index = 0;
        if (!parseIndex(raw, d->sharedStrings.size() - 1, &index)) {
            if (readable)
                *readable = false;
            return QString();
        }
        return d->sharedStrings.at(index);
    }
    if (std::strcmp(type, "b") == 0)
        return std::strcmp(raw, "1") == 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    if (std::strcmp(type, "str") == 0 || std::strcmp(type, "e") == 0 || std::strcmp(type, "d") == 0)
        return text(raw);
    return numberText(raw);
}
