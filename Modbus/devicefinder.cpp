#include "Modbus/devicefinder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

template <typename T>
T *field(QWidget *page, const char *name)
{
    return page->findChild<T *>(QLatin1String(name));
}

// The parity combo lists NONE, EVEN, ODD; QSerialPort codes 0, 2, 3.
int parityCode(int index)
{
    return index >= 1 ? index + 1 : 0;
}

} // namespace

DeviceFinder::DeviceFinder(QWidget *page)
    : QDialog(page)
    , m_page(page)
    , m_target(targetOf(page))
{
    setObjectName(QStringLiteral("DeviceFinder"));
    setWindowTitle(tr("Find device"));
    setMinimumWidth(520);
    auto *layout = new QVBoxLayout(this);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    m_bar = new QProgressBar(this);
    m_results = new QListWidget(this);
    m_results->setObjectName(QStringLiteral("listWidget_found"));
    m_stopAtFirst = new QCheckBox(tr("Stop at the first device found"), this);
    m_stopAtFirst->setChecked(true);
    connect(m_stopAtFirst, &QCheckBox::toggled, this, [this](bool on) {
        if (m_scan)
            m_scan->setStopAtFirst(on);
    });
    auto *buttons = new QDialogButtonBox(this);
    m_startStop = buttons->addButton(tr("Stop"), QDialogButtonBox::ActionRole);
    m_startStop->setObjectName(QStringLiteral("pushButton_scanStop"));
    QPushButton *close = buttons->addButton(tr("Close"), QDialogButtonBox::RejectRole);
    layout->addWidget(new QLabel(tr("Devices found (click one to use its settings):"), this));
    layout->addWidget(m_results);
    layout->addWidget(m_status);
    layout->addWidget(m_bar);
    layout->addWidget(m_stopAtFirst);
    layout->addWidget(buttons);

    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    // Closed in any way, the box ends its scan and frees the port.
    connect(this, &QDialog::finished, this, [this] {
        if (m_scan)
            m_scan->stop();
    });
    connect(m_startStop, &QPushButton::clicked, this, [this] {
        if (m_scan && m_scan->isRunning())
            m_scan->stop();
        else
            start();
    });
    connect(m_results, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        const int row = m_results->row(item);
        if (row < 0 || row >= m_hits.size())
            return;
        if (m_scan)
            m_scan->stop();
        apply(m_page, m_target.tcp, m_hits.at(row));
        accept();
    });
}

ScanTarget DeviceFinder::targetOf(QWidget *page)
{
    ScanTarget target;
    const auto *type = field<QComboBox>(page, "connectType");
    target.tcp = type && type->currentIndex() == 1;
    if (const auto *port = field<QComboBox>(page, "serialnumcomboBox")) {
        // Listed ports read "description(name)"; a typed one is taken whole.
        const QString text = port->currentText();
        const int open = text.indexOf(QLatin1Char('('));
        target.device = open < 0 ? text.trimmed() : text.mid(open + 1).section(QLatin1Char(')'), 0, 0);
    }
    if (const auto *baud = field<QComboBox>(page, "baudCombo"))
        target.present.baud = baud->currentText().toInt();
    if (const auto *parity = field<QComboBox>(page, "parityCombo"))
        target.present.parity = parityCode(parity->currentIndex());
    if (const auto *bits = field<QComboBox>(page, "dataBitsCombo"))
        target.dataBits = bits->currentText().toInt();
    if (const auto *stop = field<QComboBox>(page, "stopBitsCombo"))
        target.stopBits = stop->currentText().toInt();
    if (const auto *unit = field<QSpinBox>(page, "spinboxSlaveId"))
        target.presentUnit = unit->value();
    if (const auto *host = field<QLineEdit>(page, "EditHostIP")) {
        const bool v6 = host->text().contains(QLatin1Char(':'));
        target.host = v6 ? QLatin1Char('[') + host->text() + QLatin1Char(']') : host->text();
    }
    if (const auto *port = field<QLineEdit>(page, "EditPort"))
        target.port = port->text().toInt();
    return target;
}

void DeviceFinder::apply(QWidget *page, bool tcp, const ScanHit &hit)
{
    if (auto *unit = field<QSpinBox>(page, "spinboxSlaveId"))
        unit->setValue(hit.unit);
    if (tcp)
        return;
    if (auto *baud = field<QComboBox>(page, "baudCombo")) {
        const int index = baud->findText(QString::number(hit.line.baud));
        if (index >= 0)
            baud->setCurrentIndex(index);
    }
    if (auto *parity = field<QComboBox>(page, "parityCombo"))
        parity->setCurrentIndex(hit.line.parity == 0 ? 0 : hit.line.parity - 1);
}

QString DeviceFinder::lineText(const ScanHit &hit) const
{
    QString text = m_target.tcp ? tr("unit %1").arg(hit.unit)
                                : tr("unit %1, %2 baud, %3").arg(hit.unit).arg(hit.line.baud).arg(hit.format());
    if (hit.exception != 0)
        text += tr(" (answers the test read with exception %1)").arg(hit.exception);
    return text;
}

void DeviceFinder::showProgress(int done, int total, qint64 msLeft, const ScanHit &probed)
{
    m_bar->setMaximum(total);
    m_bar->setValue(done);
    const qint64 s = (msLeft + 999) / 1000;
    const QString left = s >= 60 ? tr("about %1 min %2 s left").arg(s / 60).arg(s % 60) : tr("about %1 s left").arg(s);
    ScanHit asked = probed;
    asked.exception = 0;
    m_status->setText(tr("Searching: %1 of %2 probes, %3 (%4)").arg(done).arg(total).arg(left, lineText(asked)));
}

void DeviceFinder::start()
{
    delete m_scan;
    m_hits.clear();
    m_results->clear();
    m_scan = new DeviceScan(m_target, this);
    m_scan->setStopAtFirst(m_stopAtFirst->isChecked());
    connect(m_scan, &DeviceScan::found, this, [this](const ScanHit &hit) {
        m_hits.append(hit);
        m_results->addItem(lineText(hit));
    });
    connect(m_scan, &DeviceScan::progress, this,
            [this](int done, int total, qint64 msLeft, const ScanHit &probed) {
                showProgress(done, total, msLeft, probed);
            });
    connect(m_scan, &DeviceScan::finished, this, [this](bool stopped, const QString &problem) {
        m_startStop->setText(tr("Search again"));
        QString text = m_hits.isEmpty() ? tr("No device found.") : tr("Devices found: %1.").arg(m_hits.size());
        if (stopped && m_hits.isEmpty())
            text = tr("Stopped.");
        if (!problem.isEmpty())
            text += QLatin1Char(' ') + problem;
        m_status->setText(text);
    });
    m_startStop->setText(tr("Stop"));
    m_bar->setMaximum(m_scan->total());
    m_bar->setValue(0);
    m_status->setText(tr("Searching..."));
    m_scan->start();
}
