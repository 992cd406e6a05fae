#include "MessageFraming.h"
#include "MemoryStreams.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace FB::NativeMessaging;

namespace {

// Frames read from bytes that are all there, until the input ends.
std::vector<Frame> readAll(const std::string& bytes, std::uint32_t limit = maxMessageToHost) {
    MemoryPipe pipe;
    pipe.add(bytes);
    pipe.close();
    std::vector<Frame> frames;
    for (;;) {
        frames.push_back(readFrame(pipe, limit));
        if (frames.back().kind == Frame::EndOfInput)
            return frames;
    }
}

} // namespace

TEST(MessageFraming, TheLengthIsInNativeByteOrderBeforeTheBody) {
    const std::string framed = frameMessage("{\"a\":1}");
    ASSERT_EQ(framed.size(), 4u + 7u);
    EXPECT_EQ(framed, header(7) + "{\"a\":1}");
    EXPECT_EQ(frameMessage(""), header(0));
}

TEST(MessageFraming, ReadsMessagesOneAfterAnother) {
    const auto frames = readAll(frame("first") + frame("") + frame("third"));
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0].body, "first");
    EXPECT_EQ(frames[1].kind, Frame::Message);
    EXPECT_EQ(frames[1].body, "");
    EXPECT_EQ(frames[2].body, "third");
    EXPECT_EQ(frames[3].kind, Frame::EndOfInput);
}

TEST(MessageFraming, InputThatEndsInsideAFrameEndsTheInput) {
    for (const std::string& cut : {std::string("\x05\x00", 2), header(10) + "short"}) {
        const auto frames = readAll(frame("whole") + cut);
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[0].body, "whole");
        EXPECT_EQ(frames[1].kind, Frame::EndOfInput);
    }
}

TEST(MessageFraming, AMessageOverTheLimitIsSkippedAndTheNextOneRead) {
    const auto frames = readAll(frame(std::string(17, 'x')) + frame("next"), 16);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].kind, Frame::TooLarge);
    EXPECT_EQ(frames[0].length, 17u);
    EXPECT_EQ(frames[1].body, "next");
    // At the limit itself the message is read.
    EXPECT_EQ(readAll(frame(std::string(16, 'y')), 16)[0].kind, Frame::Message);
}

TEST(MessageFraming, NothingOverTheBrowsersLimitIsFramed) {
    EXPECT_NO_THROW(frameMessage(std::string(maxMessageToBrowser, 'x')));
    EXPECT_THROW(frameMessage(std::string(maxMessageToBrowser + 1, 'x')), std::length_error);
}
