#include "App/testmaintain.h"

#include <QDebug>

// workbook import/export: built with the workbook engine

void TestMaintain::on_But_Import_clicked()
{
    qDebug() << "workbook import: not available yet";
}

void TestMaintain::on_Btu_Export_clicked()
{
    qDebug() << "workbook export: not available yet";
}
