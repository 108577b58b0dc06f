#include "app/views/MivFinderServices.h"

#include "FileData/IMivUrlFile.h"
#include "FileData/MivFileData.h"
#include "platform/Log.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>

#include <optional>

namespace {

std::optional<QDBusConnection>& chosenConnection()
{
    static std::optional<QDBusConnection> connection;
    return connection;
}

QDBusConnection connection()
{
    if (chosenConnection())
        return *chosenConnection();
    return QDBusConnection::sessionBus();
}

bool isFileUrl(const QUrl& url)
{
    return url.isValid() && url.scheme() == QLatin1String("file");
}

} // namespace

void MivFinderServices::setConnection(const QDBusConnection& bus)
{
    chosenConnection() = bus;
}

void MivFinderServices::resetConnection()
{
    chosenConnection().reset();
}

void MivFinderServices::showFinderInfoFor(const MivFileDataPtr& item)
{
    auto* urlFile = dynamic_cast<IMivUrlFile*>(item.get());
    if (!urlFile)
        return;
    const QUrl url = urlFile->fileURL();
    if (!url.isValid())
        return;
    call("ShowItemProperties", {url});
}

void MivFinderServices::revealDataFileInFinder(const MivFileDataPtr& item)
{
    if (!item || !item->isLocalFile())
        return;
    auto* urlFile = dynamic_cast<IMivUrlFile*>(item.get());
    if (!urlFile)
        return;
    const QUrl url = urlFile->realURL();
    if (!isFileUrl(url))
        return;
    call("ShowItems", {url});
}

bool MivFinderServices::call(const char* method, const QList<QUrl>& urls)
{
    QDBusConnection bus = connection();
    if (!bus.isConnected()) {
        MIV_LOG_INFO(QStringLiteral("No session bus: %1 is not available").arg(QLatin1String(method)));
        return false;
    }
    QStringList uris;
    for (const QUrl& url : urls)
        uris << QString::fromLatin1(url.toEncoded());
    QDBusMessage message = QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                                          QLatin1String(kInterface), QLatin1String(method));
    message << uris << QString();
    // Never waited for: a file manager that takes its time must not stall
    // the window. Failures (no file manager on the bus) are only logged.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message));
    const QString name = QLatin1String(method);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [watcher, name] {
        if (watcher->isError())
            MIV_LOG_INFO(QStringLiteral("%1 failed: %2").arg(name, watcher->error().message()));
        watcher->deleteLater();
    });
    return true;
}
