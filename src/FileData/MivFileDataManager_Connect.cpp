#include "FileData/MivFileDataManager.h"

#include "FileData/Extensions/UrlParameters.h"
#include "FileData/IMivFileDataGuiHandler.h"
#include "FileData/MivAuthDataObject.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileDataHelpers.h"
#include "FileData/MivItemHooks.h"
#include "FileData/MivRemoteFileData.h"
#include "platform/Error.h"
#include "platform/Log.h"

namespace {

// The record the credentials dialog starts from. The realm is the server's
// address without user and password: it is shown to the user and may be
// logged, so the password must never reach it.
MivAuthDataObjectPtr authDataForURL(const QUrl& url)
{
    auto authData = std::make_shared<MivAuthDataObject>();
    authData->setRealm(UrlParameters::URLByDeletingUserAndPassword(url).toString(QUrl::FullyEncoded));
    authData->setUser(UrlParameters::safeUnescape(url.userName(QUrl::FullyEncoded)));
    authData->setPassword(UrlParameters::passwordByReplacingPercentEscapes(url));
    return authData;
}

// The item's URL with the credentials the user gave; invalid when none can
// be built from them.
QUrl urlWithCredentials(const QUrl& url, const MivAuthDataObject& answer)
{
    const int port = url.port();
    return UrlParameters::URLWithScheme(url.scheme(), answer.user(), answer.password(), url.host(QUrl::FullyDecoded),
                                        port > 0 ? static_cast<quint16>(port) : 0,
                                        UrlParameters::pathByReplacingPercentEscapes(url),
                                        UrlParameters::queryByReplacingPercentEscapes(url));
}

void presentIfAny(const plat::Error& error)
{
    if (!error.isNull())
        MivErrorPresenter::presentError(error);
}

} // namespace

int MivFileDataManager::connectRemoteFile(const MivFileDataPtr& item)
{
    const auto remote = std::dynamic_pointer_cast<MivRemoteFileData>(item);
    if (!remote)
        return kConnectFailed;

    plat::Error error;
    const int status = remote->connect(true, &error);
    if (status == kConnectFailed)
        presentIfAny(error);
    if (status != kCredentialsAsked)
        return status;

    // Asks until the back-end takes the credentials, refuses them for good
    // or the user cancels. A loop, not a renewed call of this operation, so a
    // back-end that keeps asking cannot exhaust the stack.
    for (bool asked = false;; asked = true) {
        const auto handler = MivFileDataHelpers::fileDataGuiHandler();
        const auto answer = handler ? handler->authenticate(authDataForURL(remote->fileURL()), true) : nullptr;
        if (!answer)
            return asked ? kCredentialsAsked : kConnectFailed;

        const QUrl renewed = urlWithCredentials(remote->fileURL(), *answer);
        if (!renewed.isValid()) {
            MIV_LOG_WARN(QStringLiteral("No URL for the credentials given for %1").arg(remote->description()));
            return asked ? kCredentialsAsked : kConnectFailed;
        }
        remote->setFileURL(renewed);

        plat::Error renewedError;
        const int renewedStatus = remote->connect(true, &renewedError);
        if (renewedStatus == kCredentialsAsked)
            continue;
        if (renewedStatus == kConnectFailed)
            presentIfAny(renewedError);
        else if (renewedStatus == kConnected && answer->rememberPassword() && remote->passwordRemeberingSupported()
                 && !UrlParameters::passwordByReplacingPercentEscapes(remote->fileURL()).isEmpty())
            MivItemHooks::updatePasswordForURL(remote->fileURL());
        return kCredentialsAsked;
    }
}
