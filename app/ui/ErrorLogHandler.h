#pragma once
// The windows' error handler once the error log exists: every error a command raises goes to
// the log, which shows it and, with the family's switch on, records it. The log must outlive
// this. User-interface thread.

#include "services/cErrorLog.h"
#include "viewer/session/ErrorHandler.h"

class TErrorLogHandler : public TErrorHandler {
public:
    explicit TErrorLogHandler(TErrorLog& log) : log_(log) {}
    void HandleError(const QString& message) override { log_.HandleException(nullptr, TExceptionReport{message}); }

private:
    TErrorLog& log_;
};
