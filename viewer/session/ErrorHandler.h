#pragma once
// Where the errors of commands go: shown to the user, and the program carries on.

#include <QString>
#include <exception>
#include <functional>

class TErrorHandler {
public:
    virtual ~TErrorHandler() = default;
    virtual void HandleError(const QString& message) = 0;

    // Runs a command; an error it raises is handled here rather than escaping into the event loop.
    void Guarded(const std::function<void()>& command);
};
