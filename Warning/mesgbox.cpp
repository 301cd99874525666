#include "Warning/mesgbox.h"

#include <QAbstractButton>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>

int confirmBox(const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok | QMessageBox::Cancel);
    box.setWindowModality(Qt::ApplicationModal);
    box.button(QMessageBox::Ok)->setText(QObject::tr("Confirm"));
    box.button(QMessageBox::Cancel)->setText(QObject::tr("Cancel"));
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec();
}

int tipBox(const QString &title, const QString &text, bool stay)
{
    QMessageBox box(QMessageBox::NoIcon, title, text);
    box.setWindowModality(Qt::ApplicationModal);
    if (!stay)
        QTimer::singleShot(TipBoxLifeMs, &box, &QMessageBox::accept);
    box.exec();
    return 0;
}

void failureBox(const QString &title, const QString &text, const QString &cause)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.setInformativeText(cause);
    box.button(QMessageBox::Ok)->setText(QObject::tr("OK"));
    box.exec();
}

QString passwordBox()
{
    QInputDialog dialog;
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    dialog.setWindowTitle(QObject::tr("Password"));
    dialog.setLabelText(QObject::tr("Please Input:"));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextEchoMode(QLineEdit::Normal);
    dialog.setOkButtonText(QObject::tr("OK"));
    dialog.setCancelButtonText(QObject::tr("Cancel"));
    if (dialog.exec() != QDialog::Accepted)
        return QString();
    const QString text = dialog.textValue();
    return text.isEmpty() ? QStringLiteral("password error") : text;
}
