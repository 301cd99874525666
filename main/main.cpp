#include "main/mainwindow.h"

#include <QApplication>
#include <QFile>
#include <QGraphicsDropShadowEffect>
#include <QIcon>
#include <QLoggingCategory>

int main(int argc, char *argv[])
{
    QLoggingCategory::setFilterRules(QStringLiteral("qt.modbus* = true"));
    QApplication app(argc, argv);

    QFile sheet(QStringLiteral(":/Qss/SheetStyle.qss"));
    if (sheet.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = sheet.readAll();
        // Read as C text: a stray NUL ends the sheet, and what follows it would
        // only confuse the style sheet parser.
        app.setStyleSheet(QString::fromUtf8(bytes.constData()));
    }

    MainWindow window;
    window.setWindowIcon(QIcon(QStringLiteral(":/images/KDIcon.ico")));
    window.setWindowFlags(window.windowFlags() | Qt::FramelessWindowHint);
    // The shadow is drawn into a see-through border around the window.
    window.setAttribute(Qt::WA_TranslucentBackground);
    auto *shadow = new QGraphicsDropShadowEffect;
    shadow->setColor(Qt::black);
    shadow->setOffset(0, 0);
    shadow->setBlurRadius(30);
    window.setGraphicsEffect(shadow);

    window.show();
    return app.exec();
}
