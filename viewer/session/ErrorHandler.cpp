#include "viewer/session/ErrorHandler.h"

#include "platform/Errors.h"

#include <new>

void TErrorHandler::Guarded(const std::function<void()>& command)
{
    try {
        command();
    } catch (const EError& e) {
        HandleError(e.Message());
    } catch (const std::bad_alloc&) {
        HandleError(QStringLiteral("Out of memory"));
    } catch (const std::exception& e) {
        HandleError(QString::fromLocal8Bit(e.what()));
    }
}
