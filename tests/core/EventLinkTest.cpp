#include "core/EventLink.h"
#include "support/TestApplication.h"

#include <QObject>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace tb;

namespace {

TEST(EventLink, EmptiesEverySlotItFilledWhenItGoes)
{
    std::function<void(int)> first, second;
    std::function<void()> untouched = [] {};
    int calls = 0;
    {
        EventLink link;
        link.bind(first, [&](int n) { calls += n; });
        link.bind(second, [&](int n) { calls += 10 * n; });
        first(1);
        second(2);
        EXPECT_EQ(calls, 21);
    }
    EXPECT_FALSE(first);
    EXPECT_FALSE(second);
    EXPECT_TRUE(untouched) << "a slot it did not fill stays as it was";
}

TEST(EventLink, DisconnectsItsConnectionsWhenItGoes)
{
    tb::test::coreApplication();
    QObject sender, receiver;
    int fired = 0;
    auto link = std::make_unique<EventLink>();
    link->connect(&sender, &QObject::objectNameChanged, &receiver, [&] { ++fired; });
    sender.setObjectName("one");
    EXPECT_EQ(fired, 1);
    link.reset();
    sender.setObjectName("two");
    EXPECT_EQ(fired, 1) << "both objects live on, only the link went";
}

TEST(EventLink, ClearUndoesAtOnceAndTheLinkCanBindAgain)
{
    std::function<void()> slot;
    EventLink link;
    link.bind(slot, [] {});
    link.clear();
    EXPECT_FALSE(slot);
    int calls = 0;
    link.bind(slot, [&] { ++calls; });
    slot();
    EXPECT_EQ(calls, 1);
}

} // namespace
