#include "App/application.h"
#include "ui_application.h"

#include <QDebug>

Application::Application(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::Application)
{
    ui->setupUi(this);
    // The banner is only for a device that refuses remote edits.
    ui->widget_top->hide();
}

Application::~Application()
{
    delete ui;
}

void Application::enterPage()
{
    // A page that was hidden during a language change still shows the old texts.
    ui->retranslateUi(this);
    qDebug() << "Into Application-------------";
}

void Application::adjustLayout(int width)
{
    m_layoutWidth = width;
    ui->scrollAreaWidgetContents->setMinimumWidth(width);
}

void Application::refreshFromMirror(bool force)
{
    // The page has no fields of its own yet; the refresh cycle already calls
    // it after every poll of the page's blocks.
    Q_UNUSED(force);
}
