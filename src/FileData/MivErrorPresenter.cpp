#include "FileData/MivErrorPresenter.h"

#include "FileData/MivExec.h"
#include "platform/Log.h"
#include "platform/PosixError.h"

#include <QCoreApplication>

#include <cxxabi.h>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <typeinfo>

namespace {

constexpr qint64 kExceptionErrorCode = -500;

std::mutex g_handlerMutex;
std::shared_ptr<const MivErrorPresenter::PresentationHandler> g_handler;

std::shared_ptr<const MivErrorPresenter::PresentationHandler> presentationHandler()
{
    std::lock_guard<std::mutex> guard(g_handlerMutex);
    return g_handler;
}

QString tr(const char* text)
{
    return QCoreApplication::translate("MivErrorPresenter", text);
}

// The exception as a log or alert shows it: its type, and its reason when it
// has one.
QString exceptionDescription(const std::exception& exception)
{
    const char* mangled = typeid(exception).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    QString type = QString::fromUtf8(status == 0 && demangled ? demangled : mangled);
    std::free(demangled);
    const char* what = exception.what();
    if (what && *what)
        return QStringLiteral("%1: %2").arg(type, QString::fromUtf8(what));
    return type;
}

// The reason, or "Error: <exception>" when it has none.
QString exceptionReason(const std::exception& exception)
{
    const char* what = exception.what();
    if (what && *what)
        return QString::fromUtf8(what);
    return tr("Error: %1").arg(exceptionDescription(exception));
}

} // namespace

void MivErrorPresenter::setPresentationHandler(PresentationHandler handler)
{
    std::shared_ptr<const PresentationHandler> replacement;
    if (handler)
        replacement = std::make_shared<const PresentationHandler>(std::move(handler));
    std::lock_guard<std::mutex> guard(g_handlerMutex);
    g_handler.swap(replacement);
}

plat::Error MivErrorPresenter::makeFileOperationErrorWithCode(qint64 code, const QString& message, const QString& inform)
{
    QString description;
    if (message.isNull())
        description = inform;
    else if (inform.isNull())
        description = message;
    else
        description = QStringLiteral("%1: \n%2").arg(message, inform);
    // With neither text there is nothing to store; the error then describes
    // itself by domain and code rather than with an empty alert.
    if (description.isNull())
        return plat::Error(QLatin1String(MivFileOperationErrorDomain), code);
    return plat::Error(QLatin1String(MivFileOperationErrorDomain), code, description);
}

plat::Error MivErrorPresenter::makeFileOperationErrorWithCode(qint64 code, const QString& message)
{
    return makeFileOperationErrorWithCode(code, message, QString());
}

plat::Error MivErrorPresenter::makeErrorWithException(const std::exception& exception)
{
    return makeFileOperationErrorWithCode(kExceptionErrorCode, exceptionReason(exception));
}

plat::Error MivErrorPresenter::errorFromStatus(qint32 status, const QString& message)
{
    const QString statusText = NSErrorString(status);
    const QString description = message.isNull() ? statusText : QStringLiteral("%1 \n %2").arg(message, statusText);
    return plat::Error(QLatin1String(plat::kOSStatusErrorDomain), status, description);
}

QString MivErrorPresenter::NSErrorString(qint32 status)
{
    QString text;
    const QString name = plat::statusName(status);
    if (!name.isEmpty())
        text += name + QStringLiteral(".  ");
    const QString comment = plat::statusComment(status);
    if (!comment.isEmpty())
        text += comment + QLatin1Char('.');
    return text;
}

QString MivErrorPresenter::NSErrorSecString(qint32 status)
{
    const QString message = plat::securityStatusMessage(status);
    if (!message.isEmpty())
        return message;
    return tr("Keychain error %1.").arg(status);
}

plat::Error MivErrorPresenter::underlyingError(const plat::Error& error)
{
    plat::Error deepest = error;
    while (const std::optional<plat::Error> next = deepest.underlyingError())
        deepest = *next;
    return deepest;
}

void MivErrorPresenter::presentError(const plat::Error& error)
{
    presentError(error, false);
}

void MivErrorPresenter::presentError(const plat::Error& error, bool processUnderlying)
{
    if (error.isNull())
        return;
    MivExec::runOnMainThread([error, processUnderlying] { doPresentError(error, processUnderlying); });
}

void MivErrorPresenter::presentAsyncError(const plat::Error& error, bool processUnderlying)
{
    if (error.isNull())
        return;
    MivExec::runAsyncOnMainThread([error, processUnderlying] { doPresentError(error, processUnderlying); });
}

void MivErrorPresenter::doPresentError(const plat::Error& error, bool processUnderlying)
{
    if (error.isNull())
        return;
    const plat::Error shown = processUnderlying ? underlyingError(error) : error;
    const std::shared_ptr<const PresentationHandler> handler = presentationHandler();
    if (!handler) {
        // Nobody can show it (no application yet): at least it is on record.
        MIV_LOG_ERROR(shown.description());
        return;
    }
    try {
        (*handler)(shown);
    } catch (...) {
        // The caller goes on as if the alert had been shown.
        MIV_LOG_ERROR(QStringLiteral("Error while presenting error message: %1").arg(shown.description()));
    }
}

void MivErrorPresenter::presentErrorWithCode(qint64 code, const QString& message, const QString& inform)
{
    presentError(makeFileOperationErrorWithCode(code, message, inform));
}

void MivErrorPresenter::presentErrorWithCode(qint64 code, const QString& message)
{
    presentErrorWithCode(code, message, QString());
}

void MivErrorPresenter::showError(qint32 status, const QString& message)
{
    presentError(errorFromStatus(status, message));
}

void MivErrorPresenter::showError(qint32 status)
{
    showError(status, QString());
}

void MivErrorPresenter::presentException(const std::exception& exception)
{
    MIV_LOG_DEBUG(QStringLiteral("PRESENT Exception: %1").arg(exceptionDescription(exception)));
    presentErrorWithCode(kExceptionErrorCode, exceptionReason(exception));
}

void MivErrorPresenter::presentException(const std::exception& exception, const QString& message)
{
    MIV_LOG_DEBUG(QStringLiteral("PRESENT Exception: %1, message: %2").arg(exceptionDescription(exception), message));
    presentErrorWithCode(kExceptionErrorCode, message, exceptionReason(exception));
}
