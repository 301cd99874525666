#include "App/datatrans.h"
#include "App/groupgrid.h"
#include "ui_datatrans.h"

#include "Modbus/devicemirror.h"
#include "Modbus/linkstate.h"
#include "Modbus/presentation.h"
#include "Modbus/registerblocks.h"

#include <QComboBox>
#include <QDebug>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>

namespace {

// Rows in the field order of the record: COM 0, COM 1 with its RS485/RS232
// mode, COM 2, the Ethernet port, then the analog output.
const QString DataTransNames[37] = {
    QStringLiteral("lineEditCOMID_1"),   QStringLiteral("BoxBaudrate_1"),   QStringLiteral("BoxProtocol_1"),
    QStringLiteral("BoxDataFormat_1"),   QStringLiteral("BoxDwordFormat_1"), QStringLiteral("lineEditSendGap_1"),
    QStringLiteral("lineEditCOMID_2"),   QStringLiteral("BoxBaudrate_2"),   QStringLiteral("BoxProtocol_2"),
    QStringLiteral("BoxDataFormat_2"),   QStringLiteral("BoxDwordFormat_2"), QStringLiteral("lineEditSendGap_2"),
    QStringLiteral("BoxComType"),
    QStringLiteral("lineEditCOMID_3"),   QStringLiteral("BoxBaudrate_3"),   QStringLiteral("BoxProtocol_3"),
    QStringLiteral("BoxDataFormat_3"),   QStringLiteral("BoxDwordFormat_3"), QStringLiteral("lineEditSendGap_3"),
    QStringLiteral("cBoxNetComProtocol"), QStringLiteral("cBoxNetComDwordFormat"), QStringLiteral("EditNetComSendGap"),
    QStringLiteral("EditIP_1"),          QStringLiteral("EditIP_2"),        QStringLiteral("EditIP_3"),
    QStringLiteral("EditIP_4"),          QStringLiteral("EditDestIP_1"),    QStringLiteral("EditDestIP_2"),
    QStringLiteral("EditDestIP_3"),      QStringLiteral("EditDestIP_4"),    QStringLiteral("EditNetComSocket"),
    QStringLiteral("cBoxAnalogType"),    QStringLiteral("EditMinOut"),      QStringLiteral("EditZeroOut"),
    QStringLiteral("EditFSOut"),         QStringLiteral("EditMaxOut"),      QStringLiteral("cBoxLinkData"),
};
#define R7_COM_SPANS(port)                                                                             \
    {Reg::comPort(port, Reg::ComId), 1}, {Reg::comPort(port, Reg::ComBaudrate), 1},                    \
        {Reg::comPort(port, Reg::ComProtocol), 1}, {Reg::comPort(port, Reg::ComDataFormat), 1},        \
        {Reg::comPort(port, Reg::ComDwordFormat), 1}, {Reg::comPort(port, Reg::ComSendGap), 1}
constexpr RegisterSpan DataTransSpans[37] = {
    R7_COM_SPANS(0), R7_COM_SPANS(1), {Reg::Com1Type, 1}, R7_COM_SPANS(2),
    {Reg::NetProtocol, 1}, {Reg::NetDwordFormat, 1}, {Reg::NetSendGap, 1},
    {Reg::LocalIp, 1}, {Reg::LocalIp + 1, 1}, {Reg::LocalIp + 2, 1}, {Reg::LocalIp + 3, 1},
    {Reg::DestinationIp, 1}, {Reg::DestinationIp + 1, 1}, {Reg::DestinationIp + 2, 1}, {Reg::DestinationIp + 3, 1},
    {Reg::NetSocket, 1},
    {Reg::AnalogType, 1}, {Reg::AnalogMinOut, 1}, {Reg::AnalogZeroOut, 1}, {Reg::AnalogFullScaleOut, 1},
    {Reg::AnalogMaxOut, 1}, {Reg::AnalogLinkData, 1},
};
#undef R7_COM_SPANS
const BindingTable DataTransTable = makeBindingTable(DataTransNames, DataTransSpans);

// Runs of table rows and the record field of their first row; the record
// leaves gaps between the ports.
struct RecordRun
{
    int firstRow;
    int rows;
    int firstField;
};
constexpr RecordRun SerialAndNetworkRuns[4] = {
    {0, 6, 0},   // COM 0
    {6, 7, 7},   // COM 1 and its RS485/RS232 mode (field 13)
    {13, 6, 14}, // COM 2
    {19, 12, 21} // Ethernet
};
constexpr int AnalogFirstRow = 31;
constexpr int AnalogRows = 6;
enum AnalogItem { AnalogType = 0, AnalogLinkData = 5 };
enum AnalogTypes { TypeUserCurrent = 2, TypeUserVoltage = 3 };

// Analog output values are thousandths of a mA or V, signed 16-bit.
constexpr int AnalogExponent = 3;
constexpr ScaledEditor DataTransScaled[4] = {
    {"EditMinOut", AnalogExponent}, {"EditZeroOut", AnalogExponent},
    {"EditFSOut", AnalogExponent},  {"EditMaxOut", AnalogExponent},
};

// Last-shown copies: 32-bit for the ports, 16-bit for the analog registers.
quint32 s_shownDataTrans[33] = {};
quint16 s_shownAnalog[AnalogRows] = {};

constexpr GroupGrid PortGrid = {480, {10, 360, 710}, 2, 1540, 480};

} // namespace

DataTrans::DataTrans(QWidget *parent)
    : ParameterPage(parent)
    , ui(new Ui::DataTrans)
{
    ui->setupUi(this);
    setupBinding(ui->widget_top, ui->label_RemoteTip);
    // The banner is only for a device that refuses remote edits.
    ui->widget_top->hide();
    on_cBoxAnalogType_currentIndexChanged(ui->cBoxAnalogType->currentIndex());
}

DataTrans::~DataTrans()
{
    delete ui;
}

const BindingTable *DataTrans::bindingTable() const
{
    return &DataTransTable;
}

ScaledList DataTrans::scaledList() const
{
    return makeScaledList(DataTransScaled);
}

void DataTrans::retranslate()
{
    ui->retranslateUi(this);
}

void DataTrans::enterPage()
{
    retranslate();
    refreshFromMirror(true);
    // The type may be unchanged, yet the sub-group must match it.
    on_cBoxAnalogType_currentIndexChanged(m_analogTypeShown);
    qDebug() << "Into Data Tran-------------";
}

// Only the low 16 bits of a value reach the register, and they would read
// back as some other value: such an entry is turned back instead.
bool DataTrans::acceptsValue(const QLineEdit *edit, const QString &valueText) const
{
    int exponent = 0;
    const bool analog = scaledList().exponentOf(edit->objectName(), &exponent);
    qint32 value = 0;
    // A text that is no 32-bit integer at all is refused by the binding itself.
    if (!integerPartOf(valueText, &value))
        return true;
    if (analog)
        return value >= -32768 && value <= 32767;
    return value >= 0 && value <= 65535;
}

void DataTrans::on_cBoxAnalogType_currentIndexChanged(int index)
{
    m_analogTypeShown = index;
    QLabel *const units[4] = {ui->label_MinOutUnit, ui->label_ZeroOutUnit, ui->label_FSOutUnit,
                              ui->label_MaxOutUnit};
    if (index == TypeUserCurrent || index == TypeUserVoltage) {
        ui->widget_Analog_2->show();
        const QString unit = index == TypeUserCurrent ? QStringLiteral("mA") : QStringLiteral("V");
        for (QLabel *label : units)
            label->setText(unit);
    } else {
        ui->widget_Analog_2->hide();
    }
}

bool DataTrans::shownBlocksRead() const
{
    return blockWasRead(Block::SerialPorts) && blockWasRead(Block::Ethernet)
        && blockWasRead(Block::AnalogOutput);
}

void DataTrans::refreshFromMirror(bool force)
{
    refreshBanner(SwitchDataTrans, tr("Data-Trans remote editing switch off, on before modifying parameters!"),
                  force);
    if (!beginRefresh(&force))
        return;

    for (const RecordRun &run : SerialAndNetworkRuns) {
        const BindingTable part{DataTransNames + run.firstRow, DataTransSpans + run.firstRow, run.rows};
        showRows(part, &g_mirror.dataTrans[run.firstField], &s_shownDataTrans[run.firstField], force);
    }

    QLineEdit *const values[4] = {ui->EditMinOut, ui->EditZeroOut, ui->EditFSOut, ui->EditMaxOut};
    for (int i = 0; i < AnalogRows; ++i) {
        const quint16 value = g_mirror.analog[i];
        // A value the operator is typing stays until the edit ends.
        if (i != AnalogType && i != AnalogLinkData && values[i - 1]->isModified()) {
            s_shownAnalog[i] = quint16(~value);
            continue;
        }
        if (value == s_shownAnalog[i] && !force)
            continue;
        s_shownAnalog[i] = value;
        const qint16 signedValue = qint16(value);
        if (i == AnalogType) {
            if (signedValue == TypeUserCurrent || signedValue == TypeUserVoltage) {
                const QString range = signedValue == TypeUserCurrent ? QStringLiteral("0 - 24.000 mA")
                                                                     : QStringLiteral("0 - 10.000 V");
                for (QLineEdit *edit : values)
                    edit->setToolTip(range);
            }
            // Raises the type handling when the index changes.
            ui->cBoxAnalogType->setCurrentIndex(signedValue);
        } else if (i == AnalogLinkData) {
            ui->cBoxLinkData->setCurrentIndex(signedValue);
        } else {
            values[i - 1]->setText(formatScaled(signedValue, AnalogExponent));
        }
    }
}

void DataTrans::adjustLayout(int width)
{
    const QList<QWidget *> groups = {ui->widget_COM_0, ui->widget_COM_1, ui->widget_COM_2, ui->widget_NetCOM,
                                     ui->widget_Analog};
    const int bottom = placeGroups(PortGrid, groups, width);
    ui->scrollAreaWidgetContents->setMinimumWidth(width);
    ui->scrollAreaWidgetContents->setMaximumWidth(width);
    // Fewer rows on a wide page need less scrolling.
    ui->scrollAreaWidgetContents->setMinimumHeight(bottom + 11);
}
