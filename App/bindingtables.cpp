#include "App/bindingtables.h"

// Basic Config ---------------------------------------------------------------

namespace {

const QString BasicConfigNames[] = {
    QStringLiteral("EditPWROnzero"),   QStringLiteral("RemotoZeroBox"),    QStringLiteral("EditZeroRange"),
    QStringLiteral("RemoteTareBox"),   QStringLiteral("TareRecordBox"),    QStringLiteral("NetSignCorBox"),
    QStringLiteral("EditPresetTare"),  QStringLiteral("EditSTABRange"),    QStringLiteral("EditSTABTimer"),
    QStringLiteral("EditTrZeroRange"), QStringLiteral("EditTrZeroTimer"),  QStringLiteral("EditDigit_Filter"),
    QStringLiteral("EditAdv_Filter"),  QStringLiteral("SampleRateBox"),    QStringLiteral("cBoxInputRange"),
};

const RegisterSpan BasicConfigSpans[] = {
    {100, 2}, {102, 2}, {104, 2}, {106, 2}, {108, 2}, {110, 2}, {112, 2}, {114, 2},
    {116, 2}, {118, 2}, {120, 2}, {122, 2}, {124, 2}, {126, 2}, {128, 2},
};

const ScaledEditor BasicConfigScaled[] = {
    {"EditPresetTare", ScaledEditor::ScaleByDecimals},
};

// Weight & CAL ---------------------------------------------------------------

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
    {200, 2}, {202, 2}, {204, 2}, {206, 2}, {210, 2}, {212, 2}, {214, 2}, {216, 2}, {218, 2},
    {220, 2}, {222, 2}, {224, 2}, {226, 2}, {228, 2}, {230, 2}, {232, 2}, {234, 2}, {236, 2},
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

} // namespace

const BindingTable BasicConfigTable = makeBindingTable(BasicConfigNames, BasicConfigSpans);
const ScaledList BasicConfigScaledList = makeScaledList(BasicConfigScaled);

const BindingTable WeightCalTable = makeBindingTable(WeightCalNames, WeightCalSpans);
const ScaledList WeightCalScaledList = makeScaledList(WeightCalScaled);
