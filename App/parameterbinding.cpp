#include "App/parameterbinding.h"

#include "Modbus/devicelink.h"
#include "Modbus/linkstate.h"
#include "Modbus/presentation.h"
#include "Modbus/registeraccess.h"
#include "Modbus/settings.h"

#include <QApplication>
#include <QCoreApplication>
#include <QComboBox>
#include <QDebug>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

bool g_cpTextReset = false;
const QString NotReadText = QStringLiteral("\u2014");
quint16 g_shownRemoteSwitch[SwitchCount] = {};

namespace {

// An optional minus, digits, optionally a point and more digits; or nothing.
// A lone minus or a leading point is intermediate input and never commits.
const char NumberPattern[] = "-?[0-9]+[.][0-9]*|-?[0-9]+|^$";

bool isClass(const QObject *object, const char *name)
{
    return object && qstrcmp(object->metaObject()->className(), name) == 0;
}

} // namespace

int BindingTable::rowOf(const QString &name) const
{
    for (int row = 0; row < rows; ++row) {
        if (names[row] == name)
            return row;
    }
    return -1;
}

bool ScaledList::exponentOf(const QString &name, int *exponent) const
{
    for (int i = 0; i < count; ++i) {
        if (name == QLatin1String(entries[i].objectName)) {
            *exponent = entries[i].exponent;
            return true;
        }
    }
    return false;
}

bool integerPartOf(const QString &text, qint32 *value)
{
    const int point = text.indexOf(QLatin1Char('.'));
    const QString whole = point < 0 ? text : text.left(point);
    bool ok = false;
    const int parsed = whole.toInt(&ok, 10);
    if (ok)
        *value = parsed;
    return ok;
}

void showRemoteBanner(QWidget *banner, QLabel *tip, RemoteSwitch remoteSwitch, const QString &message, bool force)
{
    if (!banner || !tip)
        return;
    const quint16 value = g_mirror.remoteSwitch[remoteSwitch];
    if (value == g_shownRemoteSwitch[remoteSwitch] && !force)
        return;
    g_shownRemoteSwitch[remoteSwitch] = value;
    if (value != 0) {
        banner->hide();
        tip->clear();
    } else {
        banner->show();
        tip->setText(message);
    }
}

bool takeChanged(quint32 value, quint32 &lastShown, bool force)
{
    if (value == lastShown && !force)
        return false;
    lastShown = value;
    return true;
}

bool takeChangedFor(const QLineEdit *edit, quint32 value, quint32 &lastShown, bool force)
{
    if (edit && edit->isModified()) {
        lastShown = ~value;
        return false;
    }
    return takeChanged(value, lastShown, force);
}

QString failureCause(ResultCode result)
{
    switch (result) {
    case ResultOk:
        return QString();
    case ResultTimeout:
        return QCoreApplication::translate("FailureCause", "No answer from the device.");
    case ResultNoLink:
        return QCoreApplication::translate("FailureCause", "Not connected to the device.");
    case ResultDeviceError:
        break;
    }
    // The standard Modbus exception codes.
    static const char *const Names[] = {
        nullptr,
        QT_TRANSLATE_NOOP("FailureCause", "illegal function"),
        QT_TRANSLATE_NOOP("FailureCause", "illegal data address"),
        QT_TRANSLATE_NOOP("FailureCause", "illegal data value"),
        QT_TRANSLATE_NOOP("FailureCause", "server device failure"),
        QT_TRANSLATE_NOOP("FailureCause", "acknowledge"),
        QT_TRANSLATE_NOOP("FailureCause", "server device busy"),
        nullptr,
        QT_TRANSLATE_NOOP("FailureCause", "memory parity error"),
        nullptr,
        QT_TRANSLATE_NOOP("FailureCause", "gateway path unavailable"),
        QT_TRANSLATE_NOOP("FailureCause", "gateway target device failed to respond"),
    };
    const int code = lastExceptionCode();
    if (code <= 0)
        return QCoreApplication::translate("FailureCause", "The device's answer could not be used.");
    const char *name = code < int(sizeof Names / sizeof *Names) ? Names[code] : nullptr;
    const QString text = name ? QCoreApplication::translate("FailureCause", name)
                              : QCoreApplication::translate("FailureCause", "unknown exception");
    return QCoreApplication::translate("FailureCause", "The device refused it: exception %1 (%2).").arg(code).arg(text);
}

ParameterPage::ParameterPage(QWidget *parent)
    : QWidget(parent)
{
}

ParameterPage::~ParameterPage()
{
    // The editors outlive this part of the page: QWidget's destructor deletes
    // them later, and a line edit losing its focus then would still commit.
    for (const QPointer<QObject> &watched : qAsConst(m_watched)) {
        if (watched) {
            watched->removeEventFilter(this);
            disconnect(watched, nullptr, this, nullptr);
        }
    }
}

QVector<const BindingTable *> ParameterPage::bindingTables() const
{
    QVector<const BindingTable *> tables;
    if (const BindingTable *table = bindingTable())
        tables.append(table);
    return tables;
}

void ParameterPage::setupBinding(QWidget *banner, QLabel *remoteTip, const QList<QPushButton *> &buttons)
{
    m_banner = banner;
    m_remoteTip = remoteTip;
    m_currentEditor = remoteTip;
    m_editArmed = false;

    const QList<QComboBox *> boxes = findChildren<QComboBox *>();
    const QList<QLineEdit *> edits = findChildren<QLineEdit *>();
    const QList<QListView *> lists = findChildren<QListView *>();

    // The pop-up lists are watched only for the wheel: they never write.
    for (QListView *list : lists) {
        list->installEventFilter(this);
        m_watched.append(list);
    }

    for (QComboBox *box : boxes) {
        box->installEventFilter(this);
        m_watched.append(box);
        m_editors.insert(box->objectName(), box);
        connect(box, QOverload<int>::of(&QComboBox::activated), this,
                [this, box](int index) { onComboActivated(box, index); });
    }

    const QRegularExpression pattern(QString::fromLatin1(NumberPattern));
    for (QLineEdit *edit : edits) {
        edit->setValidator(new QRegularExpressionValidator(pattern, edit));
        edit->installEventFilter(this);
        m_watched.append(edit);
        m_editors.insert(edit->objectName(), edit);
        connect(edit, &QLineEdit::editingFinished, this, [this, edit]() { onLineEditFinished(edit); });
    }

    for (QPushButton *button : buttons) {
        button->installEventFilter(this);
        m_watched.append(button);
        m_editors.insert(button->objectName(), button);
        connect(button, &QPushButton::clicked, this, [this, button]() { onButtonClicked(button); });
    }
}

bool ParameterPage::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Wheel:
        return true;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return) {
            m_editArmed = true;
            m_returnPressed = true;
        }
        auto *edit = qobject_cast<QLineEdit *>(watched);
        if (key == Qt::Key_Escape && edit && edit->isModified()) {
            abandonEdit(edit);
            return true;
        }
        break;
    }
    case QEvent::FocusIn: {
        // Focus coming back as a combo box's pop-up closes (before activated()
        // is raised) starts no new edit: the value to fall back on stays the
        // one from before the choice.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::PopupFocusReason)
            break;
        QWidget *focus = QApplication::focusWidget();
        m_editArmed = true;
        m_returnPressed = false;
        m_currentEditor = focus;
        // The window being activated again may also be a pop-up closing, so a
        // combo box keeps its saved index then. A line edit committed its text
        // as the window was left, so that text is the one to fall back on.
        if (isClass(focus, "QComboBox") && reason != Qt::ActiveWindowFocusReason)
            g_savedValueText = QString::number(static_cast<QComboBox *>(focus)->currentIndex());
        else if (isClass(focus, "QLineEdit"))
            g_savedValueText = static_cast<QLineEdit *>(focus)->text();
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void ParameterPage::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        retranslate();
        refreshFromMirror(true);
    }
}

QString ParameterPage::comboValueText(QComboBox *box, int index) const
{
    Q_UNUSED(box);
    return QString::number(index);
}

void ParameterPage::lineEditFinished(QLineEdit *edit, const QString &typed, const QString &valueText)
{
    Q_UNUSED(edit);
    Q_UNUSED(typed);
    Q_UNUSED(valueText);
}

void ParameterPage::lineEditCommitted(QLineEdit *edit, const QString &typed, CommitResult result)
{
    Q_UNUSED(edit);
    Q_UNUSED(typed);
    Q_UNUSED(result);
}

void ParameterPage::comboCommitted(QComboBox *box, CommitResult result)
{
    Q_UNUSED(box);
    Q_UNUSED(result);
}

bool ParameterPage::writesUnchanged(const QLineEdit *edit) const
{
    Q_UNUSED(edit);
    return true;
}

int ParameterPage::exponentOf(const QLineEdit *edit, bool *scaled) const
{
    int exponent = 0;
    *scaled = scaledList().exponentOf(edit->objectName(), &exponent);
    return exponent == ScaledEditor::ScaleByDecimals ? mirrorDecimals() : exponent;
}

QString ParameterPage::displayText(const QLineEdit *edit, qint32 value) const
{
    bool scaled = false;
    const int exponent = exponentOf(edit, &scaled);
    return scaled ? formatScaled(value, exponent) : QString::number(value);
}

void ParameterPage::onComboActivated(QComboBox *box, int index)
{
    m_currentEditor = box;
    QPointer<ParameterPage> self(this);
    QPointer<QComboBox> guard(box);
    const CommitResult result = sendEditorValue(box, comboValueText(box, index));
    if (self && guard)
        comboCommitted(box, result);
}

void ParameterPage::onButtonClicked(QPushButton *button)
{
    // The clicked button itself, not the last focus: a button that does not
    // take focus must not write its 1 into another editor's register.
    m_currentEditor = button;
    sendEditorValue(button, QStringLiteral("1"));
}

bool ParameterPage::acceptsValue(const QLineEdit *edit, const QString &valueText) const
{
    Q_UNUSED(edit);
    Q_UNUSED(valueText);
    return true;
}

void ParameterPage::onLineEditFinished(QLineEdit *edit)
{
    const QString typed = edit->text();
    // Passing through a field whose write acts on the device writes nothing.
    if (!writesUnchanged(edit) && !edit->isModified() && !m_returnPressed) {
        m_editArmed = false;
        return;
    }
    m_returnPressed = false;

    QString valueText = typed;
    bool scaled = false;
    const int exponent = exponentOf(edit, &scaled);
    if (!typed.isEmpty() && scaled)
        valueText = scaledValueText(typed, exponent);

    if (typed.isEmpty() || !acceptsValue(edit, valueText)) {
        if (!typed.isEmpty())
            qDebug() << "refused" << edit->objectName() << typed << "does not fit its register";
        const QString note = refusalNote(edit, typed);
        if (!note.isEmpty())
            emit noticeRaised(note);
        edit->setText(g_savedValueText);
        // The restored text must not be committed by the focus move's own
        // editingFinished(): an emptied or refused field writes nothing.
        m_editArmed = false;
        if (edit->hasFocus())
            moveFocusAway();
        return;
    }
    lineEditFinished(edit, typed, valueText);

    // Moving the focus away raises editingFinished() once more; only the
    // first of the two may write.
    if (!m_editArmed)
        return;
    m_editArmed = false;
    // The line edit that finished is the one to write, whatever took the
    // focus in between.
    m_currentEditor = edit;
    QPointer<ParameterPage> self(this);
    QPointer<QLineEdit> guard(edit);
    const CommitResult result = sendEditorValue(edit, valueText);
    if (!self || !guard)
        return;
    // Committed: refreshes may show the device's value again.
    edit->setModified(false);
    lineEditCommitted(edit, typed, result);
    // A commit by Return leaves the focus on the label, so that the focus
    // move's own editingFinished() is the unarmed second one. A commit made
    // by leaving the field keeps the focus where the operator put it.
    if (edit->hasFocus())
        moveFocusAway();
}

void ParameterPage::abandonEdit(QLineEdit *edit)
{
    // Back to the text from before the edit, then to the device's value if it
    // changed meanwhile (the refresh skipped the field while it was typed in).
    edit->setText(g_savedValueText);
    m_returnPressed = false;
    refreshFromMirror(false);
    // Leaving the field now writes nothing: the edit was abandoned.
    m_editArmed = false;
    if (edit->hasFocus())
        moveFocusAway();
}

QString ParameterPage::refusalNote(const QLineEdit *edit, const QString &typed) const
{
    if (typed.isEmpty())
        return QString();
    return tr("%1: %2 does not fit the parameter; nothing was sent.").arg(parameterName(edit), typed);
}

QString ParameterPage::parameterName(const QWidget *editor) const
{
    // The nearest label on the editor's row, left of it, that ends with a
    // colon: a reading or a unit may stand between the name and the field.
    static const QRegularExpression trailingColon(QStringLiteral("\\s*[:\uFF1A]\\s*$"));
    const QRect at = editor->geometry();
    const QLabel *best = nullptr;
    int bestGap = 0;
    if (const QWidget *parent = editor->parentWidget()) {
        for (const QLabel *label : parent->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly)) {
            const QRect l = label->geometry();
            if (!label->text().contains(trailingColon) || l.right() > at.left() || l.bottom() < at.top()
                || l.top() > at.bottom())
                continue;
            const int gap = at.left() - l.right();
            if (!best || gap < bestGap) {
                best = label;
                bestGap = gap;
            }
        }
    }
    QString name = best ? best->text() : editor->objectName();
    name.remove(trailingColon);
    return name.trimmed();
}

bool ParameterPage::beginRefresh(bool *force)
{
    if (m_shownLink != g_mirror.link) {
        m_shownLink = g_mirror.link;
        m_showsNotRead = false;
        forgetDeviceTexts();
        // Texts typed for the previous device go with it.
        for (QWidget *w : qAsConst(m_editors)) {
            if (auto *edit = qobject_cast<QLineEdit *>(w))
                edit->setModified(false);
        }
        *force = true;
    }
    if (!shownBlocksRead()) {
        if (!m_showsNotRead)
            showNotRead();
        return false;
    }
    if (m_showsNotRead) {
        m_showsNotRead = false;
        *force = true;
    }
    return true;
}

void ParameterPage::showNotRead()
{
    m_showsNotRead = true;
    for (const BindingTable *table : bindingTables()) {
        for (int row = 0; row < table->rows; ++row) {
            QWidget *w = editor(table->names[row]);
            if (isClass(w, "QLineEdit"))
                static_cast<QLineEdit *>(w)->setText(NotReadText);
            else if (isClass(w, "QComboBox"))
                static_cast<QComboBox *>(w)->setCurrentIndex(-1);
        }
    }
}

void ParameterPage::moveFocusAway()
{
    if (m_remoteTip)
        m_remoteTip->setFocus(Qt::OtherFocusReason);
}

void ParameterPage::putBack(QWidget *editor, const QString &savedText)
{
    if (isClass(editor, "QComboBox"))
        static_cast<QComboBox *>(editor)->setCurrentIndex(savedText.toInt());
    else if (isClass(editor, "QLineEdit"))
        static_cast<QLineEdit *>(editor)->setText(savedText);
}

CommitResult ParameterPage::sendEditorValue(QWidget *editor, const QString &valueText)
{
    if (!editor)
        return CommitResult::NotBound;
    const char *cls = editor->metaObject()->className();
    const QString name = editor->objectName();
    if (qstrcmp(cls, "QComboBoxListView") == 0)
        return CommitResult::NotBound;

    // The editor's own page and tab decide the register, not the page or tab
    // shown now: a field left by a click on another page or tab commits as
    // the page changes.
    int row = -1;
    const BindingTable *table = tableOf(name, &row);
    if (!table)
        return CommitResult::NotBound;
    const RegisterSpan span = table->spans[row];
    // Taken now: focusing another editor during the waits below replaces it.
    const QString savedText = g_savedValueText;

    qint32 sendVal = 0;
    if (!integerPartOf(valueText, &sendVal)) {
        qDebug() << "in" << name << span.address << span.count << "refused" << valueText;
        if (auto *edit = qobject_cast<QLineEdit *>(editor)) {
            const QString note = refusalNote(edit, edit->text());
            if (!note.isEmpty())
                emit noticeRaised(note);
        }
        putBack(editor, savedText);
        return CommitResult::Refused;
    }

    // Both requests wait with the event loop running: the page or the editor
    // may be gone when they return.
    QPointer<QWidget> guard(editor);
    const quint32 readVal = readParameter(int(span.address), span.count);
    qDebug() << "in" << name << span.address << span.count << "sendVal" << sendVal << "readVal" << readVal;
    if (!guard)
        return CommitResult::Failed;

    const ResultCode result = DeviceLink::instance().write(quint16(span.address), quint16(span.count), quint32(sendVal));
    const CommitResult outcome = result == ResultOk      ? CommitResult::Written
                                 : result == ResultNoLink ? CommitResult::Unsent
                                                          : CommitResult::Failed;
    if (!guard)
        return outcome;
    if (result != ResultOk)
        emit noticeRaised(tr("%1 not written: %2").arg(parameterName(editor), failureCause(result)));

    if (qstrcmp(cls, "QComboBox") == 0) {
        if (result != ResultOk)
            putBack(editor, savedText);
        // A combo box keeps the focus after a choice; a further choice that
        // is refused must fall back to what it shows now.
        if (m_currentEditor == editor)
            g_savedValueText = QString::number(static_cast<QComboBox *>(editor)->currentIndex());
    } else if (qstrcmp(cls, "QLineEdit") == 0) {
        auto *edit = static_cast<QLineEdit *>(editor);
        if (result != ResultOk)
            putBack(editor, savedText);
        else if (readVal == quint32(sendVal))
            // The device already held the value: show it in the field's own
            // format. The text from focus-in may be older than the device's
            // value, and no refresh would replace it.
            edit->setText(displayText(edit, sendVal));
    }
    return outcome;
}

const BindingTable *ParameterPage::tableOf(const QString &name, int *row) const
{
    if (const BindingTable *shown = bindingTable()) {
        *row = shown->rowOf(name);
        if (*row >= 0)
            return shown;
    }
    for (const BindingTable *table : bindingTables()) {
        *row = table->rowOf(name);
        if (*row >= 0)
            return table;
    }
    return nullptr;
}

void ParameterPage::refreshBanner(RemoteSwitch remoteSwitch, const QString &message, bool force)
{
    showRemoteBanner(m_banner, m_remoteTip, remoteSwitch, message, force);
}

void ParameterPage::showRows(const BindingTable &table, const quint32 *fields, quint32 *lastShown, bool force)
{
    const ScaledList scaled = scaledList();
    for (int row = 0; row < table.rows; ++row) {
        QWidget *w = editor(table.names[row]);
        int exponent = 0;
        if (!w || scaled.exponentOf(table.names[row], &exponent))
            continue;
        if (isClass(w, "QComboBox")) {
            if (takeChanged(fields[row], lastShown[row], force))
                static_cast<QComboBox *>(w)->setCurrentIndex(int(fields[row]));
        } else if (isClass(w, "QLineEdit")) {
            if (takeChangedFor(static_cast<QLineEdit *>(w), fields[row], lastShown[row], force))
                static_cast<QLineEdit *>(w)->setText(QString::number(fields[row]));
        }
    }
}
