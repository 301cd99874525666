#include "Modbus/presentation.h"

#include "Modbus/devicemirror.h"

#include <QLabel>
#include <QLineEdit>

const QStringList UnitNames = {QStringLiteral("t"), QStringLiteral("kg"), QStringLiteral("g"),
                               QStringLiteral("lb"), QStringLiteral("KN"), QStringLiteral("N"),
                               QString()};
const QStringList TimeUnitNames = {QStringLiteral("h"), QStringLiteral("min"), QString()};

int g_shownDecimalPoint = 0;
int g_shownUnit = 0;

namespace {

int mirrorDecimals()
{
    // The mirror never stores more than 4; the bound keeps a corrupt value harmless.
    return int(qMin<quint32>(g_mirror.live.decimalPoint, 4));
}

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

QString scaledText(const QString &text, double factor)
{
    // Single precision on purpose: six significant digits absorb its error
    // (1.15 x 100 gives 115, not 114.999).
    const float product = text.toFloat() * float(factor);
    return QString::asprintf("%g", double(product));
}

QString toRawText(const QLineEdit *edit)
{
    if (!edit)
        return QString();
    return scaledText(edit->text(), powerOfTen(mirrorDecimals()));
}
