#include "Modbus/modbussetting.h"
#include "ui_modbussetting.h"

#include "Base/apppaths.h"
#include "Modbus/devicefinder.h"
#include "Modbus/devicelink.h"
#include "Modbus/linkstate.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScopedValueRollback>
#include <QSerialPortInfo>
#include <QSettings>
#include <QSpinBox>
#include <QUrl>

namespace {

// An IPv4 address, or an IPv6 address of two to seven colons ("::1", "fe80::2").
const char *const HostPattern =
    "(2([0-4][0-9]|5[0-5])|[0-1]?[0-9]{1,2})([.](2([0-4][0-9]|5[0-5])|[0-1]?[0-9]{1,2})){3}"
    "|[0-9A-Fa-f]{0,4}(:[0-9A-Fa-f]{0,4}){2,7}|^$";
// Every port from 1 to 65535, without leading zeros; empty while typing.
const char *const PortPattern =
    "[1-9][0-9]{0,3}|[1-5][0-9]{4}|6[0-4][0-9]{3}|65[0-4][0-9]{2}|655[0-2][0-9]|6553[0-5]|^$";

const char *const MakerUrl = "https://orvik.example.com/r7";

// Keys of "setting.ini".
const char *const GroupR7 = "R7";
const char *const GroupConfig = "Config";

} // namespace

ModbusSetting::ModbusSetting(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::ModbusSetting)
{
    ui->setupUi(this);
    m_focusTarget = ui->widget_settings;
    m_settingsFileLabel = new QLabel(this);
    m_settingsFileLabel->setObjectName(QStringLiteral("label_settingsFile"));
    m_settingsFileLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_settingsFileLabel->setContentsMargins(24, 0, 0, 0);
    ui->horizontalLayout_footer->insertWidget(1, m_settingsFileLabel);

    ui->EditHostIP->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QString::fromLatin1(HostPattern)), this));
    ui->EditPort->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QString::fromLatin1(PortPattern)), this));

    const auto combos = findChildren<QComboBox *>();
    for (QComboBox *combo : combos)
        combo->installEventFilter(this);
    const auto edits = findChildren<QLineEdit *>();
    for (QLineEdit *edit : edits)
        edit->installEventFilter(this);
    const auto lists = findChildren<QListView *>();
    for (QListView *list : lists)
        list->installEventFilter(this);
    const auto spins = findChildren<QSpinBox *>();
    for (QSpinBox *spin : spins) {
        spin->installEventFilter(this);
        connect(spin, &QSpinBox::editingFinished, this, [this] {
            m_focusTarget->setFocus(Qt::OtherFocusReason);
        });
    }
    for (QLineEdit *edit : {ui->EditHostIP, ui->EditPort}) {
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] {
            if (edit->text().isEmpty())
                edit->setText(g_savedValueText);
            m_focusTarget->setFocus(Qt::OtherFocusReason);
        });
    }

    showProtocolFields(ui->connectType->currentIndex());
}

ModbusSetting::~ModbusSetting()
{
    delete ui;
}

QString ModbusSetting::settingsDirectory()
{
    return AppPaths::settingsDirectory(QCoreApplication::applicationDirPath());
}

QString ModbusSetting::settingsFilePath()
{
    return QStringLiteral("%1/setting.ini").arg(settingsDirectory());
}

Settings ModbusSetting::settings()
{
    const int parityIndex = ui->parityCombo->currentIndex();
    m_settings.parity = parityIndex >= 1 ? parityIndex + 1 : parityIndex;
    m_settings.baud = ui->baudCombo->currentText().toInt(nullptr, 10);
    m_settings.dataBits = ui->dataBitsCombo->currentText().toInt(nullptr, 10);
    m_settings.stopBits = ui->stopBitsCombo->currentText().toInt(nullptr, 10);
    m_settings.responseTime = ui->timeoutSpinner->value();

    // Listed ports read "description(name)"; a typed name (a pty, an adapter
    // plugged in later) has no brackets and is taken whole.
    const QString portText = ui->serialnumcomboBox->currentText();
    const int open = portText.indexOf(QLatin1Char('('));
    if (open < 0) {
        m_settings.SerialNum = portText.trimmed();
    } else {
        const int close = portText.indexOf(QLatin1Char(')'), open + 1);
        m_settings.SerialNum = close < 0 ? portText.mid(open + 1) : portText.mid(open + 1, close - open - 1);
    }

    m_settings.connectType = ui->connectType->currentIndex();
    m_settings.EditIP = ui->EditHostIP->text();
    m_settings.EditPort = ui->EditPort->text();
    return m_settings;
}

void ModbusSetting::initInterface()
{
    ui->retranslateUi(this);
    m_settingsFileLabel->setText(AppPaths::settingsFileNote(settingsFilePath()));
    // The system's serial ports are listed once per visit of the page: an
    // adapter plugged in meanwhile shows up, and listing them takes tens of
    // milliseconds.
    SettingSerialNum();
    loadSettings();
    qDebug() << "ModbusSetting InterfaceInit";
}

void ModbusSetting::SettingSerialNum()
{
    // Keep a typed port name across the refill: it is not in the system's list.
    const QString typed = ui->serialnumcomboBox->currentText();
    ui->serialnumcomboBox->clear();
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        ui->serialnumcomboBox->addItem(info.description() + QLatin1Char('(') + info.portName() + QLatin1Char(')'));
        qDebug() << "info.portName()" << info.portName();
    }
    if (!typed.isEmpty())
        setPortText(typed);
}

void ModbusSetting::setPortText(const QString &text)
{
    const int index = ui->serialnumcomboBox->findText(text);
    if (index >= 0)
        ui->serialnumcomboBox->setCurrentIndex(index);
    else
        ui->serialnumcomboBox->setEditText(text);
}

void ModbusSetting::on_connectType_activated(int index)
{
    SettingSerialNum();
    showProtocolFields(index);
}

void ModbusSetting::showProtocolFields(int index)
{
    const bool rtu = index == 0;
    const QList<QWidget *> rtuFields = {ui->serialnumcomboBox, ui->label_1, ui->spinboxSlaveId, ui->label_6,
                                        ui->baudCombo, ui->label_3, ui->dataBitsCombo, ui->label_5,
                                        ui->parityCombo, ui->label_2, ui->stopBitsCombo, ui->label_4};
    const QList<QWidget *> tcpFields = {ui->EditHostIP, ui->label_hostip, ui->EditPort, ui->label_Port};
    for (QWidget *w : rtuFields)
        w->setVisible(rtu);
    for (QWidget *w : tcpFields)
        w->setVisible(!rtu);
}

void ModbusSetting::showWarning(const QString &text)
{
    QMessageBox box(QMessageBox::Information, tr("Warning"), text, QMessageBox::NoButton, this);
    box.addButton(tr("OK"), QMessageBox::AcceptRole);
    box.exec();
}

LinkSettings ModbusSetting::linkSettings()
{
    settings();
    m_settings.slaveId = ui->spinboxSlaveId->value();
    m_settings.dwordFormat = ui->DwordFormat->currentIndex();

    LinkSettings link;
    link.tcp = m_settings.connectType != 0;
    link.serialPort = m_settings.SerialNum;
    link.parity = m_settings.parity;
    link.baud = m_settings.baud;
    link.dataBits = m_settings.dataBits;
    link.stopBits = m_settings.stopBits;
    if (link.tcp) {
        // An IPv6 address goes in brackets, here and for the client, which
        // joins host and port the same way: bare, its last group would be
        // taken for the port.
        const bool v6 = m_settings.EditIP.contains(QLatin1Char(':'));
        const QString host = v6 ? QLatin1Char('[') + m_settings.EditIP + QLatin1Char(']') : m_settings.EditIP;
        const QString address = host + QLatin1Char(':') + m_settings.EditPort;
        qDebug() << "IP" << address;
        const QUrl url = QUrl::fromUserInput(address);
        link.host = v6 ? host : url.host();
        link.port = url.port();
    }
    link.unitId = m_settings.slaveId;
    link.wordOrder = m_settings.dwordFormat;
    // The Delay field is the link's time-out: for the connection, the test
    // read and every request after it.
    link.timeoutMs = m_settings.responseTime;
    link.retries = m_settings.numberOfRetries;
    return link;
}

void ModbusSetting::on_connectButton_clicked()
{
    // The sequence waits with the event loop running; a second click in the
    // meantime must not start a second client or a second test read.
    if (m_connecting)
        return;
    QScopedValueRollback<bool> connecting(m_connecting, true);
    QPointer<ModbusSetting> self(this);
    DeviceLink &link = DeviceLink::instance();
    if (link.isUp())
        return;
    emit linkStarting();
    if (!self)
        return;

    const LinkProof proof = link.open(linkSettings());
    if (!self)
        return;
    if (proof.step != LinkStep::NotReached)
        saveSettings();
    if (proof.ok()) {
        qDebug() << "连接成功" << "modbusConnectType" << g_connType;
        emit ConnectSuccessfulSignal();
        return;
    }
    qDebug() << (proof.step == LinkStep::NotReached ? "连接失败" : "读取失败") << proof.detail
             << "settings().SerialNum" << m_settings.SerialNum;
    link.close();
    showWarning(tr("Operation Failed,Please try again!"));
}

void ModbusSetting::on_findDeviceButton_clicked()
{
    emit linkStarting();
    DeviceFinder finder(this);
    finder.start();
    finder.exec();
}

void ModbusSetting::saveSettings()
{
    const QString path = settingsFilePath();
    {
        // Creates the file when missing, so QSettings can write beside it.
        QFile file(path);
        if (file.open(QIODevice::Append | QIODevice::Text))
            file.close();
    }
    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup(QLatin1String(GroupR7));
    ini.setValue(QStringLiteral("EditPort"), ui->EditPort->text());
    ini.setValue(QStringLiteral("spinboxSlaveId"), ui->spinboxSlaveId->text());
    ini.setValue(QStringLiteral("EditHostIP"), ui->EditHostIP->text());
    ini.setValue(QStringLiteral("DwordFormat"), ui->DwordFormat->currentIndex());
    ini.setValue(QStringLiteral("baudCombo"), ui->baudCombo->currentIndex());
    ini.setValue(QStringLiteral("dataBitsCombo"), ui->dataBitsCombo->currentIndex());
    ini.setValue(QStringLiteral("parityCombo"), ui->parityCombo->currentIndex());
    ini.setValue(QStringLiteral("serialnumcomboBox"), ui->serialnumcomboBox->currentText());
    ini.setValue(QStringLiteral("stopBitsCombo"), ui->stopBitsCombo->currentIndex());
    ini.setValue(QStringLiteral("connectType"), ui->connectType->currentIndex());
    ini.setValue(QStringLiteral("timeoutSpinner"), ui->timeoutSpinner->text().section(QLatin1Char(' '), 0, 0));
    ini.setValue(QStringLiteral("Language"), g_language);
    ini.setValue(QStringLiteral("UIMode"), g_uiMode);
    ini.endGroup();
    ini.sync();
    if (ini.status() != QSettings::NoError)
        qDebug() << "setting.ini not written" << path;
}

void ModbusSetting::readAppearance(QSettings &ini)
{
    const int startup = ini.value(QStringLiteral("Config/Startup"), 0).toInt();
    const QString group = QLatin1String(startup == 0 ? GroupR7 : GroupConfig);
    g_language = ini.value(group + QStringLiteral("/Language"), 0).toInt();
    g_uiMode = ini.value(group + QStringLiteral("/UIMode"), 0).toInt();
}

void ModbusSetting::loadAppearance()
{
    const QString path = settingsFilePath();
    if (!QFileInfo::exists(path))
        return;
    QSettings ini(path, QSettings::IniFormat);
    readAppearance(ini);
}

void ModbusSetting::loadSettings()
{
    const QString path = settingsFilePath();
    if (!QFileInfo::exists(path)) {
        qDebug() << path << "文件不存在";
        return;
    }
    QSettings ini(path, QSettings::IniFormat);
    ini.beginGroup(QLatin1String(GroupR7));

    // While a link is up the fields show the settings it runs with, which
    // the file may no longer hold.
    if (DeviceLink::instance().isUp()) {
        ini.endGroup();
        loadModes(ini);
        return;
    }
    const QString port = ini.value(QStringLiteral("EditPort")).toString();
    if (!port.isEmpty())
        ui->EditPort->setText(port);
    const QString host = ini.value(QStringLiteral("EditHostIP")).toString();
    if (!host.isEmpty())
        ui->EditHostIP->setText(host);
    // Indexes are clamped by QComboBox: an out-of-range index clears the
    // selection, so keep the first item instead.
    const auto setIndex = [&ini](QComboBox *combo, const char *key) {
        const int index = ini.value(QLatin1String(key), 0).toInt();
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : 0);
    };
    setIndex(ui->DwordFormat, "DwordFormat");
    setIndex(ui->baudCombo, "baudCombo");
    setIndex(ui->dataBitsCombo, "dataBitsCombo");
    setIndex(ui->parityCombo, "parityCombo");
    setIndex(ui->stopBitsCombo, "stopBitsCombo");
    setIndex(ui->connectType, "connectType");
    showProtocolFields(ui->connectType->currentIndex());
    const int delay = ini.value(QStringLiteral("timeoutSpinner"), 0).toInt();
    ui->timeoutSpinner->setValue(delay);
    ui->spinboxSlaveId->setValue(ini.value(QStringLiteral("spinboxSlaveId"), 0).toInt());
    const QString portName = ini.value(QStringLiteral("serialnumcomboBox")).toString();
    if (!portName.isEmpty())
        setPortText(portName);
    ini.endGroup();
    loadModes(ini);
}

void ModbusSetting::loadModes(QSettings &ini)
{
    readAppearance(ini);

    ui->label_url->setText(QStringLiteral("<a href=\"%1\" style=\"color:#00aaff;\">%1</a>").arg(QLatin1String(MakerUrl)));
    ui->label_url->setTextFormat(Qt::RichText);
    ui->label_url->setOpenExternalLinks(true);
}

bool ModbusSetting::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Wheel:
        return true;
    case QEvent::FocusIn:
        if (auto *edit = qobject_cast<QLineEdit *>(watched))
            g_savedValueText = edit->text();
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
