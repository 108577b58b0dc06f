#pragma once

#include "platform/Error.h"

#include <QString>

#include <exception>
#include <functional>

// Domain of every error the program itself raises (a literal, so static
// initialisers elsewhere may use it).
inline constexpr const char* MivFileOperationErrorDomain = "com.quorvex.MivFileOperationErrorDomain";

// The single way the program shows an error to the user, and the factory of
// the errors of its own domain. A null QString stands for "no message".
class MivErrorPresenter
{
public:
    // Shows an error to the user and returns once it has been dismissed.
    // Runs on the main thread. The application installs its alert here.
    using PresentationHandler = std::function<void(const plat::Error&)>;

    MivErrorPresenter() = delete;

    static void setPresentationHandler(PresentationHandler handler);

    // Building errors (any thread).
    static plat::Error makeFileOperationErrorWithCode(qint64 code, const QString& message, const QString& inform);
    static plat::Error makeFileOperationErrorWithCode(qint64 code, const QString& message);
    static plat::Error makeErrorWithException(const std::exception& exception);
    static plat::Error errorFromStatus(qint32 status, const QString& message);
    static QString NSErrorString(qint32 status);
    static QString NSErrorSecString(qint32 status);
    static plat::Error underlyingError(const plat::Error& error);

    // Presenting errors. The synchronous forms wait, off the main thread,
    // until the user has dismissed the alert. A null error is ignored.
    static void presentError(const plat::Error& error);
    static void presentError(const plat::Error& error, bool processUnderlying);
    static void presentAsyncError(const plat::Error& error, bool processUnderlying);
    static void doPresentError(const plat::Error& error, bool processUnderlying);
    static void presentErrorWithCode(qint64 code, const QString& message, const QString& inform);
    static void presentErrorWithCode(qint64 code, const QString& message);
    static void showError(qint32 status, const QString& message);
    static void showError(qint32 status);
    static void presentException(const std::exception& exception);
    static void presentException(const std::exception& exception, const QString& message);
};
