#include "Excel/parametertransfer.h"

#include "Excel/exeltowrite.h"
#include "Base/apppaths.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

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

QString incompletePath(const QString &target)
{
    const QFileInfo info(target);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QString stem = suffix.isEmpty() ? info.fileName() : info.fileName().chopped(suffix.size());
    return info.dir().filePath(stem + QStringLiteral(".incomplete") + suffix);
}

int exportToFile(ExelToWrite &transfer, WorkbookCollection *books, const QString &templateFile,
                 const QString &target, QModbusClient *client, QString *written)
{
    if (written)
        written->clear();
    const QFileInfo info(target);
    // Filled beside the target and renamed at the end, so that the target is
    // never an unfinished file, and never lost when the export fails.
    QTemporaryFile part(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".part-XXXXXX"));
    if (!part.open()) {
        qDebug() << "无法写入" << info.absolutePath();
        return ExelToWrite::NotOpened;
    }
    part.close();
    if (!copyTemplate(templateFile, part.fileName()))
        return ExelToWrite::NotOpened;
    const int result = transfer.exportWorkbook(books, part.fileName(), client);
    if (result != ExelToWrite::Finished)
        return result;
    const QString destination =
        transfer.report().failed > 0 && info.exists() ? incompletePath(info.absoluteFilePath()) : info.absoluteFilePath();
    // rename() replaces the destination in one step; QFile::rename would not.
    if (std::rename(QFile::encodeName(part.fileName()).constData(), QFile::encodeName(destination).constData()) != 0) {
        qDebug() << "无法替换" << destination;
        return ExelToWrite::NotOpened;
    }
    part.setAutoRemove(false);
    if (written)
        *written = destination;
    return result;
}

int exportParameters(ExelToWrite &transfer, WorkbookCollection *books, int language, const QString &appDir,
                     QModbusClient *client, QString *exportFile)
{
    qDebug() << "PATH" << appDir;
    const QString templateFile = templatePath(language, appDir);
    const QString target = exportPath(language, appDir);
    qDebug() << "filename------" << templateFile;
    qDebug() << "NewFileName------" << target;
    QString written;
    const int result = exportToFile(transfer, books, templateFile, target, client, &written);
    if (exportFile)
        *exportFile = written.isEmpty() || written == QFileInfo(target).absoluteFilePath() ? target : written;
    return result;
}

QString folderOf(const QString &file)
{
    return file.left(file.lastIndexOf(QLatin1Char('/')));
}

} // namespace ParameterTransfer
