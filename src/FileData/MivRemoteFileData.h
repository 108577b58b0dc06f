#pragma once

#include "FileData/IMivRemoteFile.h"
#include "FileData/MivConnectionDescriptor.h"
#include "FileData/MivUrlFileData.h"
#include "platform/Notification.h"
#include "platform/NotificationToken.h"

// Error domain of the FTP, SFTP and WebDAV back-ends.
inline constexpr const char* MivRemoteFileErrorDomain = "com.quorvex.MivRemoteFileErrorDomain";
// Posted with the remote item that has just connected anew as its object;
// no user information.
inline constexpr const char* ksReconnectedNotification = "ReconnectedNotification";

// A URL item on a server: it keeps the connection descriptor, connects
// through its back-end, takes over a new password when another item of the
// same connection reconnects, and knows the item that owns its connection.
//
// Made with createWithURL<T>(url, withRefresh): the second phase makes the
// item a folder and starts observing reconnections (which needs the item's
// shared pointer).
class MivRemoteFileData : public MivUrlFileData, public virtual IMivRemoteFile
{
public:
    explicit MivRemoteFileData(const QUrl& url);
    ~MivRemoteFileData() override;

    // The back-end's remote type; each back-end answers its own.
    static QString remoteType();

    // Posts ksReconnectedNotification with this item (the back-ends do after
    // they connected anew). The notification's object is this item seen as a
    // MivRemoteFileData; observers may use it during the synchronous delivery.
    void pushReconnectNotification();
    void reconnectNotification(const plat::Notification& notification);
    // Both items use the very same connection of their back-end. NO here.
    virtual bool checkSameConnectionAs(const MivRemoteFileData& other) const;
    // Whether the item is of this item's class or of a subclass of it (the
    // items a reconnection of this one concerns). Here: of exactly the same
    // class; a back-end whose subclasses share its connections widens it.
    virtual bool isKindOfClassOf(const MivRemoteFileData& item) const;
    // Null changes nothing; else a copy becomes the descriptor, and a network
    // place that owns the connection gets the same descriptor object.
    void updateDescriptor(const QVariantMap* descriptor);
    QString fullSavingKey() const override;
    QString savingKey() const override;
    void calculateHiddenFlag() override;
    QString displayName() const override;
    QString name() const override;
    // Connects under the network root; YES when connected (and refreshed).
    bool openRemoteFile(bool interactive);
    void updateParentData(const MivFileDataPtr& parent) override;
    // Whether the connection is up; the back-ends answer. NO here.
    virtual bool active() const;
    bool activate() override;
    void close() override;
    void assignFileOwner(const MivFileDataPtr& owner);
    MivFileDataPtr fileOwner() const;
    virtual bool openRootForOwner(const MivFileDataPtr& owner);
    // Connection status: 0 connected, 1 credentials needed (only when
    // interactive), 2 failed. 0 here.
    virtual int connect(bool interactive, plat::Error* error);
    virtual bool passwordRemeberingSupported() const;
    bool doOpen() override;
    virtual bool isPasswordRequired() const;
    // Restoring a saved tab connects this kind at once. NO here.
    virtual bool createClientRequiredConnection() const;
    MivConnectionDescriptorPtr descriptor() const;
    void setDescriptor(const MivConnectionDescriptorPtr& descriptor);

protected:
    void didCreateWithURL(bool withRefresh) override;

private:
    MivFileDataWeakPtr _fileowner;
    MivConnectionDescriptorPtr _descriptor;
    plat::NotificationToken m_reconnectObservation;
};
