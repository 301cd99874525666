#include "App/basicconfig.h"
#include "ui_basicconfig.h"

#include "App/groupgrid.h"

#include "Modbus/devicemirror.h"
#include "Modbus/linkstate.h"
#include "Modbus/presentation.h"
#include "Modbus/registerblocks.h"

#include <QDebug>

namespace {

// Registers 100-129: row k is field k + 1 of srtBasicCfgTemp.
const QString BasicConfigNames[] = {
    QStringLiteral("EditPWROnzero"),   QStringLiteral("RemotoZeroBox"),    QStringLiteral("EditZeroRange"),
    QStringLiteral("RemoteTareBox"),   QStringLiteral("TareRecordBox"),    QStringLiteral("NetSignCorBox"),
    QStringLiteral("EditPresetTare"),  QStringLiteral("EditSTABRange"),    QStringLiteral("EditSTABTimer"),
    QStringLiteral("EditTrZeroRange"), QStringLiteral("EditTrZeroTimer"),  QStringLiteral("EditDigit_Filter"),
    QStringLiteral("EditAdv_Filter"),  QStringLiteral("SampleRateBox"),    QStringLiteral("cBoxInputRange"),
};

const RegisterSpan BasicConfigSpans[] = {
    {Reg::PowerOnZero, 2},    {Reg::RemoteZero, 2},     {Reg::ZeroRange, 2},   {Reg::RemoteTare, 2},
    {Reg::TareRecord, 2},     {Reg::NetSignCorrection, 2}, {Reg::PresetTare, 2}, {Reg::StableRange, 2},
    {Reg::StableTime, 2},     {Reg::TrackZeroRange, 2}, {Reg::TrackZeroTime, 2}, {Reg::DigitFilter, 2},
    {Reg::AdvancedFilter, 2}, {Reg::SampleRate, 2},     {Reg::InputRange, 2},
};

const ScaledEditor BasicConfigScaled[] = {
    {"EditPresetTare", ScaledEditor::ScaleByDecimals},
};

const BindingTable BasicConfigTable = makeBindingTable(BasicConfigNames, BasicConfigSpans);

// The preset tare is the one field scaled by the weight decimals.
constexpr int PresetTareField = 7;

// Last-shown copies of the record, and the full scale behind the preset-tare
// range tip; they outlive the page like the mirror.
quint32 s_shownBasicCfg[16] = {};
quint32 s_shownFullScale = 0;

} // namespace

BasicConfig::BasicConfig(QWidget *parent)
    : ParameterPage(parent)
    , ui(new Ui::BasicConfig)
{
    ui->setupUi(this);
    // Shown only while the device refuses remote edits.
    ui->widget_top->hide();
    setupBinding(ui->widget_top, ui->label_RemoteTip);
}

BasicConfig::~BasicConfig()
{
    delete ui;
}

const BindingTable *BasicConfig::bindingTable() const
{
    return &BasicConfigTable;
}

ScaledList BasicConfig::scaledList() const
{
    return makeScaledList(BasicConfigScaled);
}

void BasicConfig::retranslate()
{
    ui->retranslateUi(this);
}

void BasicConfig::enterPage()
{
    // A page that was hidden during a language change still shows the old texts.
    retranslate();
    refreshFromMirror(true);
    qDebug() << "IN BasicParam---------";
}

bool BasicConfig::shownBlocksRead() const
{
    return blockWasRead(Block::BasicConfig);
}

void BasicConfig::refreshFromMirror(bool force)
{
    refreshBanner(SwitchBasic, tr("Basic remote editing switch off, on before modifying parameters!"), force);
    if (!beginRefresh(&force))
        return;

    const quint32 remoteTare = g_mirror.srtBasicCfgTemp[4];
    const bool remoteTareChanged = remoteTare != s_shownBasicCfg[4] || force;
    // Row k of the table is field k + 1 of the record.
    showRows(BasicConfigTable, &g_mirror.srtBasicCfgTemp[1], &s_shownBasicCfg[1], force);
    if (remoteTareChanged)
        qDebug() << "srtBasicCfgTemp.u32_RemoteTare" << remoteTare;

    QLineEdit *const presetTare[] = {ui->EditPresetTare};
    const bool decimalsNew = showScaledValues(presetTare, 1, &s_shownBasicCfg[PresetTareField],
                                              &g_mirror.srtBasicCfgTemp[PresetTareField], force);

    const quint32 fullScale = g_mirror.weightCal[3];
    if (takeChanged(fullScale, s_shownFullScale, force || decimalsNew)) {
        ui->EditPresetTare->setToolTip(
            QStringLiteral("0 - %1").arg(formatScaled(qint64(fullScale), g_shownDecimalPoint)));
    }

    QLabel *const unitLabels[] = {ui->label_preTareUnit};
    showUnitLabels(unitLabels, 1, force);
}

void BasicConfig::adjustLayout(int width)
{
    // Three columns, four from 1511 px, all five in the top row from 1871 px;
    // a narrow page gets two columns.
    constexpr GroupGrid Grid = {360, {10, 365, 720}, 3, 1511, 360};
    const int bottom = placeGroups(Grid,
                                   {ui->widget_Zero, ui->widget_Tare, ui->widget_Stab_TrZero,
                                    ui->widget_Sample_Filter, ui->widget_InputRange},
                                   width);
    ui->scrollAreaWidgetContents->setMinimumWidth(width);
    ui->scrollAreaWidgetContents->setMaximumWidth(width);
    ui->scrollAreaWidgetContents->setMinimumHeight(bottom + 11);
}
