#ifndef PARAMETERTRANSFER_H
#define PARAMETERTRANSFER_H

#include <QString>

class ExelToWrite;
class QModbusClient;
class WorkbookCollection;

// The file side of parameter export and import, without widgets: the page's
// Export and Import buttons run these, and so can a command line.
namespace ParameterTransfer {

// "%1/template/KDT-R7_EN.xlsx" or the Chinese one; language 0 English, 1 Chinese.
// %1 is appDir, or ../share/r7config for an installed program (AppPaths).
QString templatePath(int language, const QString &appDir);

// Where exports go: appDir when its folder "export" exists or can be made and
// is writable, otherwise the user's data folder (AppPaths::exportBase).
QString exportBase(const QString &appDir);
// "%1/export/KDT-R7_ExportFile.xlsx" or "%1/export/KDT-R7_导出文件.xlsx" below exportBase().
QString exportPath(int language, const QString &appDir);

// Replaces whatever is at exportFile by a fresh copy of the template.
bool copyTemplate(const QString &templateFile, const QString &exportFile);

// "backup.xlsx" -> "backup.incomplete.xlsx": where an export with failed rows
// goes when a file is already at its target.
QString incompletePath(const QString &target);

// Exports into a copy of the template made beside target, which then takes
// target's place; an earlier file at target is replaced only by an export
// without failed rows, otherwise the export goes to incompletePath(target).
// Nothing is left when the export does not reach its end. Returns the
// transfer's result code (-1 when the template cannot be copied or the
// result cannot be put in place) and where the export went in *written
// (empty when nowhere).
int exportToFile(ExelToWrite &transfer, WorkbookCollection *books, const QString &templateFile,
                 const QString &target, QModbusClient *client, QString *written);

// The language's template exported to exportPath() with exportToFile().
int exportParameters(ExelToWrite &transfer, WorkbookCollection *books, int language, const QString &appDir,
                     QModbusClient *client, QString *exportFile);

// The file's path up to its last "/": the target of the result link.
QString folderOf(const QString &file);

} // namespace ParameterTransfer

#endif // PARAMETERTRANSFER_H
