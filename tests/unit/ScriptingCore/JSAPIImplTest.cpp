#include "FakeObjects.h"

#include "JoiningThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

std::shared_ptr<FakePageObject> handler() {
    return std::make_shared<FakePageObject>();
}

} // namespace

TEST(JSAPIBase, EventOperationsAreNotImplemented) {
    FakePluginObject object;
    try {
        object.RegisterEventMethod("load", handler());
        FAIL() << "no exception";
    } catch (const FB::script_error& e) {
        EXPECT_STREQ(e.what(), "Not implemented");
    }
    EXPECT_THROW(object.UnregisterEventMethod(L"load", handler()), FB::script_error);
    EXPECT_THROW(object.RegisterEventInterface(handler()), FB::script_error);
    EXPECT_THROW(object.UnregisterEventInterface(handler()), FB::script_error);
}

TEST(JSAPIImplZones, PushedLevelIsCurrentUntilPopped) {
    FakeImplObject object;
    EXPECT_EQ(object.GetZone(), 0);
    object.PushZone(3);
    object.PushZone(5);
    EXPECT_EQ(object.GetZone(), 5);
    EXPECT_EQ(object.GetDefaultZone(), 0);
    object.PopZone();
    EXPECT_EQ(object.GetZone(), 3);
    object.PopZone();
    EXPECT_EQ(object.GetZone(), 0);

    // An unmatched pop leaves the default level in place.
    object.PopZone();
    object.SetDefaultZone(2);
    EXPECT_EQ(object.GetDefaultZone(), 2);
    EXPECT_EQ(object.GetZone(), 2);
}

TEST(JSAPIImplZones, ZoneBracketKeepsOtherThreadsOut) {
    FakeImplObject object;
    object.PushZone(5);
    std::atomic<bool> started{false};
    std::atomic<bool> finished{false};
    FB::AccessZone seen = -1;
    JoiningThread other(
        [&] {
            started = true;
            seen = object.GetZone();
            finished = true;
        },
        [&] { object.PopZone(); });
    while (!started)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(finished);
    object.PopZone();
    other.join();
    EXPECT_EQ(seen, 0) << "the other thread saw the bracketed level";
}

TEST(JSAPIImplEvents, HandlersAreCalledAsynchronouslyOncePerIdentity) {
    FakeImplObject object;
    const auto first = handler();
    const auto twin = handler();
    twin->eventId = first.get();
    const auto other = handler();
    object.RegisterEventMethod("load", first);
    object.RegisterEventMethod("load", twin);
    object.RegisterEventMethod(L"unload", other);

    object.FireEvent("load", {FB::variant(7)});
    ASSERT_EQ(first->asyncCalls.size(), 1U);
    EXPECT_EQ(first->asyncCalls[0].first, "");
    EXPECT_EQ(first->asyncCalls[0].second.at(0).convert_to<int>(), 7);
    EXPECT_TRUE(twin->asyncCalls.empty());
    EXPECT_TRUE(other->asyncCalls.empty());

    object.UnregisterEventMethod("load", first);
    object.FireEvent(L"load", {});
    EXPECT_EQ(first->asyncCalls.size(), 1U);
}

TEST(JSAPIImplEvents, InvalidHandlersAreSkippedAndNullRefused) {
    FakeImplObject object;
    const auto gone = handler();
    gone->valid = false;
    object.RegisterEventMethod("load", gone);
    object.FireEvent("load", {});
    EXPECT_TRUE(gone->asyncCalls.empty());
    EXPECT_THROW(object.RegisterEventMethod("load", nullptr), FB::invalid_arguments);
}

TEST(JSAPIImplEvents, BatchingHandlerReceivesItsWholeContext) {
    FakeImplObject object;
    const auto a = handler();
    const auto b = handler();
    a->optimized = true;
    a->eventContext = b->eventContext = &object;
    object.RegisterEventMethod("load", a);
    object.RegisterEventMethod("load", b);
    object.FireEvent("load", {});
    EXPECT_EQ(a->batchSizes, std::vector<std::size_t>{2});
    EXPECT_TRUE(a->asyncCalls.empty());
    EXPECT_TRUE(b->asyncCalls.empty());
}

TEST(JSAPIImplEvents, JSEventPassesMembersFirst) {
    FakeImplObject object;
    const auto h = handler();
    object.RegisterEventMethod("change", h);
    object.FireJSEvent("change", FB::VariantMap{{"detail", 1}}, {FB::variant("x")});
    object.FireJSEvent("change", FB::VariantList{});
    ASSERT_EQ(h->asyncCalls.size(), 2U);
    const FB::VariantList& args = h->asyncCalls[0].second;
    ASSERT_EQ(args.size(), 2U);
    EXPECT_EQ(args[0].convert_to<FB::VariantMap>().at("detail").convert_to<int>(), 1);
    EXPECT_EQ(args[1].convert_to<std::string>(), "x");
    EXPECT_TRUE(h->asyncCalls[1].second.at(0).convert_to<FB::VariantMap>().empty());
}

TEST(JSAPIImplEvents, ProxiesReceiveEventsWhileTheyLive) {
    FakeImplObject source;
    auto proxy = std::make_shared<FakeImplObject>();
    const auto h = handler();
    proxy->RegisterEventMethod("load", h);
    source.RegisterProxy(proxy);
    source.RegisterProxy(proxy);
    source.FireEvent("load", {});
    EXPECT_EQ(h->asyncCalls.size(), 1U);

    source.UnregisterProxy(proxy);
    source.FireEvent("load", {});
    EXPECT_EQ(h->asyncCalls.size(), 1U);

    source.RegisterProxy(proxy);
    proxy.reset();
    source.FireEvent("load", {});
    EXPECT_EQ(h->asyncCalls.size(), 1U);
}

TEST(JSAPIImpl, InvalidateIsPermanent) {
    FakeImplObject object;
    EXPECT_TRUE(object.IsValid());
    object.Invalidate();
    EXPECT_FALSE(object.IsValid());
}
