#include "Excel/xlsxpackage.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace xlsx {

const char RelOfficeDocument[] = "/officeDocument";
const char RelWorksheet[] = "/worksheet";
const char RelSharedStrings[] = "/sharedStrings";
const char RelCalcChain[] = "/calcChain";

namespace {

constexpr unsigned ParseOptions = pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single;

// Element and attribute names may carry any namespace prefix ("x:row").
const char *localName(const char *name)
{
    const char *colon = std::strrchr(name, ':');
    return colon ? colon + 1 : name;
}

} // namespace

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

QByteArray prefixOf(const pugi::xml_node &node)
{
    const char *name = node.name();
    const char *colon = std::strrchr(name, ':');
    return colon ? QByteArray(name, int(colon - name + 1)) : QByteArray();
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

namespace {

struct StringWriter : pugi::xml_writer
{
    QByteArray data;
    void write(const void *bytes, size_t size) override
    {
        data.append(static_cast<const char *>(bytes), int(size));
    }
};

} // namespace

QByteArray serialize(const pugi::xml_document &doc)
{
    StringWriter writer;
    doc.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return writer.data;
}

} // namespace xlsx

using namespace xlsx;

namespace {

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

} // namespace

void XlsxWorkbook::Private::discard()
{
    if (zip)
        zip_discard(zip);
    zip = nullptr;
}

void XlsxWorkbook::Private::reset()
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

void XlsxWorkbook::Private::clearSheet()
{
    sheetPart.clear();
    sheet.reset();
    sheetData = pugi::xml_node();
    rows.clear();
    maxRow = maxColumn = 0;
    modified = false;
    formulaDropped = false;
}

XlsxWorkbook::Error XlsxWorkbook::Private::readPart(const QString &part, QByteArray *out) const
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

XlsxWorkbook::Error XlsxWorkbook::Private::parsePart(const QString &part, pugi::xml_document *doc) const
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
XlsxWorkbook::Error XlsxWorkbook::Private::relationships(const QString &relsPart, const QString &baseFolder,
                                                         Relationships *out) const
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

XlsxWorkbook::Error XlsxWorkbook::Private::loadPackage()
{
    // The main part is named by the package relationships; older writers
    // are trusted to use the usual name when those are missing.
    Relationships rels;
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

XlsxWorkbook::Error XlsxWorkbook::Private::replacePart(const QString &part, const QByteArray &bytes)
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

// Removes the calculation chain when a formula was overwritten: it would
// name a cell that no longer has one, and spreadsheet programs rebuild it.
XlsxWorkbook::Error XlsxWorkbook::Private::dropCalcChain()
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
