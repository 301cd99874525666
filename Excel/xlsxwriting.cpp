#include "Excel/xlsxpackage.h"

#include <QFile>

#include <algorithm>

using namespace xlsx;

void XlsxWorkbook::Private::updateSpans(pugi::xml_node row)
{
    pugi::xml_attribute spans = attribute(row, "spans");
    if (!spans)
        return;
    int low = 0, high = 0;
    for (pugi::xml_node c = row.first_child(); c; c = c.next_sibling()) {
        const int column = isNamed(c, "c") ? columnOf(c) : 0;
        if (column > 0) {
            low = low ? std::min(low, column) : column;
            high = std::max(high, column);
        }
    }
    if (low)
        spans.set_value(QByteArray::number(low).append(':').append(QByteArray::number(high)).constData());
}

void XlsxWorkbook::Private::updateDimension()
{
    pugi::xml_node dimension = child(sheet.document_element(), "dimension");
    if (!dimension || maxRow == 0)
        return;
    const QByteArray ref = maxRow == 1 && maxColumn == 1 ? QByteArrayLiteral("A1")
                                                         : "A1:" + cellRef(maxRow, maxColumn);
    pugi::xml_attribute a = attribute(dimension, "ref");
    if (!a)
        a = dimension.append_attribute("ref");
    a.set_value(ref.constData());
}

XlsxWorkbook::Error XlsxWorkbook::setCellText(int row, int column, const QString &value)
{
    if (!hasSheet())
        return NotOpen;
    if (row < 1 || row > MaxRows || column < 1 || column > MaxColumns)
        return OutOfRange;

    pugi::xml_node root = d->sheet.document_element();
    const QByteArray prefix = prefixOf(root);
    if (!d->sheetData) {
        // sheetData follows these elements and precedes all others.
        pugi::xml_node after;
        for (const char *name : {"sheetPr", "dimension", "sheetViews", "sheetFormatPr", "cols"}) {
            if (pugi::xml_node n = child(root, name))
                after = n;
        }
        const QByteArray name = prefix + "sheetData";
        d->sheetData = after ? root.insert_child_after(name.constData(), after) : root.prepend_child(name.constData());
    }

    pugi::xml_node rowNode;
    const auto found = d->rows.lower_bound(row);
    if (found != d->rows.end() && found->first == row) {
        rowNode = found->second;
    } else {
        const QByteArray name = prefix + "row";
        rowNode = found == d->rows.end() ? d->sheetData.append_child(name.constData())
                                         : d->sheetData.insert_child_before(name.constData(), found->second);
        rowNode.append_attribute("r").set_value(row);
        d->rows.emplace(row, rowNode);
    }

    pugi::xml_node cell;
    pugi::xml_node before;
    for (pugi::xml_node c = rowNode.first_child(); c; c = c.next_sibling()) {
        if (!isNamed(c, "c"))
            continue;
        const int col = Private::columnOf(c);
        if (col == column) {
            cell = c;
            break;
        }
        if (col > column) {
            before = c;
            break;
        }
    }
    if (!cell) {
        const QByteArray name = prefix + "c";
        cell = before ? rowNode.insert_child_before(name.constData(), before) : rowNode.append_child(name.constData());
        cell.append_attribute("r").set_value(cellRef(row, column).constData());
    }

    // The style (s) stays; type, value, formula and inline text are replaced.
    cell.remove_attribute(attribute(cell, "t"));
    for (pugi::xml_node n = cell.first_child(); n;) {
        pugi::xml_node next = n.next_sibling();
        if (isNamed(n, "f"))
            d->formulaDropped = true;
        if (isNamed(n, "v") || isNamed(n, "f") || isNamed(n, "is"))
            cell.remove_child(n);
        n = next;
    }
    if (!value.isEmpty()) {
        cell.append_attribute("t").set_value("inlineStr");
        pugi::xml_node t = cell.append_child((prefix + "is").constData()).append_child((prefix + "t").constData());
        if (value.front().isSpace() || value.back().isSpace())
            t.append_attribute("xml:space").set_value("preserve");
        t.text().set(value.toUtf8().constData());
    }

    d->maxRow = std::max(d->maxRow, row);
    d->maxColumn = std::max(d->maxColumn, column);
    d->updateSpans(rowNode);
    d->updateDimension();
    d->modified = true;
    return Ok;
}

bool XlsxWorkbook::isModified() const
{
    return d->modified;
}

XlsxWorkbook::Error XlsxWorkbook::create(const QString &path, const QString &sheetName,
                                         const QVector<QStringList> &rows)
{
    static const char Main[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    static const char RelNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
    static const char PackageRelNs[] = "http://schemas.openxmlformats.org/package/2006/relationships";

    const QByteArray contentTypes =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
        "<Override PartName=\"/xl/styles.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
        "</Types>";
    const QByteArray packageRels = QByteArray(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships xmlns=\"")
        + PackageRelNs + "\"><Relationship Id=\"rId1\" Type=\"" + RelNs
        + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
    const QByteArray workbookRels = QByteArray(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships xmlns=\"")
        + PackageRelNs + "\"><Relationship Id=\"rId1\" Type=\"" + RelNs
        + "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" + RelNs
        + "/styles\" Target=\"styles.xml\"/></Relationships>";
    const QByteArray styles = QByteArray(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<styleSheet xmlns=\"") + Main + "\">"
        "<fonts count=\"2\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font>"
        "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
        "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
        "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
        "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
        "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
        "<cellXfs count=\"2\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
        "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/></cellXfs>"
        "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
        "</styleSheet>";

    pugi::xml_document workbook;
    pugi::xml_node decl = workbook.append_child(pugi::node_declaration);
    decl.append_attribute("version").set_value("1.0");
    decl.append_attribute("encoding").set_value("UTF-8");
    decl.append_attribute("standalone").set_value("yes");
    pugi::xml_node wb = workbook.append_child("workbook");
    wb.append_attribute("xmlns").set_value(Main);
    wb.append_attribute("xmlns:r").set_value(RelNs);
    pugi::xml_node sheetEntry = wb.append_child("sheets").append_child("sheet");
    sheetEntry.append_attribute("name").set_value(sheetName.toUtf8().constData());
    sheetEntry.append_attribute("sheetId").set_value(1);
    sheetEntry.append_attribute("r:id").set_value("rId1");

    pugi::xml_document sheet;
    sheet.append_copy(decl);
    pugi::xml_node ws = sheet.append_child("worksheet");
    ws.append_attribute("xmlns").set_value(Main);
    int width = 0;
    for (const QStringList &r : rows)
        width = std::max(width, int(r.size()));
    if (!rows.isEmpty() && width > 0)
        ws.append_child("dimension").append_attribute("ref").set_value(
            ("A1:" + cellRef(rows.size(), width)).constData());
    pugi::xml_node pane = ws.append_child("sheetViews").append_child("sheetView");
    pane.append_attribute("workbookViewId").set_value(0);
    pane = pane.append_child("pane");
    pane.append_attribute("ySplit").set_value(1);
    pane.append_attribute("topLeftCell").set_value("A2");
    pane.append_attribute("activePane").set_value("bottomLeft");
    pane.append_attribute("state").set_value("frozen");
    ws.append_child("sheetFormatPr").append_attribute("defaultRowHeight").set_value(15);
    pugi::xml_node cols = ws.append_child("cols");
    const int widths[] = {10, 36, 8, 14, 14, 16, 14};
    for (int c = 0; c < width && c < 7; ++c) {
        pugi::xml_node col = cols.append_child("col");
        col.append_attribute("min").set_value(c + 1);
        col.append_attribute("max").set_value(c + 1);
        col.append_attribute("width").set_value(widths[c]);
        col.append_attribute("customWidth").set_value(1);
    }
    pugi::xml_node data = ws.append_child("sheetData");
    for (int r = 0; r < rows.size(); ++r) {
        pugi::xml_node row = data.append_child("row");
        row.append_attribute("r").set_value(r + 1);
        row.append_attribute("spans").set_value(("1:" + QByteArray::number(std::max(width, 1))).constData());
        for (int c = 0; c < rows.at(r).size(); ++c) {
            const QString &value = rows.at(r).at(c);
            if (value.isEmpty())
                continue;
            pugi::xml_node cell = row.append_child("c");
            cell.append_attribute("r").set_value(cellRef(r + 1, c + 1).constData());
            if (r == 0)
                cell.append_attribute("s").set_value(1);
            bool number = false;
            value.toUInt(&number);
            number = number && !value.startsWith(QLatin1Char('+')) && value.trimmed() == value;
            if (number && r > 0) {
                cell.append_child("v").text().set(value.toUtf8().constData());
            } else {
                cell.append_attribute("t").set_value("inlineStr");
                cell.append_child("is").append_child("t").text().set(value.toUtf8().constData());
            }
        }
    }

    const QByteArray parts[][2] = {
        {"[Content_Types].xml", contentTypes},
        {"_rels/.rels", packageRels},
        {"xl/workbook.xml", serialize(workbook)},
        {"xl/_rels/workbook.xml.rels", workbookRels},
        {"xl/styles.xml", styles},
        {"xl/worksheets/sheet1.xml", serialize(sheet)},
    };
    int zipError = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &zipError);
    if (!zip)
        return WriteFailed;
    for (const auto &part : parts) {
        zip_source_t *source = zip_source_buffer(zip, part[1].constData(), zip_uint64_t(part[1].size()), 0);
        if (!source || zip_file_add(zip, part[0].constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            zip_source_free(source);
            zip_discard(zip);
            return WriteFailed;
        }
    }
    if (zip_close(zip) != 0) {
        zip_discard(zip);
        return WriteFailed;
    }
    return Ok;
}
