#include "Excel/parametertransfer.h"

#include "Excel/exeltowrite.h"
#include "main/apppaths.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

namespace ParameterTransfer {

namespace {

// File name patterns, %1 the folder. They read the same in every language,
// so the catalogues are not asked.
QString pattern(const char *text)
{
    return QString::fromUtf8(text);
}

const char TemplateCn[] = "%1/template/KDT-R7_CN.xlsx";
const char TemplateEn[] = "%1/template/KDT-R7_EN.xlsx";
const char ExportCn[] = "%1/export/KDT-R7_导出文件.xlsx";
const char ExportEn[] = "%1/export/KDT-R7_ExportFile.xlsx";

FileChooser s_chooser;

} // namespace

QString templatePath(int language, const QString &appDir)
{
    return pattern(language == 1 ? TemplateCn : TemplateEn).arg(AppPaths::templateBase(appDir));
}

QString exportBase(const QString &appDir)
{
    return AppPaths::exportBase(appDir);
}

QString exportPath(int language, const QString &appDir)
{
    return pattern(language == 1 ? ExportCn : ExportEn).arg(exportBase(appDir));
}

bool copyTemplate(const QString &templateFile, const QString &exportFile)
{
    if (QFileInfo::exists(exportFile) && !QFile::remove(exportFile)) {
        qDebug() << "删除旧文件失败" << exportFile;
        return false;
    }
    const bool copied = QFile::copy(templateFile, exportFile);
    qDebug() << "结果：" << (copied ? "true" : "false");
    // A template installed read-only would make a read-only export.
    if (copied)
        QFile::setPermissions(exportFile, QFile::permissions(exportFile) | QFile::WriteOwner | QFile::ReadOwner);
    return copied;
}

int exportParameters(ExelToWrite &transfer, WorkbookCollection *books, int language, const QString &appDir,
                     QModbusClient *client, QString *exportFile)
{
    qDebug() << "PATH" << appDir;
    const QString templateFile = templatePath(language, appDir);
    const QString target = exportPath(language, appDir);
    qDebug() << "filename------" << templateFile;
    qDebug() << "NewFileName------" << target;
    if (exportFile)
        *exportFile = target;
    if (!copyTemplate(templateFile, target))
        return ExelToWrite::NotOpened;
    return transfer.exportWorkbook(books, target, client);
}

QString folderOf(const QString &file)
{
    return file.left(file.lastIndexOf(QLatin1Char('/')));
}

void setImportFileChooser(const FileChooser &chooser)
{
    s_chooser = chooser;
}

const FileChooser &importFileChooser()
{
    return s_chooser;
}

} // namespace ParameterTransfer
