#include "App/testmaintain.h"
#include "ui_testmaintain.h"

#include "App/parameterbinding.h"
#include "Modbus/devicelink.h"
#include "Modbus/devicemirror.h"
#include "Modbus/linkstate.h"
#include "Modbus/registerblocks.h"
#include "Modbus/registeraccess.h"
#include "Modbus/settings.h"
#include "Warning/mesgbox.h"

#include <QComboBox>
#include <QDebug>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEvent>
#include <QMessageBox>
#include <QModbusClient>
#include <QPointer>
#include <QScopedValueRollback>
#include <QTimer>
#include <QUrl>

// One factory-reset command: the device restores a group of parameters when 1
// is written to its command register.
struct ResetCommand
{
    const char *title;    // box title, also the button text
    const char *question;
    int address;
    // The device may change its link settings or restart before it answers:
    // no answer then leaves open whether the command was carried out.
    bool mayDropLink;
    // The calibration-point texts of Weight & CAL no longer apply.
    bool clearsPointTexts;
};

namespace {

const char *const AskLinkLoss = QT_TRANSLATE_NOOP("TestMaintain", "Confirm? Reset may result in communication loss!");
const char *const AskConfirm = QT_TRANSLATE_NOOP("TestMaintain", "Confirm?");

const ResetCommand ResetAll{QT_TRANSLATE_NOOP("TestMaintain", "Reset All"), AskLinkLoss, Reg::ResetAll, true,
                            true};
const ResetCommand ResetPartial{QT_TRANSLATE_NOOP("TestMaintain", "Reset Partial"), AskLinkLoss,
                                Reg::ResetPartial, true, false};
const ResetCommand ResetCal{QT_TRANSLATE_NOOP("TestMaintain", "Reset CAL"), AskConfirm, Reg::ResetCal, false,
                            true};
const ResetCommand ResetBasic{QT_TRANSLATE_NOOP("TestMaintain", "Reset Basic"), AskConfirm, Reg::ResetBasic,
                              false, false};
const ResetCommand ResetIo{QT_TRANSLATE_NOOP("TestMaintain", "Reset I/O"), AskConfirm, Reg::ResetIo, false,
                           false};
const ResetCommand ResetAnalog{QT_TRANSLATE_NOOP("TestMaintain", "Reset Analog"), AskConfirm, Reg::ResetAnalog,
                               false, false};
const ResetCommand ResetApp{QT_TRANSLATE_NOOP("TestMaintain", "Reset Application"), AskConfirm,
                            Reg::ResetApplication, false, false};
const ResetCommand ResetDataTrans{QT_TRANSLATE_NOOP("TestMaintain", "Reset Data-Trans"), AskLinkLoss,
                                  Reg::ResetDataTrans, true, true};

// The devices in the field and their operators rely on this fixed code; the
// code followed by CR LF is taken as well, nothing else.
const QString ResetPassword = QStringLiteral("739204");

// After a reset that went unanswered, how long the page waits for the device
// to answer again before it says that it did not.
constexpr int ComeBackWindowMs = 4000;
constexpr int ComeBackRetryMs = 250;

constexpr int SerialPart1 = 13;
constexpr int SerialLength = 25;

// What the fields show now, process-wide like the mirror: a field is rewritten
// only when its values changed or on a forced refresh.
struct ShownSystemInfo
{
    quint32 version = 0;
    quint32 compileDate = 0;
    quint32 serial[SerialLength] = {};
    quint32 mac[6] = {};
    quint32 btMac[6] = {};
    quint32 voltageCoef = 0;
};
ShownSystemInfo s_shown;

// True when any of the values changed (all copies are taken over).
bool takeChangedArray(const quint32 *values, quint32 *lastShown, int count, bool force)
{
    bool changed = false;
    for (int i = 0; i < count; ++i)
        changed |= takeChanged(values[i], lastShown[i], force);
    return changed;
}

// 13 characters, a hyphen, 12 characters: one character code per register.
QString serialText(const quint32 *codes)
{
    QString text;
    for (int i = 0; i < SerialLength; ++i) {
        if (i == SerialPart1)
            text += QLatin1Char('-');
        text += QChar(ushort(codes[i] & 0xFFFF));
    }
    return text;
}

// "02-52-37-00-0E-01": one byte per register, so the hyphens stay in place
// whatever the upper half of a register holds.
QString macText(const quint32 *bytes)
{
    QStringList parts;
    for (int i = 0; i < 6; ++i)
        parts << QStringLiteral("%1").arg(bytes[i] & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char('-'));
}

// The device keeps the year in the high word and month * 100 + day in the low
// word: 2024 and 105 read as 2024-01-05. A month below 10 gets a leading zero,
// the day is shown as stored.
QString compileDateText(quint32 date)
{
    const QString monthDay = QString::number(date & 0xFFFF);
    const QString day = monthDay.right(2);
    QString month = monthDay.left(qMax(0, monthDay.size() - 2));
    const int monthNumber = month.toInt();
    if (monthNumber >= 0 && monthNumber <= 9)
        month.prepend(QLatin1Char('0'));
    return QStringLiteral("%1-%2-%3").arg(QString::number(date >> 16), month, day);
}

} // namespace

TestMaintain::TestMaintain(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::TestMaintain)
{
    ui->setupUi(this);
    for (QComboBox *box : findChildren<QComboBox *>())
        box->installEventFilter(this);
    ui->widget_top->hide();
    ui->label_Import->hide();
    ui->progressBar_Import->hide();
    ui->label_Export->hide();
    ui->progressBar_Export->hide();
    ui->Btn_StopImport->hide();
    ui->Btn_StopExport->hide();
    ui->tabWidget->setCurrentIndex(0);

    // The result links of the workbook transfers name a local folder.
    const auto openFolder = [](const QString &link) { QDesktopServices::openUrl(QUrl::fromLocalFile(link)); };
    connect(ui->label_exportPath, &QLabel::linkActivated, this, openFolder);
    connect(ui->label_importPath, &QLabel::linkActivated, this, openFolder);
}

TestMaintain::~TestMaintain()
{
    delete ui;
}

bool TestMaintain::eventFilter(QObject *watched, QEvent *event)
{
    // The mouse wheel never changes a value.
    if (event->type() == QEvent::Wheel && qobject_cast<QComboBox *>(watched))
        return true;
    return QWidget::eventFilter(watched, event);
}

void TestMaintain::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        ui->retranslateUi(this);
        showRemoteTip(true);
        showPathLinks();
    }
}

void TestMaintain::enterPage()
{
    // A page that was hidden during a language change still shows the old texts.
    ui->retranslateUi(this);
    showPathLinks();
    refreshFromMirror(true);
    ui->But_Import->setIcon(QIcon(QStringLiteral(":/images/icon_download.ico")));
    ui->But_Import->setIconSize(QSize(30, 30));
    for (QLineEdit *field : {ui->lineEditSoftware, ui->lineEditCompileData, ui->lineEditSerialNum, ui->lineEditMAC,
                             ui->lineEdit_BTMAC, ui->lineEditMVcoef1})
        field->setCursor(Qt::ForbiddenCursor);
    qDebug() << "Into Test_Maintain------";
}

void TestMaintain::showRemoteTip(bool force)
{
    showRemoteBanner(ui->widget_top, ui->label_RemoteTip, SwitchSystem,
                     tr("System remote editing switch off, on before reseting parameters!"), force);
}

void TestMaintain::refreshFromMirror(bool force)
{
    // The resets stay available with the switch off: the device decides.
    showRemoteTip(force);

    QLineEdit *const fields[] = {ui->lineEditSoftware, ui->lineEditCompileData, ui->lineEditSerialNum,
                                 ui->lineEditMAC,      ui->lineEdit_BTMAC,      ui->lineEditMVcoef1};
    const bool read = blockWasRead(Block::SystemInfo) && blockWasRead(Block::MacAddresses)
        && blockWasRead(Block::VoltageCoefficient);
    if (!read) {
        // Nothing from this link yet: the previous device's data must not show.
        for (QLineEdit *field : fields)
            field->setText(NotReadText);
        m_showsNotRead = true;
        return;
    }
    if (m_showsNotRead || m_shownLink != g_mirror.link)
        force = true;
    m_showsNotRead = false;
    m_shownLink = g_mirror.link;

    const SystemInfo &info = g_mirror.gsrt_SysInf;
    if (takeChangedArray(info.serialNumber, s_shown.serial, SerialLength, force))
        ui->lineEditSerialNum->setText(serialText(s_shown.serial));
    if (takeChangedArray(info.mac, s_shown.mac, 6, force))
        ui->lineEditMAC->setText(macText(s_shown.mac));
    if (takeChangedArray(info.btMac, s_shown.btMac, 6, force))
        ui->lineEdit_BTMAC->setText(macText(s_shown.btMac));
    if (takeChanged(info.u32_SoftVersion, s_shown.version, force)) {
        ui->lineEditSoftware->setText(QString::number(s_shown.version));
        qDebug() << "gsrt_SysInf.u32_SoftVersion" << s_shown.version;
    }
    if (takeChanged(info.compileDate, s_shown.compileDate, force))
        ui->lineEditCompileData->setText(compileDateText(s_shown.compileDate));
    if (takeChanged(info.voltageCoef, s_shown.voltageCoef, force))
        ui->lineEditMVcoef1->setText(QString::number(s_shown.voltageCoef / 10000.0, 'f', 4));
}

bool TestMaintain::unlock()
{
    if (m_passwordOk)
        return true;
    const QString entered = passwordBox();
    if (entered.isEmpty())
        return false;
    if (entered != ResetPassword && entered != ResetPassword + QLatin1String("\r\n")) {
        QMessageBox::warning(this, tr("Tip"), tr("Password Failed!"), QMessageBox::Ok);
        return false;
    }
    m_passwordOk = true;
    return true;
}

void TestMaintain::runReset(const ResetCommand &command)
{
    if (m_resetRunning)
        return;
    QScopedValueRollback<bool> running(m_resetRunning, true);

    if (!unlock())
        return;
    if (confirmBox(tr(command.title), tr(command.question)) != ConfirmBoxOk)
        return;

    qDebug() << "Reset command" << command.address;
    const DeviceLink &link = DeviceLink::instance();
    const bool sent = link.isUp();
    const ResultCode result = link.write(quint16(command.address), 1, 1);
    // Only the device's own answer is a success.
    if (result == ResultOk) {
        tipBox(tr("Tip"), tr("Reset Successful!"), false);
        if (command.clearsPointTexts)
            g_cpTextReset = true;
        return;
    }
    // A device that takes on new link settings or restarts may not answer:
    // the command may or may not have been carried out.
    if (command.mayDropLink && (result == ResultTimeout || (sent && result == ResultNoLink))) {
        reportUnanswered(command);
        return;
    }
    failureBox(tr("Tip"), tr("Reset Failed!"), failureCause(result));
}

void TestMaintain::reportUnanswered(const ResetCommand &command)
{
    const QString advice = tr("The device may be restarting, or may now use other link settings. Reconnect "
                              "and check the values.");
    QMessageBox box(QMessageBox::Warning, tr(command.title), tr("Reset sent, no answer"), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.button(QMessageBox::Ok)->setText(tr("OK"));
    box.setInformativeText(advice + QLatin1String("\n\n") + tr("Waiting for the device to answer..."));
    QPointer<QMessageBox> guard(&box);
    QTimer::singleShot(0, &box, [this, guard, advice] {
        const bool back = deviceAnswersAgain(guard);
        if (!guard)
            return;
        guard->setInformativeText(advice + QLatin1String("\n\n")
                                  + (back ? tr("The device answers again.")
                                          : tr("The device has not answered again within %1 s.")
                                                .arg(ComeBackWindowMs / 1000)));
    });
    box.exec();
}

bool TestMaintain::deviceAnswersAgain(const QPointer<QMessageBox> &box)
{
    quint16 word = 0;
    QElapsedTimer elapsed;
    elapsed.start();
    // Stops early when the operator closed the box.
    while (box && box->isVisible()) {
        if (DeviceLink::instance().read(Reg::Weight, 1, &word) == ResultOk)
            return true;
        if (elapsed.elapsed() >= ComeBackWindowMs)
            return false;
        delayMs(ComeBackRetryMs);
    }
    return false;
}

void TestMaintain::on_Btn_ResetALL_clicked()
{
    runReset(ResetAll);
}

void TestMaintain::on_Btn_ResetData_trans_clicked()
{
    runReset(ResetDataTrans);
}

void TestMaintain::on_Btn_ResetAPP_clicked()
{
    runReset(ResetApp);
}

void TestMaintain::on_Btn_Resetbasic_clicked()
{
    runReset(ResetBasic);
}

void TestMaintain::on_Btn_ResetCAL_clicked()
{
    runReset(ResetCal);
}

void TestMaintain::on_Btn_Resetanalog_clicked()
{
    runReset(ResetAnalog);
}

void TestMaintain::on_Btn_ResetIO_clicked()
{
    runReset(ResetIo);
}

void TestMaintain::on_Btn_ResetPartial_clicked()
{
    runReset(ResetPartial);
}
