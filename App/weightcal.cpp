#include "App/weightcal.h"
#include "ui_weightcal.h"

#include "App/groupgrid.h"

#include "Modbus/devicemirror.h"
#include "Modbus/linkstate.h"
#include "Modbus/presentation.h"
#include "Modbus/registerblocks.h"

#include <QDebug>

#include <iterator>

namespace {

// Registers 200-237 without 208.
const QString WeightCalNames[] = {
    QStringLiteral("BoxUnitSelect"),    QStringLiteral("BoxDecimalSelect"), QStringLiteral("BoxDivisionSelect"),
    QStringLiteral("EditFullScale"),    QStringLiteral("SetKeyInmv"),       QStringLiteral("EditkeyInmv"),
    QStringLiteral("EditWeightCp1"),    QStringLiteral("EditWeightCp2"),    QStringLiteral("EditWeightCp3"),
    QStringLiteral("EditWeightCp4"),    QStringLiteral("EditWeightCp5"),    QStringLiteral("EditLcMv"),
    QStringLiteral("EditLcCapacity"),   QStringLiteral("BoxTCal"),          QStringLiteral("EditCorrectCoef"),
    QStringLiteral("EditSampleWindow"), QStringLiteral("EditMaxFlowrate"),  QStringLiteral("cBoxFlowrateUnit"),
};

// 208-209 hold nothing the operator edits.
const RegisterSpan WeightCalSpans[] = {
    {Reg::Unit, 2},           {Reg::Decimals, 2},          {Reg::Division, 2},       {Reg::FullScale, 2},
    {Reg::ZeroCapture, 2},    {Reg::KeyInMv, 2},           {Reg::calPoint(1), 2},    {Reg::calPoint(2), 2},
    {Reg::calPoint(3), 2},    {Reg::calPoint(4), 2},       {Reg::calPoint(5), 2},    {Reg::LoadCellMvV, 2},
    {Reg::LoadCellCapacity, 2}, {Reg::UseTheoreticalCal, 2}, {Reg::CorrectCoefficient, 2}, {Reg::SampleWindow, 2},
    {Reg::MaxFlowRate, 2},    {Reg::FlowRateUnit, 2},
};

const ScaledEditor WeightCalScaled[] = {
    {"EditWeightCp1", ScaledEditor::ScaleByDecimals},
    {"EditWeightCp2", ScaledEditor::ScaleByDecimals},
    {"EditWeightCp3", ScaledEditor::ScaleByDecimals},
    {"EditWeightCp4", ScaledEditor::ScaleByDecimals},
    {"EditWeightCp5", ScaledEditor::ScaleByDecimals},
    {"EditFullScale", ScaledEditor::ScaleByDecimals},
    {"EditMaxFlowrate", ScaledEditor::ScaleByDecimals},
    {"EditkeyInmv", 4},      // mV x 10000
    {"EditLcMv", 4},         // mV/V x 10000
    {"EditCorrectCoef", 5},  // x 100000
    {"EditSampleWindow", 3}, // s x 1000
};

const BindingTable WeightCalTable = makeBindingTable(WeightCalNames, WeightCalSpans);

// Last-shown copies of the record; they outlive the page like the mirror.
quint32 s_shownWeightCal[17] = {};

enum WeightCalField {
    FieldUnit = 0,
    FieldDecimals = 1,
    FieldDivision = 2,
    FieldFullScale = 3,
    FieldZeroSignal = 4,
    FieldFirstPointSignal = 5,
    FieldLcMv = 10,
    FieldLcCapacity = 11,
    FieldTCal = 12,
    FieldCorrectCoef = 13,
    FieldSampleWindow = 14,
    FieldMaxFlowrate = 15,
    FieldFlowrateUnit = 16
};

const quint32 Divisions[] = {1, 2, 5, 10, 20, 50, 100, 200, 500};

const char *const RangeByDecimals[] = {"0 - 999999", "0 - 99999.9", "0 - 9999.99", "0 - 999.999", "0 - 99.9999"};

// A point weight as the device takes it: cut to the scale's decimals the way
// the commit cuts it, so the field never shows a digit that was not written.
QString weightText(const QString &number, int decimals)
{
    qint32 raw = 0;
    if (integerPartOf(scaledValueText(number, decimals), &raw))
        return formatScaled(raw, decimals);
    return QString::number(number.toDouble(), 'f', decimals);
}

} // namespace

WeightCal::WeightCal(QWidget *parent)
    : ParameterPage(parent)
    , ui(new Ui::WeightCal)
{
    ui->setupUi(this);
    for (QString &text : m_cpText)
        text = QStringLiteral("0");
    // Shown only while the device refuses remote edits.
    ui->widget_top->hide();
    setupBinding(ui->widget_top, ui->label_RemoteTip, {ui->SetKeyInmv});
}

WeightCal::~WeightCal()
{
    delete ui;
}

const BindingTable *WeightCal::bindingTable() const
{
    return &WeightCalTable;
}

ScaledList WeightCal::scaledList() const
{
    return makeScaledList(WeightCalScaled);
}

void WeightCal::retranslate()
{
    ui->retranslateUi(this);
}

void WeightCal::enterPage()
{
    // A page that was hidden during a language change still shows the old texts.
    retranslate();
    refreshFromMirror(true);
    qDebug() << "Into cal translate";
}

QString WeightCal::comboValueText(QComboBox *box, int index) const
{
    // The device stores the division itself, not the item's position.
    if (box == ui->BoxDivisionSelect) {
        const QString item = box->itemText(index);
        const int at = item.indexOf(QLatin1String("= "));
        if (at >= 0)
            return item.mid(at + 2);
    }
    return ParameterPage::comboValueText(box, index);
}

int WeightCal::pointOf(const QLineEdit *edit) const
{
    for (int point = 1; point <= PointCount; ++point) {
        if (pointEdit(point) == edit)
            return point;
    }
    return 0;
}

QLineEdit *WeightCal::pointEdit(int point) const
{
    QLineEdit *const edits[PointCount] = {ui->EditWeightCp1, ui->EditWeightCp2, ui->EditWeightCp3,
                                          ui->EditWeightCp4, ui->EditWeightCp5};
    return edits[point - 1];
}

void WeightCal::lineEditFinished(QLineEdit *edit, const QString &typed, const QString &valueText)
{
    Q_UNUSED(valueText);
    const int point = pointOf(edit);
    if (point == 0)
        return;
    const int decimals = mirrorDecimals();
    m_cpText[point - 1] = typed;
    edit->setText(weightText(typed, decimals));
}

bool WeightCal::writesUnchanged(const QLineEdit *edit) const
{
    // Writing a point records it at the load now on the platform.
    return pointOf(edit) == 0;
}

void WeightCal::lineEditCommitted(QLineEdit *edit, const QString &typed, CommitResult result)
{
    Q_UNUSED(typed);
    const int point = pointOf(edit);
    if (point == 0)
        return;
    // A weight the device refused must not come back at the next re-show.
    if (result == CommitResult::Failed || result == CommitResult::Refused || result == CommitResult::Unsent)
        m_cpText[point - 1] = edit->text();
    // Point 1 sent to the device starts a new series: the device drops the
    // later points too.
    if (point == 1 && (result == CommitResult::Written || result == CommitResult::Failed)) {
        const int decimals = mirrorDecimals();
        for (int later = 2; later <= PointCount; ++later) {
            m_cpText[later - 1] = QStringLiteral("0");
            pointEdit(later)->setText(weightText(m_cpText[later - 1], decimals));
        }
    }
}

void WeightCal::showPointTexts()
{
    for (int point = 1; point <= PointCount; ++point) {
        if (!pointEdit(point)->isModified())
            pointEdit(point)->setText(weightText(m_cpText[point - 1], g_shownDecimalPoint));
    }
}

bool WeightCal::shownBlocksRead() const
{
    return blockWasRead(Block::WeightCal);
}

void WeightCal::forgetDeviceTexts()
{
    // The weights typed for the previous device's calibration.
    for (QString &text : m_cpText)
        text = QStringLiteral("0");
}

bool WeightCal::acceptsValue(const QLineEdit *edit, const QString &valueText) const
{
    // The device takes no calibration point at weight 0 (or below); it would
    // answer with its "Input Wt Zero" error.
    qint32 raw = 0;
    if (pointOf(edit) != 0)
        return integerPartOf(valueText, &raw) && raw > 0;
    return ParameterPage::acceptsValue(edit, valueText);
}

QString WeightCal::refusalNote(const QLineEdit *edit, const QString &typed) const
{
    const int point = pointOf(edit);
    if (point == 0)
        return ParameterPage::refusalNote(edit, typed);
    return tr("Calibration point %1 needs a weight above 0; nothing was sent.").arg(point);
}

void WeightCal::refreshFromMirror(bool force)
{
    refreshBanner(SwitchCal, tr("CAL remote editing switch off, on before modifying parameters!"), force);
    if (!beginRefresh(&force))
        return;

    const quint32 *field = g_mirror.weightCal;
    quint32 *shown = s_shownWeightCal;

    if (takeChanged(field[FieldUnit], shown[FieldUnit], force))
        ui->BoxUnitSelect->setCurrentIndex(int(field[FieldUnit]));
    if (takeChanged(field[FieldDecimals], shown[FieldDecimals], force))
        ui->BoxDecimalSelect->setCurrentIndex(int(field[FieldDecimals]));
    if (takeChanged(field[FieldDivision], shown[FieldDivision], force)) {
        for (int i = 0; i < int(std::size(Divisions)); ++i) {
            if (Divisions[i] == field[FieldDivision])
                ui->BoxDivisionSelect->setCurrentIndex(i);
        }
    }
    if (takeChangedFor(ui->EditkeyInmv, field[FieldZeroSignal], shown[FieldZeroSignal], force))
        ui->EditkeyInmv->setText(formatScaled(qint32(field[FieldZeroSignal]), 4));
    QLabel *const signalLabels[PointCount] = {ui->label_WeightCP_1, ui->label_WeightCP_2, ui->label_WeightCP_3,
                                              ui->label_WeightCP_4, ui->label_WeightCP_5};
    for (int point = 0; point < PointCount; ++point) {
        const int f = FieldFirstPointSignal + point;
        if (takeChanged(field[f], shown[f], force))
            signalLabels[point]->setText(formatScaled(qint32(field[f]), 4));
    }
    if (takeChangedFor(ui->EditLcMv, field[FieldLcMv], shown[FieldLcMv], force))
        ui->EditLcMv->setText(formatScaled(qint64(field[FieldLcMv]), 4));
    if (takeChangedFor(ui->EditLcCapacity, field[FieldLcCapacity], shown[FieldLcCapacity], force))
        ui->EditLcCapacity->setText(QString::number(field[FieldLcCapacity]));
    if (takeChanged(field[FieldTCal], shown[FieldTCal], force))
        ui->BoxTCal->setCurrentIndex(int(field[FieldTCal]));
    if (takeChangedFor(ui->EditCorrectCoef, field[FieldCorrectCoef], shown[FieldCorrectCoef], force))
        ui->EditCorrectCoef->setText(formatScaled(qint64(field[FieldCorrectCoef]), 5));
    if (takeChangedFor(ui->EditSampleWindow, field[FieldSampleWindow], shown[FieldSampleWindow], force))
        ui->EditSampleWindow->setText(formatScaled(qint64(field[FieldSampleWindow]), 3));
    if (takeChanged(field[FieldFlowrateUnit], shown[FieldFlowrateUnit], force))
        ui->cBoxFlowrateUnit->setCurrentIndex(int(field[FieldFlowrateUnit]));

    QLineEdit *const scaled[] = {ui->EditFullScale, ui->EditMaxFlowrate};
    quint32 scaledShown[] = {shown[FieldFullScale], shown[FieldMaxFlowrate]};
    const quint32 scaledNow[] = {field[FieldFullScale], field[FieldMaxFlowrate]};
    const bool decimalsNew = showScaledValues(scaled, 2, scaledShown, scaledNow, force);
    shown[FieldFullScale] = scaledShown[0];
    shown[FieldMaxFlowrate] = scaledShown[1];

    if (decimalsNew) {
        showPointTexts();
        const QString range = QLatin1String(RangeByDecimals[g_shownDecimalPoint]);
        ui->EditFullScale->setToolTip(range);
        ui->EditMaxFlowrate->setToolTip(range);
    }

    QLabel *const unitLabels[] = {ui->label_FullScaleUnit, ui->label_WCPUnit_1, ui->label_WCPUnit_2,
                                  ui->label_WCPUnit_3,     ui->label_WCPUnit_4, ui->label_WCPUnit_5};
    showUnitLabels(unitLabels, int(std::size(unitLabels)), force);

    if (g_cpTextReset) {
        for (int point = 1; point <= PointCount; ++point) {
            m_cpText[point - 1] = QStringLiteral("0");
            pointEdit(point)->setText(m_cpText[point - 1]);
        }
        g_cpTextReset = false;
    }
}

void WeightCal::adjustLayout(int width)
{
    // Three columns, one more from 1511 px and every further 360 px; a narrow
    // page gets two columns.
    constexpr GroupGrid Grid = {360, {10, 365, 720}, 3, 1511, 360};
    const int bottom = placeGroups(Grid,
                                   {ui->widget_Format, ui->widget_CalZero, ui->widget_VALWeight,
                                    ui->widget_TheoryCal, ui->widget_CalCorrect, ui->widget_FlowRate},
                                   width);
    ui->scrollAreaWidgetContents->setMinimumWidth(width);
    ui->scrollAreaWidgetContents->setMaximumWidth(width);
    ui->scrollAreaWidgetContents->setMinimumHeight(bottom + 11);
}
