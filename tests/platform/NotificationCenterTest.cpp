#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <thread>
#include <vector>

using plat::Notification;
using plat::NotificationCenter;

namespace {

const QString kChanged = QStringLiteral("MivTestChanged");
const QString kOther = QStringLiteral("MivTestOther");

TEST(NotificationCenterTest, DeliversSynchronouslyOnThePostingThread)
{
    NotificationCenter center;
    std::optional<Notification> received;
    std::thread::id receivedOn;
    const int sender = 0;
    const auto id = center.addObserver(kChanged, nullptr, [&](const Notification& n) {
        received = n;
        receivedOn = std::this_thread::get_id();
    });
    std::thread::id postedOn;
    std::thread([&] {
        postedOn = std::this_thread::get_id();
        center.post(kChanged, &sender, {{QStringLiteral("path"), QStringLiteral("/tmp/a")}});
        // Delivered before post returns.
        EXPECT_TRUE(received.has_value());
    }).join();
    ASSERT_TRUE(received.has_value());
    EXPECT_EQ(receivedOn, postedOn);
    EXPECT_EQ(received->name, kChanged);
    EXPECT_EQ(received->object, &sender);
    EXPECT_EQ(received->userInfo.value(QStringLiteral("path")).toString(), QStringLiteral("/tmp/a"));
    center.removeObserver(id);
    center.removeObserver(id); // a second removal is harmless
}

TEST(NotificationCenterTest, MatchesNameAndSenderInRegistrationOrder)
{
    NotificationCenter center;
    const int a = 0;
    const int b = 0;
    std::vector<QString> calls;
    const auto observer = [&](const QString& label) { return [&, label](const Notification&) { calls.push_back(label); }; };
    center.addObserver(kChanged, &a, observer("changed from a"));
    center.addObserver(QString(), nullptr, observer("anything"));
    center.addObserver(kChanged, nullptr, observer("changed from anyone"));
    center.addObserver(kOther, nullptr, observer("other"));
    center.addObserver(QString(), &b, observer("anything from b"));

    struct Case
    {
        QString name;
        const void* object;
        std::vector<QString> expected;
    };
    const std::vector<Case> cases{
        {kChanged, &a, {"changed from a", "anything", "changed from anyone"}},
        {kChanged, &b, {"anything", "changed from anyone", "anything from b"}},
        {kChanged, nullptr, {"anything", "changed from anyone"}},
        {kOther, &a, {"anything", "other"}},
        {QStringLiteral("MivTestUnknown"), nullptr, {"anything"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        calls.clear();
        center.post(c.name, c.object);
        EXPECT_EQ(calls, c.expected);
    }
}

TEST(NotificationCenterTest, ObserversMayAddAndRemoveObserversDuringDelivery)
{
    NotificationCenter center;
    std::vector<QString> calls;
    NotificationCenter::ObserverId second = 0;
    NotificationCenter::ObserverId self = 0;
    bool added = false;

    center.addObserver(kChanged, nullptr, [&](const Notification&) {
        calls.push_back("first");
        center.removeObserver(second);
        if (!added) {
            added = true;
            center.addObserver(kChanged, nullptr, [&](const Notification&) { calls.push_back("added"); });
        }
    });
    second = center.addObserver(kChanged, nullptr, [&](const Notification&) { calls.push_back("second"); });
    auto state = std::make_shared<QString>(QStringLiteral("once"));
    self = center.addObserver(kChanged, nullptr, [&, state](const Notification&) {
        center.removeObserver(self);
        // The callback and what it holds stay alive until it returns.
        calls.push_back(*state);
    });
    state.reset();

    center.post(kChanged);
    EXPECT_EQ(calls, (std::vector<QString>{"first", "once"}));
    calls.clear();
    center.post(kChanged);
    EXPECT_EQ(calls, (std::vector<QString>{"first", "added"}));
}

TEST(NotificationCenterTest, AnObserverRemovedByAnotherThreadIsNotCalledAfterwards)
{
    NotificationCenter center;
    std::atomic<int> calls{0};
    std::atomic<bool> posting{true};
    const auto id = center.addObserver(kChanged, nullptr, [&](const Notification&) { ++calls; });
    std::thread poster([&] {
        while (posting)
            center.post(kChanged);
    });
    while (calls < 100)
        std::this_thread::yield();
    center.removeObserver(id);
    const int atRemoval = calls;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    posting = false;
    poster.join();
    // At most the call that had already started when removal returned.
    EXPECT_LE(calls.load(), atRemoval + 1);
}

TEST(NotificationCenterTest, TokensRemoveTheirObserver)
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    EXPECT_EQ(&center, &NotificationCenter::defaultCenter());
    int calls = 0;
    {
        plat::NotificationToken token = center.observe(kChanged, nullptr, [&](const Notification&) { ++calls; });
        EXPECT_TRUE(token.isActive());
        plat::NotificationToken moved = std::move(token);
        EXPECT_FALSE(token.isActive());
        center.post(kChanged);
        EXPECT_EQ(calls, 1);
    }
    center.post(kChanged);
    EXPECT_EQ(calls, 1);

    // A token may outlive its centre.
    plat::NotificationToken survivor;
    {
        NotificationCenter shortLived;
        survivor = shortLived.observe(kChanged, nullptr, [](const Notification&) {});
    }
    survivor.reset();
    EXPECT_FALSE(survivor.isActive());
}

} // namespace
