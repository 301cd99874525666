#include "App/weightcal.h"
#include "ui_weightcal.h"

#include <QDebug>

WeightCal::WeightCal(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::WeightCal)
{
    ui->setupUi(this);
    // The banner is only for a device that refuses remote edits.
    ui->widget_top->hide();
}

WeightCal::~WeightCal()
{
    delete ui;
}

void WeightCal::enterPage()
{
    // A page that was hidden during a language change still shows the old texts.
    ui->retranslateUi(this);
    qDebug() << "Into cal translate";
}

void WeightCal::adjustLayout(int width)
{
    m_layoutWidth = width;
    ui->scrollAreaWidgetContents->setMinimumWidth(width);
}

void WeightCal::refreshFromMirror(bool force)
{
    // The page has no fields of its own yet; the refresh cycle already calls
    // it after every poll of the page's blocks.
    Q_UNUSED(force);
}
