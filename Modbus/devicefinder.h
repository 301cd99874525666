#ifndef DEVICEFINDER_H
#define DEVICEFINDER_H

#include "Modbus/devicescan.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

// The connection page's "Find device" box: scans with the page's settings
// tried first, shows progress with the time left and a line per device found;
// a click on a line puts it into the page's fields and closes the box.
class DeviceFinder : public QDialog
{
    Q_OBJECT

public:
    // page: the connection page, whose fields are found by their object names.
    explicit DeviceFinder(QWidget *page);

    // The scan target from the page's fields (protocol, port or host, line, unit).
    static ScanTarget targetOf(QWidget *page);
    // Puts a device found into the page's fields.
    static void apply(QWidget *page, bool tcp, const ScanHit &hit);

    void start();

private:
    QString lineText(const ScanHit &hit) const;
    void showProgress(int done, int total, qint64 msLeft, const ScanHit &probed);

    QWidget *m_page;
    ScanTarget m_target;
    DeviceScan *m_scan = nullptr;
    QLabel *m_status;
    QProgressBar *m_bar;
    QListWidget *m_results;
    QCheckBox *m_stopAtFirst;
    QPushButton *m_startStop;
    QVector<ScanHit> m_hits;
};

#endif // DEVICEFINDER_H
