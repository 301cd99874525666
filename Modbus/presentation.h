#ifndef PRESENTATION_H
#define PRESENTATION_H

#include <QString>
#include <QStringList>

class QLabel;
class QLineEdit;

// Unit texts by the device's unit index (0..6) and flow-rate time unit (0..2).
extern const QStringList UnitNames;
extern const QStringList TimeUnitNames;

// Redraws the line edits whose mirror value changed since it was last shown,
// or all of them when the decimals changed or force is set. Values are raw
// unsigned integers scaled by 10^decimals. A line edit the operator has typed
// into (modified) is left alone. Returns whether the decimals changed.
bool showScaledValues(QLineEdit *const *edits, int count, quint32 *lastShown,
                      const quint32 *current, bool force);
void showUnitLabels(QLabel *const *labels, int count, bool force);
bool decimalsChanged(bool force);
bool unitChanged(bool force);

// The raw integer text written for a typed number scaled by 10^exponent: six
// significant digits of the single-precision product, as the device's own
// panel rounds; when that text would be in exponent form (a product of a
// million or more) the integer part of the exact decimal product instead.
QString scaledValueText(const QString &typed, int exponent);
// The same for the number typed in a line edit, scaled by the mirror's decimals.
QString toRawText(const QLineEdit *edit);

// The weight decimals (0 to 4) of a value the device reported, and of the mirror.
int clampedDecimals(quint32 decimals);
int mirrorDecimals();

// Fixed-point text of a raw integer scaled by 10^decimals.
QString formatScaled(qint64 raw, int decimals);

// Caches shared by every page (start at 0).
extern int g_shownDecimalPoint;
extern int g_shownUnit;

#endif // PRESENTATION_H
