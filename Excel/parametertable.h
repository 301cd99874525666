#ifndef PARAMETERTABLE_H
#define PARAMETERTABLE_H

#include <QString>
#include <QStringList>
#include <QVector>

// The parameters the shipped workbook templates list: every stored parameter
// of the Basic Config, Weight & CAL, Application and Data-Trans pages. Both
// language templates are made from this one table. Registers whose write sets
// something off (zero capture, calibration points, resets) are not in it.
struct TemplateRow
{
    int address;
    int type;        // 1 one 16-bit register, 2 an unsigned 32-bit value in two
    quint32 upper;   // largest value an import accepts
    quint32 lower;   // smallest
    QString nameEn;
    QString nameCn;
    int page;        // index into the page names
};

const QVector<TemplateRow> &templateRows();

// language 0 English, 1 Chinese.
QString templatePageName(int page, int language);
// The sheet as rows of cell texts: a header row, then one row per parameter
// (address, name, type, upper, lower, page, empty value).
QVector<QStringList> templateSheet(int language);
// File name of the template of a language ("KDT-R7_EN.xlsx", "KDT-R7_CN.xlsx").
QString templateFileName(int language);

#endif // PARAMETERTABLE_H
