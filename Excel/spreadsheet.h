#ifndef SPREADSHEET_H
#define SPREADSHEET_H

#include "Excel/xlsxworkbook.h"

#include <memory>

class QString;

// The program's workbook engine: opens .xlsx workbooks from files. It needs
// no spreadsheet program, so it is always there once started.
class WorkbookCollection
{
public:
    // The workbook at the path, or null with the reason in *error.
    std::unique_ptr<XlsxWorkbook> open(const QString &path, XlsxWorkbook::Error *error = nullptr) const;
};

// Run once by the main window at start and at its end; the traces tell that
// the workbook engine is ready. Between the two, workbookCollection() is it.
WorkbookCollection *startSpreadsheet();
void stopSpreadsheet();
WorkbookCollection *workbookCollection();

#endif // SPREADSHEET_H
