#include "Excel/spreadsheet.h"

#include <QDebug>
#include <QString>

namespace {
std::unique_ptr<WorkbookCollection> s_collection;
int s_users = 0; // windows that started it
} // namespace

std::unique_ptr<XlsxWorkbook> WorkbookCollection::open(const QString &path, XlsxWorkbook::Error *error) const
{
    std::unique_ptr<XlsxWorkbook> book(new XlsxWorkbook);
    const XlsxWorkbook::Error result = book->open(path);
    if (error)
        *error = result;
    if (result != XlsxWorkbook::Ok)
        book.reset();
    return book;
}

WorkbookCollection *startSpreadsheet()
{
    qDebug() << "启动excel... ";
    ++s_users;
    if (!s_collection)
        s_collection.reset(new WorkbookCollection);
    qDebug() << "设置界面不可见...";
    qDebug() << "设置不报警...";
    qDebug() << "正在获取工作簿...";
    qDebug() << "获取工作簿完成...";
    qDebug() << (s_collection ? "Succ GET-----------" : "Error GET-----------");
    return s_collection.get();
}

void stopSpreadsheet()
{
    // Workbooks belong to the transfers, which close them at their end.
    if (s_users > 0 && --s_users == 0)
        s_collection.reset();
}

WorkbookCollection *workbookCollection()
{
    return s_collection.get();
}
