// Writes the parameter workbook templates KDT-R7_EN.xlsx and KDT-R7_CN.xlsx
// into the folder given as the only argument. Both come from the one table in
// Excel/parametertable.cpp, so the two languages always list the same rows.

#include "Excel/exeltowrite.h"
#include "Excel/parametertable.h"
#include "Excel/xlsxworkbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: r7templates FOLDER\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder)) {
        err << "cannot make " << folder << "\n";
        return 1;
    }
    for (int language : {0, 1}) {
        const QString path = folder + QLatin1Char('/') + templateFileName(language);
        const XlsxWorkbook::Error error = XlsxWorkbook::create(path, ExelToWrite::SheetName, templateSheet(language));
        if (error != XlsxWorkbook::Ok) {
            err << path << ": " << XlsxWorkbook::errorText(error) << "\n";
            return 1;
        }
    }
    return 0;
}
