#ifndef R7_TESTSUPPORT_H
#define R7_TESTSUPPORT_H

#include <QByteArray>
#include <QStringList>

// setupUi connects on_<object>_<signal> slots by name and only warns when an
// object was renamed; the GUI suites collect that warning so that it fails them.
extern QStringList g_unmatchedSlots;
// Debug messages (the pages' traces), for the suites that check what was traced.
extern QStringList g_traces;

namespace TestSupport {

// What the collector hands on to the handler that was installed before it.
enum MessagePassing {
    PassAllButDebug, // the traces would drown the test log
    PassAll,
    PassAllButDebugAndSizeHints, // the offscreen platform warns on every show()
};

// Installs the handler that fills g_unmatchedSlots and g_traces.
void installMessageCollector(MessagePassing passing = PassAllButDebug);
// Puts back the handler that was installed before.
void removeMessageCollector();

// The parts of a saved xlsx package whose names start with prefix, joined in
// archive order, as another reader (Python's zipfile) finds them; null if none
// (or all empty).
QByteArray packageParts(const QString &path, const QString &prefix);

} // namespace TestSupport

#endif // R7_TESTSUPPORT_H
