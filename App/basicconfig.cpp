#include "App/basicconfig.h"
#include "ui_basicconfig.h"

#include <QDebug>

BasicConfig::BasicConfig(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::BasicConfig)
{
    ui->setupUi(this);
    // The banner is only for a device that refuses remote edits.
    ui->widget_top->hide();
}

BasicConfig::~BasicConfig()
{
    delete ui;
}

void BasicConfig::enterPage()
{
    // A page that was hidden during a language change still shows the old texts.
    ui->retranslateUi(this);
    qDebug() << "IN BasicParam---------";
}

void BasicConfig::adjustLayout(int width)
{
    m_layoutWidth = width;
    ui->scrollAreaWidgetContents->setMinimumWidth(width);
}

void BasicConfig::refreshFromMirror(bool force)
{
    // The page has no fields of its own yet; the refresh cycle already calls
    // it after every poll of the page's blocks.
    Q_UNUSED(force);
}
