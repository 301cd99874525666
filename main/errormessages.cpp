#include "main/errormessages.h"

// The device's own wording, including its spellings.
const ErrorMessage ErrorMessages[32] = {
    {"Non Stable", "零点标定不稳定"},
    {"Zero Cal OFL", "零点标定时传感器负溢出"},
    {"Zero Cal -OFL", "零点标定时传感器正溢出"},
    {"mV UnSTAB", "重量标定不稳定"},
    {"Loadcell Over", "重量标定时传感器负溢出"},
    {"Loadcell Under", "重量标定时传感器正溢出"},
    {"Weight Error", "重量输入错误"},
    {"Input Wt Zero", "重量输入不能为零"},
    {"Over Full Scale", "重量输入超过最大量程"},
    {"Over Resolution", "超出最小分辨率"},
    {"No Before Gain", "前一个重量点未标定"},
    {"Hardware Protect", "标定时处于硬件保护中"},
    {"Remote OPS Ban", "远程标定禁止时进行远程标定"},
    {"", ""},
    {"", ""},
    {"", ""},
    {"Over Zero Range", "上电清零超范围"},
    {"Non Stable", "上电清零时不稳定"},
    {"Over Zero Range", "清零超范围"},
    {"Non Stable", "清零时不稳定"},
    {"Loadcell Under", "清零时传感器负溢出"},
    {"Loadcell Over", "清零时传感器正溢出"},
    {"Remot Zero Ban", "远程清零时未开启远程清零开关"},
    {"Forbid Zero", "净重状态不允许清零"},
    {"Non Stable ", "去皮时不稳定"},
    {"-OFL When Tare", "去皮时传感器负溢出"},
    {"OFL When Tare", "去皮时传感器正溢出"},
    {"Tare Err", "去皮时重量为负"},
    {"Forbid Tare", "净重状态不允许去皮"},
    {"Remote Tare Ban", "远程操作皮重时未开启远程皮重操作允许开关"},
    {"", ""},
    {"", ""},
};

namespace {
constexpr int LargeFontPx = 25;
constexpr int SmallFontPx = 20;
// Longer Chinese texts do not fit the header at the large size.
constexpr int LargeFontMaxChars = 14;
} // namespace

ErrorLine errorLine(quint32 errorBits, bool chinese)
{
    ErrorLine line;
    if (errorBits == 0) {
        line.text = chinese ? QStringLiteral("无") : QStringLiteral("None");
        line.fontSizePx = LargeFontPx;
        return line;
    }
    int bit = 0;
    while (!(errorBits & (1u << bit)))
        ++bit;
    if (!chinese) {
        line.text = QString::fromUtf8(ErrorMessages[bit].english);
        return line;
    }
    line.text = QString::fromUtf8(ErrorMessages[bit].chinese);
    line.fontSizePx = line.text.size() <= LargeFontMaxChars ? LargeFontPx : SmallFontPx;
    return line;
}
