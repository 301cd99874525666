#ifndef ERRORMESSAGES_H
#define ERRORMESSAGES_H

#include <QString>

// Texts of the device's 32 error bits, English and Chinese, by bit number.
struct ErrorMessage
{
    const char *english;
    const char *chinese;
};

extern const ErrorMessage ErrorMessages[32];

// The header's error line for an error word: the text of the lowest set bit,
// or "None" / "无" when no bit is set. fontSizePx is 0 when the style stays as
// it is (English texts), otherwise the font size to show the text with.
struct ErrorLine
{
    QString text;
    int fontSizePx = 0;
};
ErrorLine errorLine(quint32 errorBits, bool chinese);

#endif // ERRORMESSAGES_H
