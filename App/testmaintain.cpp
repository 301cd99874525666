#include "App/testmaintain.h"
#include "ui_testmaintain.h"

#include <QDebug>

TestMaintain::TestMaintain(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::TestMaintain)
{
    ui->setupUi(this);
    // The banner is only for a device that refuses remote edits.
    ui->widget_top->hide();
}

TestMaintain::~TestMaintain()
{
    delete ui;
}

void TestMaintain::enterPage()
{
    // A page that was hidden during a language change still shows the old texts.
    ui->retranslateUi(this);
    qDebug() << "Into Test_Maintain------";
}

void TestMaintain::refreshFromMirror(bool force)
{
    // The page has no fields of its own yet; the refresh cycle already calls
    // it after every poll of the page's blocks.
    Q_UNUSED(force);
}
