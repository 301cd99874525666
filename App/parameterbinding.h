#ifndef PARAMETERBINDING_H
#define PARAMETERBINDING_H

#include "Modbus/devicemirror.h"
#include "Modbus/presentation.h"
#include "Modbus/registeraccess.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QVector>
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Binding of page editors to device registers, and the write-on-commit path
// that the parameter pages share.

// First register and register count (1: one 16-bit register, 2: a 32-bit value
// over two registers in the word order g_dwordFormat) of one parameter.
struct RegisterSpan
{
    quint32 address;
    quint16 count;
};

// An ordered list of rows {editor object name, register span}. The names live
// in a static array filled at program start; the spans are constant data of
// the same length and order. Row order is the field order of the page's record.
struct BindingTable
{
    const QString *names;
    const RegisterSpan *spans;
    int rows;

    // First row whose name equals name (case-sensitive, whole); -1 for none.
    int rowOf(const QString &name) const;
};

// Builds a table from a name array and a span array; arrays of different
// lengths do not compile.
template <int N>
constexpr BindingTable makeBindingTable(const QString (&names)[N], const RegisterSpan (&spans)[N])
{
    return BindingTable{names, spans, N};
}

// A line edit whose text is multiplied before it is written: by 10^exponent,
// or by 10^d (d the device's weight decimals) for ScaleByDecimals.
struct ScaledEditor
{
    static constexpr int ScaleByDecimals = -1;
    const char *objectName;
    int exponent;
};

struct ScaledList
{
    const ScaledEditor *entries = nullptr;
    int count = 0;

    // The exponent for the named line edit (ScaleByDecimals for 10^d); false
    // when it is not in the list.
    bool exponentOf(const QString &name, int *exponent) const;
};

template <int N>
constexpr ScaledList makeScaledList(const ScaledEditor (&entries)[N])
{
    return ScaledList{entries, N};
}

// What became of one commit.
enum class CommitResult {
    NotBound, // no table for the page, the editor is in no row, or a pop-up list
    Refused,  // the value is no 32-bit integer: nothing written, editor put back
    Written,
    Failed,   // the device refused the write or did not answer: editor put back
    Unsent    // no link to send it over: editor put back
};

// Converts the part of text before the first point to a signed 32-bit integer
// (the fraction is cut off: 12.7 -> 12, -0.5 -> 0); false when it is no number
// or does not fit.
bool integerPartOf(const QString &text, qint32 *value);

// Shows or hides a page's remote-editing banner from the switch in the mirror;
// acts only when the switch changed since the last call for that switch, or
// when forced. A switch of 0 means the device refuses remote edits.
void showRemoteBanner(QWidget *banner, QLabel *tip, RemoteSwitch remoteSwitch, const QString &message,
                      bool force);

// True (after copying value into lastShown) when the value differs from the
// copy or force is set: the editor then needs rewriting.
bool takeChanged(quint32 value, quint32 &lastShown, bool force);

// takeChanged() for a line edit, which is never rewritten while the operator
// has typed into it (until the edit is committed or abandoned): the value then
// counts as not shown, so the first refresh after the edit writes it.
bool takeChangedFor(const QLineEdit *edit, quint32 value, quint32 &lastShown, bool force);

// Why a register operation failed, for the operator: no link, no answer, or
// the exception the device answered with, by number and name.
QString failureCause(ResultCode result);

// What a field shows while nothing has been read from the device.
extern const QString NotReadText;

// Base class of the parameter pages. A page builds its form, then calls
// setupBinding(); it supplies its binding table(s), scaled list and the texts
// of its banner through the virtuals below, and shows its record in
// refreshFromMirror().
class ParameterPage : public QWidget
{
    Q_OBJECT

public:
    ~ParameterPage() override;

    // The single write path of the parameter pages: finds the editor's row in
    // the page's tables (its own tab's, whichever tab is shown), reads the
    // register, writes the integer part of valueText, and puts a combo box or
    // line edit back to its focus-in value when valueText is no 32-bit integer
    // or the write fails. A line edit whose value the device already held is
    // rewritten in the field's own format.
    CommitResult sendEditorValue(QWidget *editor, const QString &valueText);

    // The table of the tab shown: nullptr when there is none (for example an
    // Application tab without parameters).
    virtual const BindingTable *bindingTable() const = 0;
    // Every table of the page (all tabs), for checks of the form against them.
    virtual QVector<const BindingTable *> bindingTables() const;
    virtual ScaledList scaledList() const { return {}; }

    // Run by the main window each time the page becomes current.
    virtual void enterPage() = 0;
    // Shows the page's record of the device mirror; force rewrites everything.
    virtual void refreshFromMirror(bool force) = 0;

    // The name of the parameter an editor sets, as the form labels it.
    QString parameterName(const QWidget *editor) const;

signals:
    // A short note for the status bar: an edit the device refused, or one
    // the page refused to send, and why.
    void noticeRaised(const QString &text);

protected:
    explicit ParameterPage(QWidget *parent);

    // Watches every combo box, line edit and list view below the page (and the
    // given push buttons, which write "1" when clicked) and ties their commit
    // signals to the handlers. Call once, after the form has been built.
    void setupBinding(QWidget *banner, QLabel *remoteTip, const QList<QPushButton *> &buttons = {});

    // The value text a combo box commits for the chosen index; the index in
    // decimal unless the page says otherwise.
    virtual QString comboValueText(QComboBox *box, int index) const;
    // Whether the register behind a line edit can hold the scaled value text;
    // a refused entry is put back and nothing is written, as for an emptied
    // field. Every value that is a 32-bit integer by default.
    virtual bool acceptsValue(const QLineEdit *edit, const QString &valueText) const;
    // Called for every editingFinished() of a non-empty line edit after the
    // scaling, whether or not the commit then writes.
    virtual void lineEditFinished(QLineEdit *edit, const QString &typed, const QString &valueText);
    // Called after a line edit's commit went through sendEditorValue.
    virtual void lineEditCommitted(QLineEdit *edit, const QString &typed, CommitResult result);
    // Called after a combo box choice went through sendEditorValue.
    virtual void comboCommitted(QComboBox *box, CommitResult result);
    // Whether leaving the line edit without a change still writes its value.
    // A field whose write is an action on the device (not a stored value)
    // writes only after a change or a Return.
    virtual bool writesUnchanged(const QLineEdit *edit) const;
    // The text a line edit shows for a raw value it wrote.
    virtual QString displayText(const QLineEdit *edit, qint32 value) const;
    // Re-runs the translation of the form's texts.
    virtual void retranslate() = 0;
    // Whether the blocks the page (or tab) shows were read over the present
    // link; until then the page shows NotReadText.
    virtual bool shownBlocksRead() const = 0;
    // Called when the page is refreshed for the first time after a new link:
    // texts kept for the previous device go.
    virtual void forgetDeviceTexts() {}
    // The note shown when a line edit's entry is refused before sending
    // (emptied fields included); empty for none.
    virtual QString refusalNote(const QLineEdit *edit, const QString &typed) const;

    // To be called first in refreshFromMirror() after the banner: false while
    // the page shows nothing read yet (blank editors); raises force on the
    // first refresh with values after blank editors or a new link.
    bool beginRefresh(bool *force);

    // The banner of this page: shown while the device's switch is 0.
    void refreshBanner(RemoteSwitch remoteSwitch, const QString &message, bool force);
    // The editor of the form with that object name, or nullptr.
    QWidget *editor(const QString &name) const { return m_editors.value(name); }

    // Rows [0, rows) of table shown from fields[i] (row i): combo boxes get the
    // field as index, line edits the field as unsigned decimal text. Rows
    // whose line edit is in the scaled list, push buttons and unknown names
    // are left to the page. Fields are compared with lastShown[i].
    void showRows(const BindingTable &table, const quint32 *fields, quint32 *lastShown, bool force);

    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void onComboActivated(QComboBox *box, int index);
    void onButtonClicked(QPushButton *button);
    void onLineEditFinished(QLineEdit *edit);
    void moveFocusAway();
    void putBack(QWidget *editor, const QString &savedText);
    void showNotRead();
    void abandonEdit(QLineEdit *edit);
    int exponentOf(const QLineEdit *edit, bool *scaled) const;
    // The row of the named editor in any table of this page.
    const BindingTable *tableOf(const QString &name, int *row) const;

    QPointer<QWidget> m_currentEditor;
    bool m_editArmed = false;
    // Return was pressed in the focused field since it got the focus.
    bool m_returnPressed = false;
    QWidget *m_banner = nullptr;
    QLabel *m_remoteTip = nullptr;
    QHash<QString, QWidget *> m_editors;
    QList<QPointer<QObject>> m_watched;
    // The link whose device the editors show, and whether they show blanks.
    quint32 m_shownLink = 0;
    bool m_showsNotRead = false;
};

// Process-wide state of the parameter pages.

// Raised by the resets that clear calibration; the Weight & CAL page clears
// its calibration-point texts at its next refresh and lowers it.
extern bool g_cpTextReset;

// Last-seen copies of the remote-editing switches (0 at start).
extern quint16 g_shownRemoteSwitch[SwitchCount];

#endif // PARAMETERBINDING_H
