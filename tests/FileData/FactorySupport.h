#pragma once

#include "FileData/IMivFileDataGuiHandler.h"
#include "FileData/IMivFileHandlingPlugin.h"
#include "FileData/IMivRootFile.h"
#include "FileData/MivAuthDataObject.h"
#include "FileData/MivErrorPresenter.h"
#include "FileData/MivFileDataHelpers.h"
#include "FileData/MivFileDataManager.h"
#include "FileData/MivRemoteFileData.h"
#include "FileData/Extensions/UrlParameters.h"
#include "ItemTestSupport.h"
#include "platform/Error.h"

#include <QList>

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>

namespace factorytest {

// A back-end as the factory sees it: it takes a log-in when the URL carries
// the right password, asks for credentials (interactive) otherwise, or fails
// with an error when told to.
class FakeBackend : public MivRemoteFileData
{
public:
    using MivRemoteFileData::MivRemoteFileData;

    int connect(bool interactive, plat::Error* error) override
    {
        ++connects;
        if (failWith) {
            plat::Error::assign(error, *failWith);
            return 2;
        }
        if (!passwordRequired || UrlParameters::passwordByReplacingPercentEscapes(fileURL()) == acceptedPassword)
            return 0;
        return interactive ? 1 : 2;
    }
    bool passwordRemeberingSupported() const override { return rememberingSupported; }
    bool createClientRequiredConnection() const override { return clientRequired; }
    // Children are made from the URL, as the back-ends do.
    MivFileDataPtr createChild(const QString& name, bool folder) override
    {
        auto child = createWithURL<FakeBackend>(suburlForPath(name), false);
        child->setFolder(folder);
        child->setParent(selfPtr());
        return child;
    }

    QString acceptedPassword = QStringLiteral("s3cret");
    bool passwordRequired = true;
    bool rememberingSupported = true;
    bool clientRequired = false;
    std::optional<plat::Error> failWith;
    std::atomic<int> connects{0};
};

// The application's credentials dialog: each prompt is recorded and answered
// by the next scripted answer (null answers cancel; none left cancels).
class FakeGuiHandler : public IMivFileDataGuiHandler
{
public:
    struct Prompt
    {
        QString realm;
        QString user;
        QString password;
        bool showUserData = false;
    };
    struct Answer
    {
        QString user;
        QString password;
        bool remember = false;
        bool cancel = false;
    };

    std::shared_ptr<MivServiceData> modifyServiceData(const std::shared_ptr<MivServiceData>&) override { return nullptr; }
    std::shared_ptr<MivAuthDataObject> authenticate(const std::shared_ptr<MivAuthDataObject>& authData, bool showUserData) override
    {
        std::lock_guard lock(mutex);
        prompts.append({authData->realm(), authData->user(), authData->password(), showUserData});
        if (answers.empty())
            return nullptr;
        const Answer answer = answers.front();
        answers.pop_front();
        if (answer.cancel)
            return nullptr;
        authData->setUser(answer.user);
        authData->setPassword(answer.password);
        authData->setRememberPassword(answer.remember);
        return authData;
    }

    std::mutex mutex;
    std::deque<Answer> answers;
    QList<Prompt> prompts;
};

// Claims the keys that begin with its prefix and answers a fake back-end's
// item for them (or null, when told to).
class FakeKeyPlugin : public IMivFileHandlingPlugin
{
public:
    explicit FakeKeyPlugin(QString prefix) : m_prefix(std::move(prefix)) {}

    bool checkInstanceForPath(const QString& key) override
    {
        asked.append(key);
        return key.startsWith(m_prefix);
    }
    MivFileDataPtr instanceForKey(const QString& key, plat::Error* error) override
    {
        plat::Error::assign(error, plat::Error(QStringLiteral("test"), -1, QStringLiteral("not passed on")));
        if (answerNull)
            return nullptr;
        auto item = MivUrlFileData::createWithURL<FakeBackend>(QUrl(key, QUrl::StrictMode), false);
        if (configure)
            configure(*item);
        made.append(item);
        return item;
    }
    MivFileDataPtr openFileData(const MivFileDataPtr&) override { return nullptr; }
    MivFileDataPtr closeFileData(const MivFileDataPtr&, const MivFileDataPtr&) override { return nullptr; }

    QStringList asked;
    QList<std::shared_ptr<FakeBackend>> made;
    bool answerNull = false;
    std::function<void(FakeBackend&)> configure;

private:
    QString m_prefix;
};

// A plain virtual folder standing for a root whose file is another item.
class FakeRootItem : public itemtest::TreeFolder, public IMivRootFile
{
public:
    MivFileDataPtr rootFile() override { return file; }
    MivFileDataPtr file;
};

// The factory plugged into the item bases, a GUI handler, a settings
// provider, recorded presented errors and kept passwords; everything taken
// away after the test.
class FactoryEnvironment
{
public:
    FactoryEnvironment()
    {
        MivFileDataManager::registerHooks();
        MivFileDataHelpers::registerFileDataGuiHandler(gui);
        MivItemHooks::setUpdatePasswordForURL([this](const QUrl& url) {
            std::lock_guard lock(m_mutex);
            m_keptPasswords.append(url);
        });
        MivErrorPresenter::setPresentationHandler([this](const plat::Error& error) {
            std::lock_guard lock(m_mutex);
            m_presented.append(error);
        });
    }
    ~FactoryEnvironment()
    {
        MivErrorPresenter::setPresentationHandler({});
        MivFileDataHelpers::registerFileDataGuiHandler(nullptr);
    }
    FactoryEnvironment(const FactoryEnvironment&) = delete;
    FactoryEnvironment& operator=(const FactoryEnvironment&) = delete;

    QList<QUrl> kept()
    {
        std::lock_guard lock(m_mutex);
        return m_keptPasswords;
    }
    QList<plat::Error> presentedErrors()
    {
        std::lock_guard lock(m_mutex);
        return m_presented;
    }

    itemtest::ScopedHooks hooks;
    mivtest::ScopedPropertiesProvider provider;
    std::shared_ptr<FakeGuiHandler> gui = std::make_shared<FakeGuiHandler>();

private:
    std::mutex m_mutex;
    QList<QUrl> m_keptPasswords;
    QList<plat::Error> m_presented;
};

class FactoryTest : public ::testing::Test, public FactoryEnvironment
{
};

inline QUrl url(const char* text) { return QUrl(QString::fromUtf8(text), QUrl::StrictMode); }

inline QString urlText(const MivFileDataPtr& item)
{
    const auto* urlItem = dynamic_cast<const IMivUrlFile*>(item.get());
    return urlItem ? urlItem->fileURL().toString(QUrl::FullyEncoded) : QString();
}

} // namespace factorytest
