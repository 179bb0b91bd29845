// The application's default error report and the wrapper every handler reached from a
// signal, an event or a timer runs in: no exception crosses the Qt event loop.
#pragma once

#include <QApplication>
#include <concepts>
#include <exception>
#include <functional>
#include <utility>

namespace qel::ui {

// Shows the error's text in a message box titled with the application's title.
void reportError(const std::exception& error);

// Runs the action; a silent abort is swallowed, any other exception is reported.
// Returns false when the action did not finish.
bool runGuarded(const std::function<void()>& action);

// Wraps a handler so that it runs guarded; use it for every connect() to window logic.
template <class F>
auto guarded(F handler)
{
    return [handler = std::move(handler)](auto&&... args) mutable
               requires std::invocable<F&, decltype(args)...>
    {
        runGuarded([&] { handler(std::forward<decltype(args)>(args)...); });
    };
}

// The client's application object: an exception that escapes an event handler is sent to
// the default error report instead of ending the program.
class Application : public QApplication {
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace qel::ui
