#include "Excel/xlsxworkbook.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <pugixml.hpp>
#include <sys/stat.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>
#include <vector>

namespace {

const char RelOfficeDocument[] = "/officeDocument";
const char RelWorksheet[] = "/worksheet";
const char RelSharedStrings[] = "/sharedStrings";
const char RelCalcChain[] = "/calcChain";

constexpr unsigned ParseOptions = pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single;

// Element and attribute names may carry any namespace prefix ("x:row").
const char *localName(const char *name)
{
    const char *colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

bool isNamed(const pugi::xml_node &node, const char *name)
{
    return node.type() == pugi::node_element && std::strcmp(localName(node.name()), name) == 0;
}

pugi::xml_node child(const pugi::xml_node &parent, const char *name)
{
    for (pugi::xml_node n = parent.first_child(); n; n = n.next_sibling()) {
        if (isNamed(n, name))
            return n;
    }
    return {};
}

pugi::xml_attribute attribute(const pugi::xml_node &node, const char *name)
{
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        if (std::strcmp(localName(a.name()), name) == 0)
            return a;
    }
    return {};
}

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

bool endsWith(const char *s, const char *suffix)
{
    const size_t n = std::strlen(s), m = std::strlen(suffix);
    return n >= m && std::strcmp(s + n - m, suffix) == 0;
}

// The prefix of an element's name, with its colon ("x:" or "").
QByteArray prefixOf(const pugi::xml_node &node)
{
    const char *name = node.name();
    const char *colon = std::strrchr(name, ':');
    return colon ? QByteArray(name, int(colon - name + 1)) : QByteArray();
}

// Part names inside the package, without a leading slash; targets are relative
// to the folder of the part that names them unless they start with "/".
QString resolvePart(const QString &baseFolder, const QString &target)
{
    QString joined = target.startsWith(QLatin1Char('/')) ? target.mid(1) : baseFolder + target;
    QStringList out;
    for (const QString &segment : joined.split(QLatin1Char('/'))) {
        if (segment.isEmpty() || segment == QLatin1String("."))
            continue;
        if (segment == QLatin1String("..")) {
            if (!out.isEmpty())
                out.removeLast();
            continue;
        }
        out << segment;
    }
    return out.join(QLatin1Char('/'));
}

QString folderOf(const QString &part)
{
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : part.left(slash + 1);
}

QString relsPartOf(const QString &part)
{
    const int slash = part.lastIndexOf(QLatin1Char('/'));
    return part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
}

// "C12" -> column 3, row 12; false for anything outside the sheet's limits.
bool parseCellRef(const char *ref, int *row, int *column)
{
    int col = 0, letters = 0;
    const char *p = ref;
    for (; *p && ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z')); ++p) {
        if (++letters > 3)
            return false;
        col = col * 26 + ((*p | 0x20) - 'a' + 1);
    }
    qint64 r = 0;
    int digits = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (++digits > 7)
            return false;
        r = r * 10 + (*p - '0');
    }
    if (*p || letters == 0 || digits == 0 || col > XlsxWorkbook::MaxColumns || r < 1
        || r > XlsxWorkbook::MaxRows)
        return false;
    *row = int(r);
    *column = col;
    return true;
}

bool parseIndex(const char *s, qint64 limit, int *value)
{
    if (!*s)
        return false;
    qint64 v = 0;
    for (; *s; ++s) {
        if (*s < '0' || *s > '9')
            return false;
        v = v * 10 + (*s - '0');
        if (v > limit)
            return false;
    }
    *value = int(v);
    return true;
}

QByteArray columnName(int column)
{
    QByteArray name;
    while (column > 0) {
        --column;
        name.prepend(char('A' + column % 26));
        column /= 26;
    }
    return name;
}

QByteArray cellRef(int row, int column)
{
    return columnName(column) + QByteArray::number(row);
}

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

struct StringWriter : pugi::xml_writer
{
    QByteArray data;
    void write(const void *bytes, size_t size) override
    {
        data.append(static_cast<const char *>(bytes), int(size));
    }
};

QByteArray serialize(const pugi::xml_document &doc)
{
    StringWriter writer;
    doc.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return writer.data;
}

struct SheetRef
{
    QString name;
    QString part;
};

} // namespace

struct XlsxWorkbook::Private
{
    zip_t *zip = nullptr;
    QString path;
    QString detail; // what the last error of open() or selectSheet() concerns
    QByteArray data; // the bytes behind an archive opened from memory
    bool fromData = false;

    QString workbookPart;
    QString workbookRelsPart;
    QVector<SheetRef> sheets;
    QString sharedStringsPart;
    QString calcChainPart;
    QStringList sharedStrings;
    bool sharedStringsLoaded = false;

    QString sheetPart;
    pugi::xml_document sheet;
    pugi::xml_node sheetData;
    std::map<int, pugi::xml_node> rows;
    int maxRow = 0;
    int maxColumn = 0;
    bool modified = false;
    bool formulaDropped = false;
    std::vector<QByteArray> pendingBuffers; // must outlive zip_close

    ~Private() { discard(); }

    void discard()
    {
        if (zip)
            zip_discard(zip);
        zip = nullptr;
    }

    void reset()
    {
        discard();
        path.clear();
        detail.clear();
        data.clear();
        fromData = false;
        workbookPart.clear();
        workbookRelsPart.clear();
        sheets.clear();
        sharedStringsPart.clear();
        calcChainPart.clear();
        sharedStrings.clear();
        sharedStringsLoaded = false;
        clearSheet();
    }

    void clearSheet()
    {
        sheetPart.clear();
        sheet.reset();
        sheetData = pugi::xml_node();
        rows.clear();
        maxRow = maxColumn = 0;
        modified = false;
        formulaDropped = false;
    }

    Error readPart(const QString &part, QByteArray *out) const
    {
        const QByteArray name = part.toUtf8();
        const zip_int64_t index = zip_name_locate(zip, name.constData(), ZIP_FL_ENC_GUESS);
        if (index < 0)
            return MissingPart;
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip, zip_uint64_t(index), 0, &st) != 0)
            return NotAWorkbook;
        if ((st.valid & ZIP_STAT_SIZE) && st.size > zip_uint64_t(MaxPartSize))
            return TooLarge;
        zip_file_t *file = zip_fopen_index(zip, zip_uint64_t(index), 0);
        if (!file)
            return NotAWorkbook;
        // The stored size may lie: read at most one byte past the limit. One
        // buffer of the stated size, not a chain of ever larger ones.
        out->clear();
        if (st.valid & ZIP_STAT_SIZE)
            out->reserve(int(st.size) + 1);
        char buffer[65536];
        Error error = Ok;
        // Every element opens with a '<': counting them while reading bounds
        // the memory the parse would take, and stops a part of millions of
        // empty cells after its first megabytes.
        qint64 tags = 0;
        for (;;) {
            const zip_int64_t n = zip_fread(file, buffer, sizeof buffer);
            if (n < 0) {
                error = NotAWorkbook;
                break;
            }
            if (n == 0)
                break;
            if (out->size() + n > MaxPartSize) {
                error = TooLarge;
                break;
            }
            tags += std::count(buffer, buffer + n, '<');
            if (tags > MaxElements) {
                error = TooManyCells;
                break;
            }
            out->append(buffer, int(n));
        }
        zip_fclose(file);
        if (error != Ok)
            out->clear();
        return error;
    }

    Error parsePart(const QString &part, pugi::xml_document *doc) const
    {
        QByteArray bytes;
        const Error error = readPart(part, &bytes);
        if (error != Ok)
            return error;
        const pugi::xml_parse_result parsed =
            doc->load_buffer(bytes.constData(), size_t(bytes.size()), ParseOptions, pugi::encoding_auto);
        return parsed ? Ok : BadXml;
    }

    // Relationship targets of a part's .rels by type suffix.
    Error relationships(const QString &relsPart, const QString &baseFolder,
                        QVector<QPair<QString, QPair<QString, QString>>> *out) const
    {
        pugi::xml_document doc;
        const Error error = parsePart(relsPart, &doc);
        if (error != Ok)
            return error;
        for (pugi::xml_node r = doc.document_element().first_child(); r; r = r.next_sibling()) {
            if (!isNamed(r, "Relationship"))
                continue;
            const QString target = text(attribute(r, "Target").value());
            if (QString::fromUtf8(attribute(r, "TargetMode").value()) == QLatin1String("External"))
                continue;
            out->append({text(attribute(r, "Id").value()),
                         {text(attribute(r, "Type").value()), resolvePart(baseFolder, target)}});
        }
        return Ok;
    }

    Error loadPackage()
    {
        // The main part is named by the package relationships; older writers
        // are trusted to use the usual name when those are missing.
        QVector<QPair<QString, QPair<QString, QString>>> rels;
        workbookPart = QStringLiteral("xl/workbook.xml");
        if (relationships(QStringLiteral("_rels/.rels"), QString(), &rels) == Ok) {
            for (const auto &r : rels) {
                if (r.second.first.endsWith(QLatin1String(RelOfficeDocument))) {
                    workbookPart = r.second.second;
                    break;
                }
            }
        }
        pugi::xml_document workbook;
        Error error = parsePart(workbookPart, &workbook);
        if (error != Ok)
            return error == MissingPart ? NotAWorkbook : error;
        if (!isNamed(workbook.document_element(), "workbook"))
            return NotAWorkbook;

        rels.clear();
        workbookRelsPart = relsPartOf(workbookPart);
        error = relationships(workbookRelsPart, folderOf(workbookPart), &rels);
        if (error != Ok && error != MissingPart)
            return error;
        QMap<QString, QString> worksheetById;
        for (const auto &r : rels) {
            const QByteArray type = r.second.first.toUtf8();
            if (endsWith(type.constData(), RelWorksheet))
                worksheetById.insert(r.first, r.second.second);
            else if (endsWith(type.constData(), RelSharedStrings))
                sharedStringsPart = r.second.second;
            else if (endsWith(type.constData(), RelCalcChain))
                calcChainPart = r.second.second;
        }

        const pugi::xml_node sheetList = child(workbook.document_element(), "sheets");
        for (pugi::xml_node s = sheetList.first_child(); s; s = s.next_sibling()) {
            if (!isNamed(s, "sheet"))
                continue;
            // r:id; the prefix is whatever the writer bound the namespace to.
            const QString id = text(attribute(s, "id").value());
            const auto found = worksheetById.constFind(id);
            sheets.append({text(attribute(s, "name").value()),
                           found == worksheetById.constEnd() ? QString() : found.value()});
        }
        return Ok;
    }

    Error loadSharedStrings()
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
    Error indexSheet()
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

    static int columnOf(const pugi::xml_node &c)
    {
        int row = 0, column = 0;
        return parseCellRef(attribute(c, "r").value(), &row, &column) ? column : 0;
    }

    pugi::xml_node findCell(int row, int column) const
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

    void updateSpans(pugi::xml_node row)
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

    void updateDimension()
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

    // Removes the calculation chain when a formula was overwritten: it would
    // name a cell that no longer has one, and spreadsheet programs rebuild it.
    Error dropCalcChain()
    {
        const QByteArray name = calcChainPart.toUtf8();
        const zip_int64_t index = zip_name_locate(zip, name.constData(), ZIP_FL_ENC_GUESS);
        if (index < 0)
            return Ok;
        if (zip_delete(zip, zip_uint64_t(index)) != 0)
            return WriteFailed;

        pugi::xml_document rels;
        if (parsePart(workbookRelsPart, &rels) == Ok) {
            for (pugi::xml_node r = rels.document_element().first_child(); r;) {
                pugi::xml_node next = r.next_sibling();
                if (isNamed(r, "Relationship") && endsWith(attribute(r, "Type").value(), RelCalcChain))
                    rels.document_element().remove_child(r);
                r = next;
            }
            if (replacePart(workbookRelsPart, serialize(rels)) != Ok)
                return WriteFailed;
        }
        pugi::xml_document types;
        const QString typesPart = QStringLiteral("[Content_Types].xml");
        if (parsePart(typesPart, &types) == Ok) {
            const QByteArray partName = "/" + name;
            for (pugi::xml_node o = types.document_element().first_child(); o;) {
                pugi::xml_node next = o.next_sibling();
                if (isNamed(o, "Override") && partName == attribute(o, "PartName").value())
                    types.document_element().remove_child(o);
                o = next;
            }
            if (replacePart(typesPart, serialize(types)) != Ok)
                return WriteFailed;
        }
        return Ok;
    }

    Error replacePart(const QString &part, const QByteArray &bytes)
    {
        const QByteArray name = part.toUtf8();
        const zip_int64_t index = zip_name_locate(zip, name.constData(), ZIP_FL_ENC_GUESS);
        if (index < 0)
            return MissingPart;
        pendingBuffers.push_back(bytes);
        const QByteArray &kept = pendingBuffers.back();
        zip_source_t *source = zip_source_buffer(zip, kept.constData(), zip_uint64_t(kept.size()), 0);
        if (!source)
            return WriteFailed;
        if (zip_file_replace(zip, zip_uint64_t(index), source, ZIP_FL_ENC_UTF_8) != 0) {
            zip_source_free(source);
            return WriteFailed;
        }
        return Ok;
    }
};

XlsxWorkbook::XlsxWorkbook()
    : d(new Private)
{
}

XlsxWorkbook::~XlsxWorkbook() = default;

XlsxWorkbook::Error XlsxWorkbook::open(const QString &path)
{
    d->reset();
    const QFileInfo info(path);
    if (path.isEmpty())
        return FileNotFound;
    // A folder on the way without search permission hides the file: that is
    // not the same as no file.
    struct stat st;
    if (::stat(QFile::encodeName(info.absoluteFilePath()).constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return FileNotFound;
        d->detail = QString::fromLocal8Bit(std::strerror(errno));
        return CannotRead;
    }
    if (!S_ISREG(st.st_mode)) {
        d->detail = QStringLiteral("not a file");
        return FileNotFound;
    }
    QFile probe(info.absoluteFilePath());
    if (!probe.open(QIODevice::ReadOnly)) {
        d->detail = probe.errorString();
        return CannotRead;
    }
    probe.close();
    int zipError = 0;
    d->zip = zip_open(QFile::encodeName(info.absoluteFilePath()).constData(), 0, &zipError);
    if (!d->zip)
        return NotAWorkbook;
    d->path = info.absoluteFilePath();
    const Error error = d->loadPackage();
    if (error != Ok)
        d->reset();
    return error;
}

XlsxWorkbook::Error XlsxWorkbook::openData(const QByteArray &data)
{
    d->reset();
    d->data = data;
    d->fromData = true;
    zip_error_t zipError;
    zip_error_init(&zipError);
    zip_source_t *source = zip_source_buffer_create(d->data.constData(), zip_uint64_t(d->data.size()), 0, &zipError);
    if (source) {
        d->zip = zip_open_from_source(source, ZIP_RDONLY, &zipError);
        if (!d->zip)
            zip_source_free(source);
    }
    zip_error_fini(&zipError);
    if (!d->zip) {
        d->reset();
        return NotAWorkbook;
    }
    const Error error = d->loadPackage();
    if (error != Ok)
        d->reset();
    return error;
}

bool XlsxWorkbook::isOpen() const
{
    return d->zip != nullptr;
}

QString XlsxWorkbook::path() const
{
    return d->path;
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

QByteArray XlsxWorkbook::sheetXml() const
{
    return hasSheet() ? serialize(d->sheet) : QByteArray();
}

XlsxWorkbook::Error XlsxWorkbook::save()
{
    if (!d->zip || d->fromData)
        return NotOpen;
    if (!d->modified)
        return Ok;
    Error error = d->replacePart(d->sheetPart, serialize(d->sheet));
    if (error == Ok && d->formulaDropped && !d->calcChainPart.isEmpty())
        error = d->dropCalcChain();
    // zip_close writes the whole archive to a new file in the same folder and
    // renames it over the old one; parts not replaced are copied unchanged.
    if (error == Ok && zip_close(d->zip) == 0) {
        d->zip = nullptr;
        d->pendingBuffers.clear();
        int zipError = 0;
        d->zip = zip_open(QFile::encodeName(d->path).constData(), 0, &zipError);
        d->modified = false;
        d->formulaDropped = false;
        return d->zip ? Ok : WriteFailed;
    }
    // Nothing was written; start again from the file as it is on disk.
    d->discard();
    d->pendingBuffers.clear();
    int zipError = 0;
    d->zip = zip_open(QFile::encodeName(d->path).constData(), 0, &zipError);
    return WriteFailed;
}

void XlsxWorkbook::close()
{
    d->reset();
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

QString XlsxWorkbook::errorText(Error error)
{
    switch (error) {
    case Ok: return QStringLiteral("ok");
    case FileNotFound: return QStringLiteral("no such file");
    case NotAWorkbook: return QStringLiteral("not an xlsx workbook");
    case MissingPart: return QStringLiteral("a part of the workbook is missing");
    case BadXml: return QStringLiteral("a part of the workbook is not well-formed XML");
    case TooLarge: return QStringLiteral("a part of the workbook unpacks to more than 32 MB");
    case NoSheets: return QStringLiteral("the workbook has no sheets");
    case NoSuchSheet: return QStringLiteral("no sheet of that name");
    case NotOpen: return QStringLiteral("no workbook or sheet open");
    case OutOfRange: return QStringLiteral("cell outside the sheet");
    case WriteFailed: return QStringLiteral("the workbook could not be written");
    case CannotRead: return QStringLiteral("the file cannot be read");
    case TooManyCells:
        return QStringLiteral("a part of the workbook holds too many cells or rows (more than %1 XML elements)")
            .arg(MaxElements);
    case MisplacedCell: return QStringLiteral("a cell lies outside its row");
    }
    return QString();
}

QString XlsxWorkbook::errorDetail() const
{
    return d->detail;
}
