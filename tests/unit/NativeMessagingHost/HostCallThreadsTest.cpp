// The host runs every call off its main loop: one element's PIN dialog holds up neither the
// element's going nor another element's calls, and the threads it starts for calls are bounded
// over the whole process. The real program, with the software token and the scripted PIN-entry
// program beside it.
#include "HostProgram.h"
#include "JoiningThread.h"
#include "NativeHost.h"
#include "TestEnv.h"
#include "TokenConfig.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <set>
#include <string>
#include <thread>

using FB::NativeMessaging::Json;
using FB::NativeMessaging::NativeHost;

namespace {

// The script of a dialog that records its process id and waits for the file "go".
const char* const waitingDialog = "read\npid\ntouch asked\nawait go\nline 0\nline 1234\n";

Json destroy(const std::string& instance) {
    return Json{{"type", "destroy"}, {"instance", instance}};
}

unsigned long dialogPid(const GuiFolder& folder) {
    for (const std::string& line : folder.record())
        if (line.rfind("pid ", 0) == 0)
            return std::stoul(line.substr(4));
    return 0;
}

Json callbacks(int first) {
    return Json::array({{{"$fn", first}}, {{"$fn", first + 1}}});
}

} // namespace

// The user closes the tab while the dialog of a direct call is open: the dialog ends at once,
// as a callback call's does, instead of when the user would have answered it.
TEST(HostCallThreads, AnElementGoingEndsTheDialogOfItsDirectCall) {
    HostProgram host(pinSlot());
    host.folder().setScript(waitingDialog);
    host.send(call(1, "kvwUserLoginDlg", Json::array()));
    ASSERT_TRUE(host.folder().waitFor("asked"));
    const unsigned long pid = dialogPid(host.folder());
    ASSERT_NE(pid, 0u);

    const auto gone = std::chrono::steady_clock::now();
    host.send(destroy("tab1/p1").dump());
    // Generous, yet a dialog left waiting for the user never ends.
    const bool ended = processEnds(pid, 20);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - gone);
    EXPECT_TRUE(ended) << "the dialog still runs 20 s after its element went";
    std::printf("the dialog ended %lld ms after its element went\n",
                static_cast<long long>(took.count()));
    if (!ended)
        host.folder().touch("go");

    // The call is answered with the PIN entry's failure, and the host serves on.
    const Json answer = host.result();
    EXPECT_EQ(answer["id"], 1);
    EXPECT_NE(answer["value"], true);
    host.send(call(2, "get_version", Json::array(), "tab2/p1"));
    EXPECT_EQ(host.result()["value"], "1.5.0.0");
    EXPECT_EQ(host.finish(), 0);
}

// While one site's dialog waits for the user, another site's direct call is answered.
TEST(HostCallThreads, AnotherElementIsServedWhileADialogWaits) {
    HostProgram host(pinSlot());
    host.folder().setScript(waitingDialog);
    std::promise<void> checked;
    std::future<void> check = checked.get_future();
    // The user answers once the other site was served, or after 20 s should the host make it
    // wait for the dialog.
    JoiningThread user(
        [&] {
            check.wait_for(std::chrono::seconds(20));
            host.folder().touch("go");
        },
        [&] { checked.set_value(); });
    host.send(call(1, "kvwUserLoginDlg", Json::array()));
    ASSERT_TRUE(host.folder().waitFor("asked"));

    host.send(call(2, "kvwGetDeviceID", Json::array(), "tab2/p1", "https://b.test"));
    EXPECT_EQ(host.result(), Json::parse(R"({"type":"result","id":2,"value":"0123456789AB"})"));
    checked.set_value();
    user.join();
    EXPECT_EQ(host.result(), Json::parse(R"({"type":"result","id":1,"value":true})"));
    EXPECT_EQ(host.finish(), 0);
}

// A page starts callback calls without end while a dialog holds the token: past the host's
// bound a callback call answers -13 and a direct call is refused as busy, with nothing started;
// once the dialog is answered every call that started ends and the host serves again.
TEST(HostCallThreads, CallsPastTheProcesssBoundAreRefusedAndServingGoesOn) {
    HostProgram host(pinSlot());
    host.folder().setScript(waitingDialog);
    JoiningThread user([] {}, [&] { host.folder().touch("go"); });
    host.send(call(1, "kvwUserLoginDlg", Json::array()));
    ASSERT_TRUE(host.folder().waitFor("asked"));

    // Another element's: each waits for the token on a worker of its own.
    const int bound = static_cast<int>(NativeHost::kBusyThreads);
    int started = 0;
    Json refused;
    for (int id = 2; id < 2 + bound && refused.is_null(); ++id) {
        host.send(call(id, "kvwGetNumberOfContainers", callbacks(2 * id), "tab2/p1"));
        const Json answer = host.result();
        if (answer["value"] == 0)
            ++started;
        else
            refused = answer;
    }
    EXPECT_EQ(refused["value"], -13);
    // The dialog's call and the element's own worker hold places too.
    EXPECT_GE(started, bound - 4);

    // Direct calls of other elements take the places left, then are refused.
    std::set<int> directs;
    for (int id = 200; id < 204; ++id) {
        host.send(call(id, "kvwGetNumberOfContainers", Json::array(),
                       "tab" + std::to_string(id) + "/p1", "https://b.test"));
        directs.insert(id);
    }
    const Json busy = host.result();
    EXPECT_EQ(busy["kind"], "busy");
    directs.erase(busy["id"].get<int>());

    host.folder().touch("go");
    int calledBack = 0;
    bool loggedIn = false;
    while (!(loggedIn && calledBack == started && directs.empty())) {
        const Json message = host.receive();
        ASSERT_FALSE(message.is_null()) << "the host ended";
        if (message["type"] == "callback")
            ++calledBack;
        else if (message["type"] == "result" && message["id"] == 1)
            loggedIn = message["value"] == true;
        else if (message["type"] != "release")
            directs.erase(message["id"].get<int>());
    }

    // The workers give their places back just after their answers.
    Json served;
    for (int attempt = 0; attempt < 1000 && served["type"] != "result"; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        host.send(call(300 + attempt, "kvwGetNumberOfContainers", callbacks(1000 + 2 * attempt),
                       "tab2/p1"));
        served = host.result();
    }
    EXPECT_EQ(served["value"], 0);
    EXPECT_EQ(host.finish(), 0);
}
