#pragma once

#include "MessageFraming.h"

#include <memory>

namespace FB::NativeMessaging {

// The program's standard input and output as the browser's channel, in binary mode. Standard
// output is taken for the channel alone: afterwards anything else written to it goes to
// standard error, so no stray line can break a frame, and child programs do not inherit it.
struct StdStreams {
    std::shared_ptr<ByteSource> input;
    std::shared_ptr<ByteSink> output;
};
StdStreams takeStdStreams();

} // namespace FB::NativeMessaging
