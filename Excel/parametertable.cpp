#include "Excel/parametertable.h"

#include "Modbus/registermap.h"

namespace {

constexpr quint32 Any16 = 0xFFFFu;       // signed 16-bit values travel as their unsigned image
constexpr quint32 Any32 = 0xFFFFFFFFu;   // signed 32-bit values likewise

enum Page { BasicPage, CalPage, AppPage, TransPage };

QVector<TemplateRow> buildRows()
{
    QVector<TemplateRow> rows;
    auto add = [&rows](int address, int type, quint32 upper, quint32 lower, const QString &en, const QString &cn,
                       int page) { rows.append({address, type, upper, lower, en, cn, page}); };

    // Basic Config: fifteen 32-bit parameters.
    add(Reg::PowerOnZero, 2, 101, 0, QStringLiteral("PWR-On Zero (%)"), QStringLiteral("上电清零 (%)"), BasicPage);
    add(Reg::RemoteZero, 2, 1, 0, QStringLiteral("Remote Zero"), QStringLiteral("远程清零开关"), BasicPage);
    add(Reg::ZeroRange, 2, 99, 1, QStringLiteral("Zero Range (%)"), QStringLiteral("清零范围 (%)"), BasicPage);
    add(Reg::RemoteTare, 2, 1, 0, QStringLiteral("Remote Tare"), QStringLiteral("皮重操作"), BasicPage);
    add(Reg::TareRecord, 2, 1, 0, QStringLiteral("Tare Record"), QStringLiteral("皮重记忆"), BasicPage);
    add(Reg::NetSignCorrection, 2, 2, 0, QStringLiteral("NetSign COR"), QStringLiteral("负净重修正"), BasicPage);
    add(Reg::PresetTare, 2, 999999, 0, QStringLiteral("Preset Tare (x10^decimals)"), QStringLiteral("预置皮重 (x10^小数位)"),
        BasicPage);
    add(Reg::StableRange, 2, 99, 0, QStringLiteral("STAB Range (d)"), QStringLiteral("判稳范围 (d)"), BasicPage);
    add(Reg::StableTime, 2, 5000, 1, QStringLiteral("STAB Time (ms)"), QStringLiteral("判稳时间 (ms)"), BasicPage);
    add(Reg::TrackZeroRange, 2, 99, 0, QStringLiteral("TrZero Range (d)"), QStringLiteral("追零范围 (d)"), BasicPage);
    add(Reg::TrackZeroTime, 2, 5000, 1, QStringLiteral("TrZero Time (ms)"), QStringLiteral("追零时间 (ms)"), BasicPage);
    add(Reg::DigitFilter, 2, 9, 0, QStringLiteral("Digit-Filter"), QStringLiteral("数字滤波"), BasicPage);
    add(Reg::AdvancedFilter, 2, 99, 0, QStringLiteral("Adv. Filter (d)"), QStringLiteral("稳态滤波 (d)"), BasicPage);
    add(Reg::SampleRate, 2, 9, 0, QStringLiteral("Sample Rate"), QStringLiteral("AD采样速度"), BasicPage);
    add(Reg::InputRange, 2, 5, 0, QStringLiteral("Input Range"), QStringLiteral("传感器信号范围"), BasicPage);

    // Weight & CAL without zero capture and the calibration points: writing
    // those records the present load.
    add(Reg::Unit, 2, 5, 0, QStringLiteral("Unit"), QStringLiteral("重量单位"), CalPage);
    add(Reg::Decimals, 2, 4, 0, QStringLiteral("Decimal"), QStringLiteral("小数点"), CalPage);
    add(Reg::Division, 2, 500, 1, QStringLiteral("Division"), QStringLiteral("分度值"), CalPage);
    add(Reg::FullScale, 2, 999999, 1, QStringLiteral("Full Scale (x10^decimals)"), QStringLiteral("量程 (x10^小数位)"),
        CalPage);
    add(Reg::KeyInMv, 2, Any32, 0, QStringLiteral("key In mV (x10000, signed)"), QStringLiteral("手动零点 (x10000, 有符号)"),
        CalPage);
    add(Reg::LoadCellMvV, 2, 39999, 0, QStringLiteral("LC mV/V (x10000)"), QStringLiteral("传感器灵敏度 (x10000)"), CalPage);
    add(Reg::LoadCellCapacity, 2, 999999, 0, QStringLiteral("LC Capacity"), QStringLiteral("传感器总量程"), CalPage);
    add(Reg::UseTheoreticalCal, 2, 1, 0, QStringLiteral("Use T-CAL"), QStringLiteral("理论值生效"), CalPage);
    add(Reg::CorrectCoefficient, 2, 999999, 1, QStringLiteral("Correct Coef (x100000)"), QStringLiteral("重量修正系数 (x100000)"),
        CalPage);
    add(Reg::SampleWindow, 2, 60000, 1000, QStringLiteral("Sample Window (ms)"), QStringLiteral("采样窗口 (ms)"), CalPage);
    add(Reg::MaxFlowRate, 2, 999999, 0, QStringLiteral("Max Flowrate (x10^decimals)"), QStringLiteral("最大流量 (x10^小数位)"),
        CalPage);
    add(Reg::FlowRateUnit, 2, 1, 0, QStringLiteral("Flowrate Unit"), QStringLiteral("流量单位"), CalPage);

    // Application: five inputs, nine outputs, eight comparators.
    const char *const inputEn[5] = {"Input 1", "Input 2", "Input 3", "Ext.IN 1", "Ext.IN 2"};
    const char *const inputCn[5] = {"输入1", "输入2", "输入3", "扩展输入1", "扩展输入2"};
    for (int i = 0; i < 5; ++i) {
        const QString en = QString::fromUtf8(inputEn[i]), cn = QString::fromUtf8(inputCn[i]);
        add(Reg::input(i + 1, Reg::InputFunction), 2, 8, 0, en + QStringLiteral(" Function"), cn + QStringLiteral("功能"), AppPage);
        add(Reg::input(i + 1, Reg::InputMode), 2, 1, 0, en + QStringLiteral(" Mode"), cn + QStringLiteral("电平"), AppPage);
        add(Reg::input(i + 1, Reg::InputDelay), 2, 200, 0, en + QStringLiteral(" Delay Time (ms)"), cn + QStringLiteral("去抖时间 (ms)"),
            AppPage);
    }
    for (int i = 0; i < 9; ++i) {
        const QString en = i < 5 ? QStringLiteral("Output %1").arg(i + 1) : QStringLiteral("Ext.Out %1").arg(i - 4);
        const QString cn = i < 5 ? QStringLiteral("输出%1").arg(i + 1) : QStringLiteral("扩展输出%1").arg(i - 4);
        add(Reg::output(i + 1, Reg::OutputFunction), 2, 14, 0, en + QStringLiteral(" Function"),
            cn + QStringLiteral("功能"), AppPage);
        add(Reg::output(i + 1, Reg::OutputMode), 2, 1, 0, en + QStringLiteral(" Mode"), cn + QStringLiteral("电平"),
            AppPage);
    }
    for (int n = 1; n <= 8; ++n) {
        const auto item = [n](Reg::ComparatorItem i) { return Reg::comparator(n, i); };
        const QString en = QStringLiteral("COMP%1 ").arg(n), cn = QStringLiteral("比较器%1").arg(n);
        add(item(Reg::CompMode), 2, 12, 0, en + QStringLiteral("Mode"), cn + QStringLiteral("比较模式"), AppPage);
        add(item(Reg::CompValue1), 2, Any32, 0, en + QStringLiteral("Value-1 (x10^decimals, signed)"),
            cn + QStringLiteral("比较值1 (x10^小数位, 有符号)"), AppPage);
        add(item(Reg::CompValue2), 2, Any32, 0, en + QStringLiteral("Value-2 (x10^decimals, signed)"),
            cn + QStringLiteral("比较值2 (x10^小数位, 有符号)"), AppPage);
        add(item(Reg::CompOnCond), 2, 2, 0, en + QStringLiteral("ON COND"), cn + QStringLiteral("达成条件"), AppPage);
        add(item(Reg::CompJudgeTime), 2, 50000, 0, en + QStringLiteral("TRUE JudgeT (ms)"), cn + QStringLiteral("达成判定时间 (ms)"),
            AppPage);
        add(item(Reg::CompOffCond), 2, 2, 0, en + QStringLiteral("OFF COND"), cn + QStringLiteral("失效条件"), AppPage);
        add(item(Reg::CompHoldTime), 2, 50000, 0, en + QStringLiteral("FALSE HoldT (ms)"), cn + QStringLiteral("失效判定时间 (ms)"),
            AppPage);
    }

    // Data-Trans: one 16-bit register each.
    for (int port = 0; port < 3; ++port) {
        const auto item = [port](Reg::ComItem i) { return Reg::comPort(port, i); };
        const QString en = QStringLiteral("COM%1 ").arg(port), cn = QStringLiteral("串口%1").arg(port);
        add(item(Reg::ComId), 1, 99, 0, en + QStringLiteral("ID"), cn + QStringLiteral("从机号"), TransPage);
        add(item(Reg::ComBaudrate), 1, 7, 0, en + QStringLiteral("Baudrate"), cn + QStringLiteral("波特率"), TransPage);
        add(item(Reg::ComProtocol), 1, 7, 0, en + QStringLiteral("Protocol"), cn + QStringLiteral("通讯协议"), TransPage);
        add(item(Reg::ComDataFormat), 1, 4, 0, en + QStringLiteral("Data Format"), cn + QStringLiteral("数据格式"), TransPage);
        add(item(Reg::ComDwordFormat), 1, 1, 0, en + QStringLiteral("Dword Format"), cn + QStringLiteral("双字模式"), TransPage);
        add(item(Reg::ComSendGap), 1, 1000, 0, en + QStringLiteral("Send Gap (ms)"), cn + QStringLiteral("连续发送间隔 (ms)"),
            TransPage);
        if (port == 1)
            add(Reg::Com1Type, 1, 1, 0, QStringLiteral("COM1 RS485/RS232"), QStringLiteral("串口1串口模式"), TransPage);
    }
    add(Reg::NetProtocol, 1, 5, 0, QStringLiteral("NetCOM Protocol"), QStringLiteral("网口通讯协议"), TransPage);
    add(Reg::NetDwordFormat, 1, 1, 0, QStringLiteral("NetCOM DwordFormat"), QStringLiteral("网口双字模式"), TransPage);
    add(Reg::NetSendGap, 1, 1000, 0, QStringLiteral("NetCOM Send Gap (ms)"), QStringLiteral("网口连续发送间隔 (ms)"), TransPage);
    for (int i = 0; i < 4; ++i)
        add(Reg::LocalIp + i, 1, 255, 0, QStringLiteral("IP Config %1").arg(i + 1), QStringLiteral("本机IP %1").arg(i + 1),
            TransPage);
    for (int i = 0; i < 4; ++i)
        add(Reg::DestinationIp + i, 1, 255, 0, QStringLiteral("DEST. IP %1").arg(i + 1), QStringLiteral("目标IP %1").arg(i + 1),
            TransPage);
    add(Reg::NetSocket, 1, 65535, 0, QStringLiteral("Socket"), QStringLiteral("端口号"), TransPage);
    add(Reg::AnalogType, 1, 5, 0, QStringLiteral("Analog Type"), QStringLiteral("模拟量类型"), TransPage);
    add(Reg::AnalogMinOut, 1, Any16, 0, QStringLiteral("Min. Out (x1000, signed)"), QStringLiteral("最小输出 (x1000, 有符号)"),
        TransPage);
    add(Reg::AnalogZeroOut, 1, Any16, 0, QStringLiteral("Zero Out (x1000, signed)"), QStringLiteral("零点输出 (x1000, 有符号)"),
        TransPage);
    add(Reg::AnalogFullScaleOut, 1, Any16, 0, QStringLiteral("F.S. Out (x1000, signed)"), QStringLiteral("满量程输出 (x1000, 有符号)"),
        TransPage);
    add(Reg::AnalogMaxOut, 1, Any16, 0, QStringLiteral("Max. Out (x1000, signed)"), QStringLiteral("最大输出 (x1000, 有符号)"),
        TransPage);
    add(Reg::AnalogLinkData, 1, 3, 0, QStringLiteral("Link Data"), QStringLiteral("模拟量关联数据"), TransPage);
    return rows;
}

} // namespace

const QVector<TemplateRow> &templateRows()
{
    static const QVector<TemplateRow> rows = buildRows();
    return rows;
}

QString templatePageName(int page, int language)
{
    static const char *const en[] = {"Basic Config", "Weight & CAL", "Application", "Data-Trans"};
    static const char *const cn[] = {"基本参数", "重量标定", "应用参数", "通讯参数"};
    if (page < 0 || page > 3)
        return QString();
    return QString::fromUtf8(language == 1 ? cn[page] : en[page]);
}

QVector<QStringList> templateSheet(int language)
{
    const bool chinese = language == 1;
    QVector<QStringList> sheet;
    sheet << (chinese ? QStringList{QStringLiteral("地址"), QStringLiteral("参数名称"), QStringLiteral("类型"),
                                    QStringLiteral("最大值"), QStringLiteral("最小值"), QStringLiteral("页面"),
                                    QStringLiteral("数值")}
                      : QStringList{QStringLiteral("Address"), QStringLiteral("Name"), QStringLiteral("Type"),
                                    QStringLiteral("Max"), QStringLiteral("Min"), QStringLiteral("Page"),
                                    QStringLiteral("Value")});
    for (const TemplateRow &r : templateRows()) {
        sheet << QStringList{QString::number(r.address), chinese ? r.nameCn : r.nameEn, QString::number(r.type),
                             QString::number(r.upper), QString::number(r.lower),
                             templatePageName(r.page, language), QString()};
    }
    return sheet;
}

QString templateFileName(int language)
{
    return language == 1 ? QStringLiteral("KDT-R7_CN.xlsx") : QStringLiteral("KDT-R7_EN.xlsx");
}
