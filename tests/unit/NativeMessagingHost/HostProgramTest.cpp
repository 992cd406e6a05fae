// The real kestrova-host program driven over its standard streams, as a browser drives it: a
// scripted exchange of frames with the token module and the scripted PIN-entry program beside
// it. Under Wine this is the Windows program with its binary streams.
#include "HostProgram.h"
#include "MemoryStreams.h"

#include <gtest/gtest.h>

#include <string>

using FB::NativeMessaging::Json;

TEST(HostProgram, ServesCallsAndCallbacksUntilItsInputEnds) {
    HostProgram host;
    host.send(call(1, "get_version", Json::array()));
    EXPECT_EQ(host.receive(), Json::parse(R"({"type":"result","id":1,"value":"1.5.0.0"})"));

    host.send("{not json");
    EXPECT_EQ(host.receive()["kind"], "protocol");

    // The software signature on a worker thread, its result through the success callback.
    const std::string hash(64, 'A');
    host.send(call(2, "kvwRepair",
                   Json::array({"PLOKIJUHYGTFRDES0123456789PLOKIJPLOKIJUHYGTFRDES0123456789PLOKIJ",
                                hash,
                                {{"$fn", 7}},
                                {{"$fn", 8}}})));
    EXPECT_EQ(host.receive(), Json::parse(R"({"type":"result","id":2,"value":0})"));
    // The worker lets go of the unused error callback whenever it ends, maybe before the main
    // thread sends the success callback.
    Json callback = host.receive();
    if (callback["type"] == "release") {
        EXPECT_EQ(callback["function"], 8);
        callback = host.receive();
    }
    EXPECT_EQ(callback["type"], "callback");
    EXPECT_EQ(callback["function"], 7);
    EXPECT_EQ(callback["args"][0].get<std::string>().size(), 128u);

    EXPECT_EQ(host.finish(), 0);
}

TEST(HostProgram, FramesWhoseBytesLookLikeLineEndsArriveWhole) {
    HostProgram host;
    // A frame of 0x1A0D bytes, CR and Ctrl-Z in its header and in its body: in text mode the
    // streams would turn CR LF into LF and stop at Ctrl-Z. Raw control characters are not
    // JSON, so the host refuses the message; what matters is that it reads the next one from
    // the right place.
    const std::size_t length = 0x1A0D;
    host.sendRaw(frame("\r\n" + std::string(length / 2 - 1, '\x1a') +
                       std::string(length - length / 2 - 1, '\r')));
    const Json refused = host.receive();
    EXPECT_EQ(refused["type"], "error");
    EXPECT_EQ(refused["kind"], "protocol");
    host.send(call(2, "kvwIsUserLoggedIn", Json::array()));
    EXPECT_EQ(host.receive(), Json::parse(R"({"type":"result","id":2,"value":-2})"));
    EXPECT_EQ(host.finish(), 0);
}
