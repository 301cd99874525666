#include "main/headless.h"
#include "main/mainwindow.h"

#include <QApplication>
#include <QFile>
#include <QLoggingCategory>

int main(int argc, char *argv[])
{
    // Transfers from the command line run without a window or a display.
    if (Headless::wanted(argc, argv))
        return Headless::run(argc, argv);
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
    window.setupFrame();

    window.show();
    return app.exec();
}
