#include "App/application.h"
#include "App/groupgrid.h"
#include "ui_application.h"

#include "Modbus/devicemirror.h"
#include "Modbus/linkstate.h"
#include "Modbus/presentation.h"
#include "Modbus/registerblocks.h"

#include <QComboBox>
#include <QDebug>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>
#include <iterator>

namespace {

// Inputs tab, registers 302-331; row r is record field r + 1 (300/301 are
// read with the block but belong to no editor).
const QString InputNames[15] = {
    QStringLiteral("BoxInput1"), QStringLiteral("cBoxInputMode_1"), QStringLiteral("lineEditInput1"),
    QStringLiteral("BoxInput2"), QStringLiteral("cBoxInputMode_2"), QStringLiteral("lineEditInput2"),
    QStringLiteral("BoxInput3"), QStringLiteral("cBoxInputMode_3"), QStringLiteral("lineEditInput3"),
    QStringLiteral("BoxInput4"), QStringLiteral("cBoxInputMode_4"), QStringLiteral("lineEditInput4"),
    QStringLiteral("BoxInput5"), QStringLiteral("cBoxInputMode_5"), QStringLiteral("lineEditInput5"),
};
#define R7_INPUT_SPANS(n) \
    {Reg::input(n, Reg::InputFunction), 2}, {Reg::input(n, Reg::InputMode), 2}, {Reg::input(n, Reg::InputDelay), 2}
constexpr RegisterSpan InputSpans[15] = {
    R7_INPUT_SPANS(1), R7_INPUT_SPANS(2), R7_INPUT_SPANS(3), R7_INPUT_SPANS(4), R7_INPUT_SPANS(5),
};
#undef R7_INPUT_SPANS
const BindingTable InputTable = makeBindingTable(InputNames, InputSpans);
constexpr int InputFirstField = 1;

// Outputs tab, registers 332-367; row r is record field 16 + r.
const QString OutputNames[18] = {
    QStringLiteral("BoxOutput1"), QStringLiteral("BoxMode_1"), QStringLiteral("BoxOutput2"),
    QStringLiteral("BoxMode_2"),  QStringLiteral("BoxOutput3"), QStringLiteral("BoxMode_3"),
    QStringLiteral("BoxOutput4"), QStringLiteral("BoxMode_4"), QStringLiteral("BoxOutput5"),
    QStringLiteral("BoxMode_5"),  QStringLiteral("BoxOutput6"), QStringLiteral("BoxMode_6"),
    QStringLiteral("BoxOutput7"), QStringLiteral("BoxMode_7"), QStringLiteral("BoxOutput8"),
    QStringLiteral("BoxMode_8"),  QStringLiteral("BoxOutput9"), QStringLiteral("BoxMode_9"),
};
#define R7_OUTPUT_SPANS(n) {Reg::output(n, Reg::OutputFunction), 2}, {Reg::output(n, Reg::OutputMode), 2}
constexpr RegisterSpan OutputSpans[18] = {
    R7_OUTPUT_SPANS(1), R7_OUTPUT_SPANS(2), R7_OUTPUT_SPANS(3), R7_OUTPUT_SPANS(4), R7_OUTPUT_SPANS(5),
    R7_OUTPUT_SPANS(6), R7_OUTPUT_SPANS(7), R7_OUTPUT_SPANS(8), R7_OUTPUT_SPANS(9),
};
#undef R7_OUTPUT_SPANS
const BindingTable OutputTable = makeBindingTable(OutputNames, OutputSpans);
constexpr int OutputFirstField = 16;

// Comparators tab: comparator n owns the 20 registers from 500 + 20 (n - 1),
// of which the first 14 hold its seven items.
constexpr int CompItems = 7;
constexpr int CompCount = 8;
enum CompItem { CompMode, CompValue1, CompValue2, CompOnCond, CompJudgeTime, CompOffCond, CompHoldTime };

const QString CompNames[CompCount * CompItems] = {
    QStringLiteral("BoxCOMPMode1"), QStringLiteral("lineEditCOMP1Value1"), QStringLiteral("lineEditCOMP1Value2"),
    QStringLiteral("BoxONCOND1"), QStringLiteral("lineEditTRUEJudgeT1"), QStringLiteral("BoxOFFCOND1"),
    QStringLiteral("lineEditFALSEHoldT1"),
    QStringLiteral("BoxCOMPMode2"), QStringLiteral("lineEditCOMP2Value1"), QStringLiteral("lineEditCOMP2Value2"),
    QStringLiteral("BoxONCOND2"), QStringLiteral("lineEditTRUEJudgeT2"), QStringLiteral("BoxOFFCOND2"),
    QStringLiteral("lineEditFALSEHoldT2"),
    QStringLiteral("BoxCOMPMode3"), QStringLiteral("lineEditCOMP3Value1"), QStringLiteral("lineEditCOMP3Value2"),
    QStringLiteral("BoxONCOND3"), QStringLiteral("lineEditTRUEJudgeT3"), QStringLiteral("BoxOFFCOND3"),
    QStringLiteral("lineEditFALSEHoldT3"),
    QStringLiteral("BoxCOMPMode4"), QStringLiteral("lineEditCOMP4Value1"), QStringLiteral("lineEditCOMP4Value2"),
    QStringLiteral("BoxONCOND4"), QStringLiteral("lineEditTRUEJudgeT4"), QStringLiteral("BoxOFFCOND4"),
    QStringLiteral("lineEditFALSEHoldT4"),
    QStringLiteral("BoxCOMPMode5"), QStringLiteral("lineEditCOMP5Value1"), QStringLiteral("lineEditCOMP5Value2"),
    QStringLiteral("BoxONCOND5"), QStringLiteral("lineEditTRUEJudgeT5"), QStringLiteral("BoxOFFCOND5"),
    QStringLiteral("lineEditFALSEHoldT5"),
    QStringLiteral("BoxCOMPMode6"), QStringLiteral("lineEditCOMP6Value1"), QStringLiteral("lineEditCOMP6Value2"),
    QStringLiteral("BoxONCOND6"), QStringLiteral("lineEditTRUEJudgeT6"), QStringLiteral("BoxOFFCOND6"),
    QStringLiteral("lineEditFALSEHoldT6"),
    QStringLiteral("BoxCOMPMode7"), QStringLiteral("lineEditCOMP7Value1"), QStringLiteral("lineEditCOMP7Value2"),
    QStringLiteral("BoxONCOND7"), QStringLiteral("lineEditTRUEJudgeT7"), QStringLiteral("BoxOFFCOND7"),
    QStringLiteral("lineEditFALSEHoldT7"),
    QStringLiteral("BoxCOMPMode8"), QStringLiteral("lineEditCOMP8Value1"), QStringLiteral("lineEditCOMP8Value2"),
    QStringLiteral("BoxONCOND8"), QStringLiteral("lineEditTRUEJudgeT8"), QStringLiteral("BoxOFFCOND8"),
    QStringLiteral("lineEditFALSEHoldT8"),
};
#define R7_COMP_SPANS(n)                                                                               \
    {Reg::comparator(n, Reg::CompMode), 2}, {Reg::comparator(n, Reg::CompValue1), 2},                  \
        {Reg::comparator(n, Reg::CompValue2), 2}, {Reg::comparator(n, Reg::CompOnCond), 2},            \
        {Reg::comparator(n, Reg::CompJudgeTime), 2}, {Reg::comparator(n, Reg::CompOffCond), 2},        \
        {Reg::comparator(n, Reg::CompHoldTime), 2}
constexpr RegisterSpan CompSpans[CompCount * CompItems] = {
    R7_COMP_SPANS(1), R7_COMP_SPANS(2), R7_COMP_SPANS(3), R7_COMP_SPANS(4),
    R7_COMP_SPANS(5), R7_COMP_SPANS(6), R7_COMP_SPANS(7), R7_COMP_SPANS(8),
};
#undef R7_COMP_SPANS
const BindingTable CompTable = makeBindingTable(CompNames, CompSpans);

// Comparator n, item j is record field 1 + 8 (n - 1) + j.
constexpr int compField(int comparator, int item)
{
    return 1 + 8 * comparator + item;
}

// The sixteen comparator values carry the device's weight decimals.
constexpr ScaledEditor CompScaled[16] = {
    {"lineEditCOMP1Value1", ScaledEditor::ScaleByDecimals}, {"lineEditCOMP1Value2", ScaledEditor::ScaleByDecimals},
    {"lineEditCOMP2Value1", ScaledEditor::ScaleByDecimals}, {"lineEditCOMP2Value2", ScaledEditor::ScaleByDecimals},
    {"lineEditCOMP3Value1", ScaledEditor::ScaleByDecimals}, {"lineEditCOMP3Value2", ScaledEditor::ScaleByDecimals},
    {"lineEditCOMP4Value1", ScaledEditor::ScaleByDecimals}, {"lineEditCOMP4Value2", ScaledEditor::ScaleByDecimals},
    {"lineEditCOMP5Value1", ScaledEditor::ScaleByDecimals}, {"lineEditCOMP5Value2", ScaledEditor::ScaleByDecimals},
    {"lineEditCOMP6Value1", ScaledEditor::ScaleByDecimals}, {"lineEditCOMP6Value2", ScaledEditor::ScaleByDecimals},
    {"lineEditCOMP7Value1", ScaledEditor::ScaleByDecimals}, {"lineEditCOMP7Value2", ScaledEditor::ScaleByDecimals},
    {"lineEditCOMP8Value1", ScaledEditor::ScaleByDecimals}, {"lineEditCOMP8Value2", ScaledEditor::ScaleByDecimals},
};

// Range of a comparator value by the weight decimals 0..4 (numbers: the same
// in every language).
const char *const CompValueRanges[5] = {
    "-999999 - 999999", "-99999.9 - 99999.9", "-9999.99 - 9999.99", "-999.999 - 999.999", "-99.9999 - 99.9999",
};

// Last-shown copies of the inputs/outputs record and of the comparator record,
// and the tab shown at the last refresh; they outlive the page like the mirror.
quint32 s_shownApplication[34] = {};
quint32 s_shownComparator[64] = {};
int s_previousTab = 0;

enum Tab { TabInput = 0, TabOutput = 1, TabComp = 2 };

// Tab code polled by the refresh cycle for each tab, in tab order.
constexpr AppTab TabCodes[3] = {AppTab::Inputs, AppTab::Outputs, AppTab::Comparators};

// Group geometry of each tab.
constexpr GroupGrid InputGrid = {480, {15, 310, 610}, 2, 1540, 480};
constexpr GroupGrid OutputGrid = {350, {15, 245, 475}, 3, 1501, 350};
constexpr GroupGrid CompGrid = {370, {15, 365, 715}, 3, 1501, 370};
// What the frame of the tab pane takes from the page width.
constexpr int TabPaneFrame = 10;

} // namespace

Application::Application(QWidget *parent)
    : ParameterPage(parent)
    , ui(new Ui::Application)
{
    // setupUi shows the comparators tab while it builds the form and connects
    // the on_ slots first, so the linked levels run before the write.
    ui->setupUi(this);
    setupBinding(ui->widget_top, ui->label_RemoteTip);
    ui->tabWidget->setCurrentIndex(TabInput);
    // The banner is only for a device that refuses remote edits.
    ui->widget_top->hide();
}

Application::~Application()
{
    delete ui;
}

const BindingTable *Application::bindingTable() const
{
    switch (g_appTabCode) {
    case AppTab::Inputs:
        return &InputTable;
    case AppTab::Outputs:
        return &OutputTable;
    case AppTab::Comparators:
        return &CompTable;
    }
    return nullptr;
}

QVector<const BindingTable *> Application::bindingTables() const
{
    return {&InputTable, &OutputTable, &CompTable};
}

ScaledList Application::scaledList() const
{
    return makeScaledList(CompScaled);
}

void Application::retranslate()
{
    ui->retranslateUi(this);
}

void Application::enterPage()
{
    retranslate();
    refreshFromMirror(true);
    qDebug() << "Into Application-------------";
}

void Application::lineEditFinished(QLineEdit *edit, const QString &typed, const QString &valueText)
{
    Q_UNUSED(typed);
    int exponent = 0;
    if (scaledList().exponentOf(edit->objectName(), &exponent))
        qDebug() << "tempStr" << valueText;
}

void Application::on_tabWidget_tabBarClicked(int index)
{
    // A click beside the tabs reports -1 and selects nothing.
    if (index >= 0 && index < 3)
        g_appTabCode = TabCodes[index];
}

void Application::on_tabWidget_currentChanged(int index)
{
    // The keyboard (Ctrl+Tab) changes tabs without a click; the polled blocks
    // and the table that takes commits must still follow the tab shown.
    if (index >= 0 && index < 3)
        g_appTabCode = TabCodes[index];
}

void Application::on_cBoxInputMode_1_activated(int index)
{
    showLinkedLevel(ui->cBoxInputMode_1, index);
}

void Application::on_cBoxInputMode_2_activated(int index)
{
    showLinkedLevel(ui->cBoxInputMode_2, index);
}

void Application::on_cBoxInputMode_3_activated(int index)
{
    showLinkedLevel(ui->cBoxInputMode_3, index);
}

// The three on-board inputs share one level: the choice shows in all three at
// once, and only the chosen combo's register is written.
void Application::showLinkedLevel(QComboBox *chosen, int index)
{
    QComboBox *const levels[3] = {ui->cBoxInputMode_1, ui->cBoxInputMode_2, ui->cBoxInputMode_3};
    for (int i = 0; i < 3; ++i) {
        m_levelsBefore[i] = levels[i]->currentIndex();
        if (levels[i] != chosen)
            levels[i]->setCurrentIndex(index);
    }
}

void Application::comboCommitted(QComboBox *box, CommitResult result)
{
    const bool refused = result != CommitResult::Written;
    QComboBox *const levels[3] = {ui->cBoxInputMode_1, ui->cBoxInputMode_2, ui->cBoxInputMode_3};
    // A refused level was put back; the other two must not keep showing a
    // level the device does not hold, even when the chosen one looks the same.
    if (refused && std::find(std::begin(levels), std::end(levels), box) != std::end(levels)) {
        for (int i = 0; i < 3; ++i) {
            if (levels[i] != box)
                levels[i]->setCurrentIndex(m_levelsBefore[i]);
        }
    }
}

bool Application::shownBlocksRead() const
{
    switch (ui->tabWidget->currentIndex()) {
    case TabInput:
        return blockWasRead(Block::Inputs);
    case TabOutput:
        return blockWasRead(Block::Outputs);
    case TabComp:
        return blockWasRead(Block::Comparators1To6) && blockWasRead(Block::Comparators7To8);
    default:
        return true;
    }
}

void Application::refreshFromMirror(bool force)
{
    refreshBanner(SwitchApplication,
                  tr("Application remote editing switch off, on before modifying parameters!"), force);
    if (!beginRefresh(&force))
        return;

    const int tab = ui->tabWidget->currentIndex();
    const bool changed = tab != s_previousTab || force;
    if (changed)
        s_previousTab = tab;
    qDebug() << "CurrentSelectFuncIndex" << tab;

    switch (tab) {
    case TabInput:
        showRows(InputTable, &g_mirror.application[InputFirstField], &s_shownApplication[InputFirstField], changed);
        break;
    case TabOutput:
        showRows(OutputTable, &g_mirror.application[OutputFirstField], &s_shownApplication[OutputFirstField],
                 changed);
        break;
    case TabComp:
        showComparators(changed);
        break;
    default:
        break;
    }
}

void Application::showComparators(bool changed)
{
    const bool rescale = decimalsChanged(changed);
    const int decimals = mirrorDecimals();
    const QString range = QString::fromLatin1(CompValueRanges[decimals]);

    for (int c = 0; c < CompCount; ++c) {
        for (int item = 0; item < CompItems; ++item) {
            const int field = compField(c, item);
            const quint32 value = g_mirror.comparator[field];
            QWidget *target = editor(CompNames[c * CompItems + item]);
            if (!takeChangedFor(qobject_cast<QLineEdit *>(target), value, s_shownComparator[field],
                                changed || rescale))
                continue;
            switch (item) {
            case CompMode:
            case CompOnCond:
            case CompOffCond:
                if (auto *box = qobject_cast<QComboBox *>(target))
                    box->setCurrentIndex(int(value));
                break;
            case CompValue1:
            case CompValue2:
                if (auto *edit = qobject_cast<QLineEdit *>(target)) {
                    edit->setText(formatScaled(qint32(value), decimals));
                    edit->setToolTip(range);
                }
                break;
            case CompJudgeTime:
            case CompHoldTime:
                if (auto *edit = qobject_cast<QLineEdit *>(target))
                    edit->setText(QString::number(qint32(value)));
                break;
            default:
                break;
            }
        }
    }

    QLabel *const units[16] = {
        ui->label_CompVal1Unit_1, ui->label_CompVal2Unit_1, ui->label_CompVal1Unit_2, ui->label_CompVal2Unit_2,
        ui->label_CompVal1Unit_3, ui->label_CompVal2Unit_3, ui->label_CompVal1Unit_4, ui->label_CompVal2Unit_4,
        ui->label_CompVal1Unit_5, ui->label_CompVal2Unit_5, ui->label_CompVal1Unit_6, ui->label_CompVal2Unit_6,
        ui->label_CompVal1Unit_7, ui->label_CompVal2Unit_7, ui->label_CompVal1Unit_8, ui->label_CompVal2Unit_8,
    };
    showUnitLabels(units, 16, changed);
}

void Application::adjustLayout(int width)
{
    // Each tab scrolls on its own below the tab bar, inside the tab pane's
    // frame.
    width -= TabPaneFrame;
    const int inputBottom = placeGroups(InputGrid,
                                        {ui->widget_Input_1, ui->widget_Input_2, ui->widget_Input_3,
                                         ui->widget_Input_4, ui->widget_Input_5},
                                        width);
    const int outputBottom = placeGroups(OutputGrid,
                                         {ui->widget_Output1, ui->widget_Output2, ui->widget_Output3,
                                          ui->widget_Output4, ui->widget_Output5, ui->widget_Output6,
                                          ui->widget_Output7, ui->widget_Output8, ui->widget_Output9},
                                         width);
    const int compBottom = placeGroups(CompGrid,
                                       {ui->widget_COMP1, ui->widget_COMP2, ui->widget_COMP3, ui->widget_COMP4,
                                        ui->widget_COMP5, ui->widget_COMP6, ui->widget_COMP7,
                                        ui->widget_COMP8},
                                       width);
    ui->scrollAreaWidgetContents_Input->setMinimumHeight(inputBottom + 11);
    ui->scrollAreaWidgetContents_Output->setMinimumHeight(outputBottom + 11);
    ui->scrollAreaWidgetContents_COMP->setMinimumHeight(compBottom + 11);
}
