// Acting on a modal window from a test: the action runs once the window is shown (inside
// its own event loop), and may close it with a chosen result.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace qel::test {

// Runs the action on the first modal widget (optionally of the given class) that becomes
// active within timeoutMs; returns at once. The action may call closeModal().
void whenModalShown(std::function<void(QWidget*)> action, const char* className = nullptr,
                    int timeoutMs = 5000);

// Closes a dialog with a result (QDialog::done) or, for other widgets, closes them.
void closeModal(QWidget* modal, int result);

// Processes events until the predicate holds or the time runs out; returns the predicate.
bool waitFor(const std::function<bool()>& predicate, int timeoutMs = 5000);

// A fresh empty folder for this test under the build's test-tmp folder (one subfolder per
// test program, so programs running in parallel never share one).
QString freshTempDir(const QString& name);

} // namespace qel::test
