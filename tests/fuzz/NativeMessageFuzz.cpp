// What a browser extension sends the native-messaging host: length-prefixed frames of JSON,
// whose values become the plug-in's and go back to the page as JSON.
#include "JsonValue.h"
#include "MemoryStreams.h"
#include "MessageFraming.h"
#include "script_error.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace FB::NativeMessaging;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryPipe in;
    in.add(std::string(data, data + size));
    in.close();
    // A small limit, so that skipping an oversized message is reached too.
    for (;;) {
        const Frame frame = readFrame(in, 4096);
        if (frame.kind == Frame::EndOfInput)
            break;
        if (frame.kind == Frame::TooLarge) {
            if (frame.length <= 4096)
                std::abort();
            continue;
        }
        const Json json = Json::parse(frame.body, nullptr, false);
        if (json.is_discarded())
            continue;
        try {
            const FB::variant value =
                fromJson(json, [](std::int64_t) { return FB::JSObjectPtr(); });
            toJson(value);
        } catch (const FB::script_error&) {
        }
    }
    return 0;
}
