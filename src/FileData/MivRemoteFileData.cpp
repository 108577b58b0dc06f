#include "FileData/MivRemoteFileData.h"

#include "FileData/Extensions/UrlParameters.h"
#include "FileData/MivFileDataHelpers.h"
#include "FileData/MivFileDataOpener.h"
#include "FileData/MivFileUtils.h"
#include "FileData/MivItemHooks.h"
#include "FileData/NetFileData/MivNetworkFileData.h"
#include "FileData/NetFileData/MivServiceData.h"
#include "FileData/RootFileData/MivNetworkRootData.h"
#include "platform/Error.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"

#include <typeinfo>

MivRemoteFileData::MivRemoteFileData(const QUrl& url) : MivUrlFileData(url) {}

MivRemoteFileData::~MivRemoteFileData()
{
    MIV_LOG_VERBOSE(QStringLiteral("Dealloc: %1").arg(description()));
    m_reconnectObservation.reset();
}

QString MivRemoteFileData::remoteType() { return QStringLiteral(""); }

void MivRemoteFileData::didCreateWithURL(bool withRefresh)
{
    MivUrlFileData::didCreateWithURL(withRefresh);
    setFolder(true);
    std::weak_ptr<MivFileData> weakSelf = weak_from_this();
    m_reconnectObservation = plat::NotificationCenter::defaultCenter().observe(
        QString::fromLatin1(ksReconnectedNotification), nullptr, [weakSelf](const plat::Notification& notification) {
            if (const auto self = std::dynamic_pointer_cast<MivRemoteFileData>(weakSelf.lock()))
                self->reconnectNotification(notification);
        });
}

void MivRemoteFileData::pushReconnectNotification()
{
    plat::NotificationCenter::defaultCenter().post(QString::fromLatin1(ksReconnectedNotification),
                                                   static_cast<const void*>(static_cast<const MivRemoteFileData*>(this)));
}

void MivRemoteFileData::reconnectNotification(const plat::Notification& notification)
{
    if (!notification.object || notification.object == static_cast<const void*>(static_cast<const MivRemoteFileData*>(this)))
        return;
    // Only remote items post this notification, with themselves as object,
    // and delivery is synchronous on the posting thread: the sender is alive.
    const auto* sender = static_cast<const MivRemoteFileData*>(notification.object);
    if (!sender->isKindOfClassOf(*this) || !checkSameConnectionAs(*sender))
        return;
    MIV_LOG_DEBUG(QStringLiteral("Reconnected Notification received for object: %1").arg(sender->description()));
    const QString password = UrlParameters::passwordByReplacingPercentEscapes(sender->fileURL());
    setFileURL(UrlParameters::URLByAddingPassword(fileURL(), password));
    setDescriptor(sender->descriptor());
}

bool MivRemoteFileData::checkSameConnectionAs(const MivRemoteFileData&) const { return false; }

bool MivRemoteFileData::isKindOfClassOf(const MivRemoteFileData& item) const { return typeid(item) == typeid(*this); }

void MivRemoteFileData::updateDescriptor(const QVariantMap* descriptor)
{
    if (!descriptor)
        return;
    const auto copy = std::make_shared<MivConnectionDescriptor>(*descriptor);
    setDescriptor(copy);
    if (const auto place = std::dynamic_pointer_cast<MivNetworkFileData>(fileOwner())) {
        if (const auto serviceData = place->serviceData())
            serviceData->setDescriptor(copy);
    }
}

QString MivRemoteFileData::fullSavingKey() const { return fileURL().toString(QUrl::FullyEncoded); }

QString MivRemoteFileData::savingKey() const
{
    return UrlParameters::URLByDeletingPassword(fileURL()).toString(QUrl::FullyEncoded);
}

void MivRemoteFileData::calculateHiddenFlag() { cacheHiddenFlag(name().startsWith(QLatin1Char('.'))); }

QString MivRemoteFileData::displayName() const
{
    // Asked first so that a lazily found name also sets the display name.
    (void)name();
    return MivUrlFileData::displayName();
}

QString MivRemoteFileData::name() const
{
    const QString own = MivUrlFileData::name();
    if (!own.isEmpty())
        return own;
    const MivFileDataPtr owner = fileOwner();
    if (owner && owner != std::static_pointer_cast<MivFileData>(MivNetworkRootData::sharedInstance()))
        return owner->name();
    return own;
}

bool MivRemoteFileData::openRemoteFile(bool interactive)
{
    if (!openRootForOwner(MivNetworkRootData::sharedInstance()))
        return false;
    plat::Error error;
    if (connect(interactive, &error) != 0)
        return false;
    MIV_LOG_INFO(QStringLiteral("Remote file connected: %1 - refreshing ...").arg(description()));
    refresh();
    return true;
}

void MivRemoteFileData::updateParentData(const MivFileDataPtr& parent)
{
    MivUrlFileData::updateParentData(parent);
    if (const auto remoteParent = std::dynamic_pointer_cast<MivRemoteFileData>(parent))
        remoteParent->setDescriptor(descriptor());
}

bool MivRemoteFileData::active() const { return false; }

bool MivRemoteFileData::activate()
{
    if (active())
        return true;
    const MivFileDataPtr top = MivItemHooks::rootData(selfPtr());
    if (const auto place = std::dynamic_pointer_cast<MivNetworkFileData>(top)) {
        MIV_LOG_DEBUG(QStringLiteral("Connect root '%1' on ACTIVATE %2").arg(place->description(), description()));
        place->doOpen();
    } else {
        MIV_LOG_INFO(QStringLiteral("Connect using open remote file: %1").arg(description()));
        openRemoteFile(false);
    }
    return active();
}

void MivRemoteFileData::close() { MIV_LOG_DEBUG(QStringLiteral("Close remote file: %1").arg(description())); }

void MivRemoteFileData::assignFileOwner(const MivFileDataPtr& owner) { writeField(_fileowner, MivFileDataWeakPtr(owner)); }

MivFileDataPtr MivRemoteFileData::fileOwner() const { return readField(_fileowner).lock(); }

bool MivRemoteFileData::openRootForOwner(const MivFileDataPtr& owner)
{
    assignFileOwner(owner);
    return true;
}

int MivRemoteFileData::connect(bool, plat::Error*) { return 0; }
bool MivRemoteFileData::passwordRemeberingSupported() const { return true; }

bool MivRemoteFileData::doOpen()
{
    const MivFileDataPtr self = selfPtr();
    if (!MivFileUtils::isActiveExistDirectory(self)) {
        if (const auto opener = MivFileDataHelpers::fileDataOpener())
            opener->openFile(self, MivFileDataOpener::kOperationOpen);
    }
    return MivUrlFileData::doOpen();
}

bool MivRemoteFileData::isPasswordRequired() const { return true; }
bool MivRemoteFileData::createClientRequiredConnection() const { return false; }
MivConnectionDescriptorPtr MivRemoteFileData::descriptor() const { return readField(_descriptor); }
void MivRemoteFileData::setDescriptor(const MivConnectionDescriptorPtr& descriptor) { writeField(_descriptor, descriptor); }
