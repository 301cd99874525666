#ifndef MESGBOX_H
#define MESGBOX_H

#include <QString>

// The modal boxes of the Test Maintain page. None has a parent window; each
// blocks the whole application while it is open.

// Button codes that confirmBox() returns (QMessageBox::Ok and ::Cancel).
constexpr int ConfirmBoxOk = 1024;
constexpr int ConfirmBoxCancel = 4194304;

// How long a tip box stays open.
constexpr int TipBoxLifeMs = 1000;

// Asks the question with "Confirm" and "Cancel"; Cancel is the default button.
// Returns the code of the button pressed (ConfirmBoxCancel when closed).
int confirmBox(const QString &title, const QString &text);

// Shows a message without an icon, which closes itself TipBoxLifeMs after it
// was shown unless stay is set. Returns 0.
int tipBox(const QString &title, const QString &text, bool stay = false);

// Shows a failure and its cause with a warning sign; it stays until the
// operator closes it.
void failureBox(const QString &title, const QString &text, const QString &cause);

// Asks for the reset password in plain sight. Returns the text entered;
// "password error" when OK was pressed on an empty field; an empty string when
// the box was cancelled or closed.
QString passwordBox();

#endif // MESGBOX_H
