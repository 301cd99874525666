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
// unsigned integers scaled by 10^decimals. Returns whether the decimals changed.
bool showScaledValues(QLineEdit *const *edits, int count, quint32 *lastShown,
                      const quint32 *current, bool force);
void showUnitLabels(QLabel *const *labels, int count, bool force);
bool decimalsChanged(bool force);
bool unitChanged(bool force);

// Raw integer text for the number typed in a line edit, scaled by 10^decimals.
QString toRawText(const QLineEdit *edit);
// The same for any factor: at most six significant digits, plain below 1e6.
QString scaledText(const QString &text, double factor);

// Fixed-point text of a raw integer scaled by 10^decimals.
QString formatScaled(qint64 raw, int decimals);

// Caches shared by every page (start at 0).
extern int g_shownDecimalPoint;
extern int g_shownUnit;

#endif // PRESENTATION_H
