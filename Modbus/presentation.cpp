#include "Modbus/presentation.h"

#include "Modbus/devicemirror.h"

#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

const QStringList UnitNames = {QStringLiteral("t"), QStringLiteral("kg"), QStringLiteral("g"),
                               QStringLiteral("lb"), QStringLiteral("KN"), QStringLiteral("N"),
                               QString()};
const QStringList TimeUnitNames = {QStringLiteral("h"), QStringLiteral("min"), QString()};

int g_shownDecimalPoint = 0;
int g_shownUnit = 0;

int clampedDecimals(quint32 decimals)
{
    // The device never reports more than 4; the bound keeps a corrupt value harmless.
    return int(qMin<quint32>(decimals, 4));
}

int mirrorDecimals()
{
    return clampedDecimals(g_mirror.live.decimalPoint);
}

namespace {

double powerOfTen(int exponent)
{
    double factor = 1.0;
    for (int i = 0; i < exponent; ++i)
        factor *= 10.0;
    return factor;
}

} // namespace

QString formatScaled(qint64 raw, int decimals)
{
    if (decimals <= 0)
        return QString::number(raw);
    // Integer arithmetic keeps every digit of large raw values exact.
    const qint64 divisor = qint64(powerOfTen(decimals));
    const bool negative = raw < 0;
    const quint64 magnitude = negative ? quint64(-(raw + 1)) + 1 : quint64(raw);
    const QString fraction = QString::number(magnitude % quint64(divisor)).rightJustified(decimals, QLatin1Char('0'));
    return QStringLiteral("%1%2.%3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(magnitude / quint64(divisor))
        .arg(fraction);
}

bool showScaledValues(QLineEdit *const *edits, int count, quint32 *lastShown,
                      const quint32 *current, bool force)
{
    const int decimals = mirrorDecimals();
    const bool changed = force || decimals != g_shownDecimalPoint;
    if (changed)
        g_shownDecimalPoint = decimals;

    for (int i = 0; i < count; ++i) {
        // What the operator is typing stays; the value counts as not shown,
        // so the first refresh after the edit ends writes it.
        if (edits[i] && edits[i]->isModified()) {
            lastShown[i] = ~current[i];
            continue;
        }
        if (current[i] == lastShown[i] && !changed)
            continue;
        lastShown[i] = current[i];
        if (edits[i])
            edits[i]->setText(formatScaled(qint64(current[i]), g_shownDecimalPoint));
    }
    return changed;
}

void showUnitLabels(QLabel *const *labels, int count, bool force)
{
    const int unit = int(g_mirror.live.unit);
    if (unit == g_shownUnit && !force)
        return;
    g_shownUnit = unit;
    const QString name = UnitNames.value(unit);
    for (int i = 0; i < count; ++i) {
        if (labels[i])
            labels[i]->setText(name);
    }
}

bool decimalsChanged(bool force)
{
    const int decimals = int(g_mirror.live.decimalPoint);
    const bool changed = decimals != g_shownDecimalPoint;
    if (changed || force)
        g_shownDecimalPoint = decimals;
    return changed || force;
}

bool unitChanged(bool force)
{
    const int unit = int(g_mirror.live.unit);
    const bool changed = unit != g_shownUnit;
    if (changed || force)
        g_shownUnit = unit;
    return changed || force;
}

namespace {

// Integer part of the typed decimal number times 10^exponent, digit by digit,
// so that no precision is lost however long the number is. Leaves the sign
// and the digits only; "" when the text is no plain decimal number.
QString exactScaledInteger(const QString &typed, int exponent)
{
    QString text = typed.trimmed();
    QString sign;
    if (text.startsWith(QLatin1Char('-'))) {
        sign = QStringLiteral("-");
        text.remove(0, 1);
    }
    const int point = text.indexOf(QLatin1Char('.'));
    QString whole = point < 0 ? text : text.left(point);
    QString fraction = point < 0 ? QString() : text.mid(point + 1);
    for (const QString &part : {whole, fraction}) {
        for (QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return QString();
        }
    }
    if (whole.isEmpty())
        return QString();
    fraction = fraction.leftJustified(exponent, QLatin1Char('0'), true);
    QString digits = whole + fraction;
    while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    if (digits == QLatin1String("0"))
        sign.clear();
    return sign + digits;
}

} // namespace

QString scaledValueText(const QString &typed, int exponent)
{
    // Single precision on purpose: six significant digits absorb its error
    // (1.15 x 100 gives 115, not 114.999).
    const float product = typed.toFloat() * float(powerOfTen(exponent));
    const QString rounded = QString::asprintf("%g", double(product));
    // "%g" switches to exponent form from a million on (and to "inf" past the
    // float range), where the part before the point is no longer the value.
    static const QRegularExpression plain(QStringLiteral("^-?[0-9]+([.][0-9]*)?$"));
    if (plain.match(rounded).hasMatch())
        return rounded;
    const QString exact = exactScaledInteger(typed, exponent);
    return exact.isEmpty() ? rounded : exact;
}

QString toRawText(const QLineEdit *edit)
{
    if (!edit)
        return QString();
    return scaledValueText(edit->text(), mirrorDecimals());
}
