#include "main/headless.h"
#include "main/mainwindow.h"
#include "Modbus/trafficlog.h"

#include <QApplication>
#include <QFile>

int main(int argc, char *argv[])
{
    // Transfers from the command line run without a window or a display.
    if (Headless::wanted(argc, argv))
        return Headless::run(argc, argv);
    QApplication app(argc, argv);
    setupModbusTraces(app.arguments().contains(QStringLiteral("--verbose")));

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
