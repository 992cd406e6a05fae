// The host is the plug-in's process for today's browsers: a PIN that crossed it leaves no copy
// in its memory, read from this process as a parent may read its child's.
#include "HostProgram.h"
#include "MemoryScan.h"
#include "TokenConfig.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using FB::NativeMessaging::Json;

namespace {

// The PIN, as a page's argument in a frame or typed into the PIN-entry program, is one the
// token refuses (the token keeps its right one in memory, as a chip does); one short enough to
// live inside string objects, and one that lives on the heap.
class HostPinHygiene : public ::testing::TestWithParam<std::size_t> {};

TEST_P(HostPinHygiene, NoCopyOfAPinRemainsInItsMemory) {
    HostProgram host(pinSlot() + "pin-tries = 100\n");
    const std::string pin = memscan::distinctivePin(GetParam());
    const std::vector<memscan::Needle> what = memscan::needles(pin);
    const auto expectNoCopy = [&](const char* after) {
        // A direct call's worker wipes what the call held before its answer goes; the element
        // goes, and the next call, of an element made afresh, is answered.
        host.send(Json{{"type", "destroy"}, {"instance", "tab1/p1"}}.dump());
        host.send(call(100, "get_version", Json::array()));
        ASSERT_EQ(host.result()["value"], "1.5.0.0");
        for (const std::string& hit : memscan::scanMemory(host.pid(), what))
            ADD_FAILURE() << "the PIN in the host's memory after " << after << ": " << hit;
    };

    // While a call waits on the dialog the host holds the PIN: the search finds it there.
    host.folder().setScript("read\ntouch asked\nawait go\nline 0\nline " + pin + "\n");
    host.send(call(1, "kvwUserLoginDlg", Json::array({pin})));
    ASSERT_TRUE(host.folder().waitFor("asked"));
    EXPECT_FALSE(memscan::scanMemory(host.pid(), what).empty());
    host.folder().touch("go");
    EXPECT_EQ(host.result()["value"], -4);
    expectNoCopy("a login with the PIN as its argument");

    // The stand-in for the PIN-entry program answers with the PIN, given or typed.
    host.folder().setScript(pinAnswer(pin));

    host.send(call(2, "kvwUserLoginDlg", Json::array({pin, {{"$fn", 1}}, {{"$fn", 2}}})));
    EXPECT_EQ(host.result()["value"], 0);
    // The worker lets go of the page's functions only once it has wiped what it held.
    Json called;
    std::set<Json> released;
    while (released.size() < 2) {
        const Json message = host.receive();
        ASSERT_FALSE(message.is_null()) << "the host ended";
        if (message["type"] == "callback")
            called = message["function"];
        else if (message["type"] == "release")
            released.insert(message["function"]);
    }
    EXPECT_EQ(called, 2);
    expectNoCopy("a login with callbacks");

    host.send(call(3, "kvwUserLoginDlg", Json::array()));
    EXPECT_EQ(host.result()["value"], -4);
    expectNoCopy("a login with the PIN typed into the dialog");

    EXPECT_EQ(host.finish(), 0);
}

INSTANTIATE_TEST_SUITE_P(Lengths, HostPinHygiene, ::testing::Values(12, 32));

} // namespace
