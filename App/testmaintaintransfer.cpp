#include "App/testmaintain.h"
#include "ui_testmaintain.h"

#include "Excel/exeltowrite.h"
#include "Excel/parametertransfer.h"
#include "Excel/spreadsheet.h"
#include "Modbus/devicelink.h"
#include "Modbus/linkstate.h"
#include "Modbus/modbussetting.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QSettings>

#include <algorithm>

// Workbook export and import of the Test Maintain page. The transfers
// themselves (Excel/) know no widgets; here they get their progress bars,
// result links and message boxes.

namespace {

// Re-entry guards, raised while idle. One transfer at a time: an import
// started while an export waits for the device would interleave with it.
bool s_exportIdle = true;
bool s_importIdle = true;

ExelToWrite &pageTransfer()
{
    static ExelToWrite transfer;
    return transfer;
}

// "setting.ini" [Config] RowByRow=true: exports read one row per request, for
// a device that refuses reads over registers it does not use. Set by hand; off
// by default. Read at every export, so no restart is needed.
bool rowByRowExport()
{
    return QSettings(ModbusSetting::settingsFilePath(), QSettings::IniFormat)
        .value(QStringLiteral("Config/RowByRow"), false)
        .toBool();
}

void prepareBar(QProgressBar *bar)
{
    bar->setFormat(QStringLiteral("%p%"));
    bar->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    bar->setStyleSheet(QStringLiteral("QProgressBar{ color: orange;}"));
}

QString linkText(const QString &file, const QString &caption)
{
    return QStringLiteral("<a style='color:#00aaff;' href=\"%1\">%2</a>")
        .arg(ParameterTransfer::folderOf(file).toHtmlEscaped(), (caption + file).toHtmlEscaped());
}

// Register addresses as ranges in ascending order: "100-105, 116-117, 8152".
QString addressRanges(QVector<quint32> registers)
{
    std::sort(registers.begin(), registers.end());
    registers.erase(std::unique(registers.begin(), registers.end()), registers.end());
    QStringList ranges;
    for (int i = 0; i < registers.size();) {
        int last = i;
        while (last + 1 < registers.size() && registers.at(last + 1) == registers.at(last) + 1)
            ++last;
        ranges << (last == i ? QString::number(registers.at(i))
                             : QStringLiteral("%1-%2").arg(registers.at(i)).arg(registers.at(last)));
        i = last + 1;
    }
    return ranges.join(QStringLiteral(", "));
}

// A box that does not wait: the running transfer goes on while it shows.
void tellBusy(QWidget *parent, const QString &text)
{
    auto *box = new QMessageBox(QMessageBox::Information, TestMaintain::tr("Tip"), text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

// Connects the transfer's progress to one bar for the length of a transfer.
class BarFeed
{
public:
    BarFeed(ExelToWrite &transfer, int which, QProgressBar *bar)
    {
        m_range = QObject::connect(&transfer, &ExelToWrite::progressRange, bar, [=](int w, int low, int high) {
            if (w == which)
                bar->setRange(low, high);
        });
        m_value = QObject::connect(&transfer, &ExelToWrite::progressValue, bar, [=](int w, int value) {
            if (w == which)
                bar->setValue(value);
        });
    }
    ~BarFeed()
    {
        QObject::disconnect(m_range);
        QObject::disconnect(m_value);
    }

private:
    QMetaObject::Connection m_range;
    QMetaObject::Connection m_value;
};

} // namespace

void TestMaintain::on_But_Import_clicked()
{
    if (!s_exportIdle) {
        tellBusy(this, tr("An export is running: import when it has finished."));
        return;
    }
    if (!s_importIdle)
        return;
    s_importIdle = false;

    const QString path = QFileDialog::getOpenFileName(nullptr, tr("Select File"), QString(),
                                                      tr("Excel Files (*.xlsx *.xls)") + QStringLiteral(";;")
                                                          + tr("All Files (*)"));
    if (path.isEmpty())
        qDebug() << "未选择文件";
    else
        qDebug() << "选中的文件路径：" << path;

    const QPointer<TestMaintain> self(this);
    prepareBar(ui->progressBar_Import);
    ui->label_Import->show();
    ui->progressBar_Import->show();
    ui->Btn_StopImport->show();
    int result;
    {
        BarFeed feed(pageTransfer(), ExelToWrite::ImportBar, ui->progressBar_Import);
        result = pageTransfer().importWorkbook(workbookCollection(), path, DeviceLink::instance().client());
    }
    if (!self) {
        s_importIdle = true;
        return;
    }
    ui->Btn_StopImport->hide();
    const TransferReport &report = pageTransfer().report();
    if (result < 0) {
        QMessageBox::warning(this, tr("Tip"), tr("Import Failed!"));
    } else if (result == ExelToWrite::Aborted) {
        const QString written = report.writtenRegisters.isEmpty()
            ? tr("Nothing was written.")
            : tr("Written addresses: %1").arg(addressRanges(report.writtenRegisters));
        QMessageBox::warning(this, tr("Tip"),
                             tr("Import stopped by the operator.") + QLatin1Char('\n')
                                 + tr("Stopped after %1 of %2 rows.").arg(report.rows).arg(report.listed)
                                 + QLatin1Char('\n') + written + report.summary(false));
    } else {
        m_importedFile = path;
        showPathLinks();
        QMessageBox::warning(this, tr("Tip"), tr("Import Finish!") + report.summary(false));
    }
    if (self) {
        ui->label_Import->hide();
        ui->progressBar_Import->hide();
    }
    s_importIdle = true;
}

void TestMaintain::on_Btu_Export_clicked()
{
    if (!s_importIdle) {
        tellBusy(this, tr("An import is running: export when it has finished."));
        return;
    }
    if (!s_exportIdle)
        return;
    s_exportIdle = false;

    const QPointer<TestMaintain> self(this);
    prepareBar(ui->progressBar_Export);
    ui->label_Export->show();
    ui->progressBar_Export->show();
    ui->Btn_StopExport->show();
    QString file;
    int result;
    {
        BarFeed feed(pageTransfer(), ExelToWrite::ExportBar, ui->progressBar_Export);
        pageTransfer().setRowByRow(rowByRowExport());
        result = ParameterTransfer::exportParameters(pageTransfer(), workbookCollection(), g_language,
                                                     QCoreApplication::applicationDirPath(),
                                                     DeviceLink::instance().client(), &file);
    }
    if (!self) {
        s_exportIdle = true;
        return;
    }
    ui->Btn_StopExport->hide();
    const TransferReport &report = pageTransfer().report();
    if (result < 0) {
        QMessageBox::warning(this, tr("Tip"), tr("Export Failed!"));
    } else if (result == ExelToWrite::Aborted) {
        QMessageBox::warning(this, tr("Tip"),
                             tr("Export stopped by the operator.") + QLatin1Char('\n')
                                 + tr("Stopped after %1 of %2 rows; the workbook was not saved.")
                                       .arg(report.rows)
                                       .arg(report.listed));
    } else {
        m_exportedFile = file;
        showPathLinks();
        QString text = tr("Export Finish!") + report.summary(true);
        const QString target = ParameterTransfer::exportPath(g_language, QCoreApplication::applicationDirPath());
        if (file != target)
            text += QStringLiteral("\n\n") + tr("The earlier export %1 was kept; this one, with failed rows, is %2.")
                                              .arg(QDir::toNativeSeparators(target), QDir::toNativeSeparators(file));
        QMessageBox::warning(this, tr("Tip"), text);
    }
    if (self) {
        ui->label_Export->hide();
        ui->progressBar_Export->hide();
    }
    s_exportIdle = true;
}

void TestMaintain::on_Btn_StopImport_clicked()
{
    pageTransfer().stop();
}

void TestMaintain::on_Btn_StopExport_clicked()
{
    pageTransfer().stop();
}

void TestMaintain::showPathLinks()
{
    // Rebuilt in the language shown now; an empty label until a transfer ran.
    if (!m_importedFile.isEmpty())
        ui->label_importPath->setText(linkText(m_importedFile, tr("Import Path>>>")));
    if (!m_exportedFile.isEmpty())
        ui->label_exportPath->setText(linkText(m_exportedFile, tr("Export Path>>>")));
}
