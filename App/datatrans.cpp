#include "App/datatrans.h"
#include "ui_datatrans.h"

#include <QDebug>

DataTrans::DataTrans(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::DataTrans)
{
    ui->setupUi(this);
    // The banner is only for a device that refuses remote edits.
    ui->widget_top->hide();
}

DataTrans::~DataTrans()
{
    delete ui;
}

void DataTrans::enterPage()
{
    // A page that was hidden during a language change still shows the old texts.
    ui->retranslateUi(this);
    qDebug() << "Into Data Tran-------------";
}

void DataTrans::adjustLayout(int width)
{
    m_layoutWidth = width;
    ui->scrollAreaWidgetContents->setMinimumWidth(width);
}

void DataTrans::refreshFromMirror(bool force)
{
    // The page has no fields of its own yet; the refresh cycle already calls
    // it after every poll of the page's blocks.
    Q_UNUSED(force);
}
