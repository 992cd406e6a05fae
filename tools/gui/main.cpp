// Gui.bin: asks the user for the token's PIN on behalf of the plug-in. The plug-in writes two
// lines (what the PIN is for, and the text to show), then the page's PIN when it gave one, and
// reads back a status line and, when the status is 0, the PIN line. See README.md.
#include "Answer.h"
#include "Messages.h"
#include "PinDialog.h"
#include "PinRequest.h"
#include "Prompt.h"
#include "Startup.h"

#include "SecureWipe.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

namespace {

// A request is two short lines; anything past this is not one.
constexpr std::size_t maxRequest = 64 * 1024;

struct Request {
    std::int32_t mode = 0;
    std::string text;
    std::string pin; // the page's, when it gave one
    ~Request() { secureWipe(pin); }
};

// The mode line, then the text up to the last line feed (so a text may itself hold lines).
// With pinFollows the text is the second line only and the PIN is everything after it up to
// the last line feed, so that a PIN holding a line feed arrives as it is and is refused.
bool readRequest(Request& request, bool pinFollows) {
    std::string input;
    struct WipeInput {
        std::string& input;
        ~WipeInput() { secureWipe(input); }
    } wipeInput{input};
    input.reserve(maxRequest + 1);
    int c;
    while (input.size() <= maxRequest && (c = std::getchar()) != EOF)
        input += static_cast<char>(c);
    const std::size_t modeEnd = input.find('\n');
    if (modeEnd == std::string::npos || input.size() > maxRequest || input.back() != '\n')
        return false;
    std::string mode = input.substr(0, modeEnd);
    if (!mode.empty() && mode.back() == '\r')
        mode.pop_back();
    const auto [end, error] = std::from_chars(mode.data(), mode.data() + mode.size(), request.mode);
    if (error != std::errc() || end != mode.data() + mode.size() || mode.empty())
        return false;
    input.pop_back();
    std::size_t textEnd = input.size();
    if (pinFollows) {
        textEnd = input.find('\n', modeEnd + 1);
        if (textEnd == std::string::npos)
            return false;
        request.pin.assign(input, textEnd + 1, std::string::npos);
    }
    request.text = modeEnd < textEnd ? input.substr(modeEnd + 1, textEnd - modeEnd - 1) : "";
    if (!request.text.empty() && request.text.back() == '\r')
        request.text.pop_back();
    return true;
}

void answer(std::int32_t status, const std::string& pin) {
    std::printf("%d\n", static_cast<int>(status));
    if (status == 0) {
        std::fwrite(pin.data(), 1, pin.size(), stdout);
        std::fputc('\n', stdout);
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    becomeDialogHelperWhenAsked(argc, argv);
    binaryStandardStreams();
    // The page's PIN may come on standard input: read unbuffered, so only our wiped copies hold it.
    std::setvbuf(stdin, nullptr, _IONBF, 0);
    chooseLanguage();
    // Nothing else on the command line counts: a PIN there would be readable by every user.
    const bool pinFollows = argc > 1 && std::strcmp(argv[1], kPinOnInputArgument) == 0;
    std::string pin;
    std::int32_t status = statusFailed;
    try {
        Request request;
        if (readRequest(request, pinFollows)) {
            pin.swap(request.pin);
            if (!pin.empty() || askPin(promptText(request.mode, request.text), pin))
                status = 0;
            else
                status = statusCancelled;
        }
    } catch (const std::exception& e) {
        // Why there was no dialog, for whoever reads this program's errors.
        std::fprintf(stderr, "Gui.bin: %s\n", e.what());
        status = statusFailed;
    }
    // The PIN travels as one line: one that holds a line feed cannot be sent.
    if (status == 0 && pin.find('\n') != std::string::npos)
        status = statusFailed;
    answer(status, pin);
    secureWipe(pin);
    return status == 0 ? 0 : 1;
}
