#ifndef XLSXPACKAGE_H
#define XLSXPACKAGE_H

// The inside of XlsxWorkbook, shared by its three sources: xlsxpackage.cpp
// (the zip container, its parts and relationships, the limits, open and save),
// xlsxreading.cpp (shared strings, sheet index, cells as text) and
// xlsxwriting.cpp (cell writes, the used range, new workbooks). Not for users
// of the engine.

#include "Excel/xlsxworkbook.h"

#include <QPair>
#include <QVector>

#include <pugixml.hpp>
#include <zip.h>

#include <map>
#include <vector>

namespace xlsx {

extern const char RelOfficeDocument[];
extern const char RelWorksheet[];
extern const char RelSharedStrings[];
extern const char RelCalcChain[];

// Element and attribute names may carry any namespace prefix ("x:row").
bool isNamed(const pugi::xml_node &node, const char *name);
pugi::xml_node child(const pugi::xml_node &parent, const char *name);
pugi::xml_attribute attribute(const pugi::xml_node &node, const char *name);
QString text(const char *utf8);
bool endsWith(const char *s, const char *suffix);
// The prefix of an element's name, with its colon ("x:" or "").
QByteArray prefixOf(const pugi::xml_node &node);
QByteArray serialize(const pugi::xml_document &doc);

// "C12" -> column 3, row 12; false for anything outside the sheet's limits.
bool parseCellRef(const char *ref, int *row, int *column);
// A decimal index from 0 to limit.
bool parseIndex(const char *s, qint64 limit, int *value);
QByteArray cellRef(int row, int column);

struct SheetRef
{
    QString name;
    QString part;
};

// Relationships of a part: id, then type and target part.
using Relationships = QVector<QPair<QString, QPair<QString, QString>>>;

} // namespace xlsx

struct XlsxWorkbook::Private
{
    zip_t *zip = nullptr;
    QString path;
    QString detail; // what the last error of open() or selectSheet() concerns
    QByteArray data; // the bytes behind an archive opened from memory
    bool fromData = false;

    QString workbookPart;
    QString workbookRelsPart;
    QVector<xlsx::SheetRef> sheets;
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

    // xlsxpackage.cpp
    void discard();
    void reset();
    void clearSheet();
    Error readPart(const QString &part, QByteArray *out) const;
    Error parsePart(const QString &part, pugi::xml_document *doc) const;
    // Relationship targets of a part's .rels by type suffix.
    Error relationships(const QString &relsPart, const QString &baseFolder, xlsx::Relationships *out) const;
    Error loadPackage();
    Error replacePart(const QString &part, const QByteArray &bytes);
    Error dropCalcChain();

    // xlsxreading.cpp
    Error loadSharedStrings();
    Error indexSheet();
    static int columnOf(const pugi::xml_node &c);
    pugi::xml_node findCell(int row, int column) const;

    // xlsxwriting.cpp
    void updateSpans(pugi::xml_node row);
    void updateDimension();
};

#endif // XLSXPACKAGE_H
