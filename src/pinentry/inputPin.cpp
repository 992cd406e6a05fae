#include "inputPin.h"

#include "Exception.h"
#include "Launch.h"
#include "PinAnswer.h"
#include "PinRequest.h"
#include "SecureWipe.h"

#include <atomic>
#include <filesystem>
#include <locale>

namespace {

// Exchanges in progress in this process; a second one is refused rather than queued.
std::atomic<int> g_exchanges{0};

class ExchangeGuard {
public:
    ExchangeGuard() {
        if (g_exchanges.fetch_add(1) != 0) {
            g_exchanges.fetch_sub(1);
            throw Exception(-12, "Gui");
        }
    }
    ~ExchangeGuard() { g_exchanges.fetch_sub(1); }
    ExchangeGuard(const ExchangeGuard&) = delete;
    ExchangeGuard& operator=(const ExchangeGuard&) = delete;
};

std::wstring programPath(const std::wstring& folder) {
    std::wstring path = folder;
    const wchar_t separator = std::filesystem::path::preferred_separator;
    if (!path.empty() && path.back() != separator && path.back() != L'/')
        path += separator;
    return path + L"Gui.bin";
}

// Keeps the program where the exchange's owner can end it, until the exchange waits for it.
class Attachment {
public:
    Attachment(PinEntryAbort* abort, process::child& program) : m_abort(abort) {
        if (m_abort)
            m_abort->attach(program);
    }
    ~Attachment() { end(); }
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;
    void end() {
        if (m_abort)
            m_abort->detach();
        m_abort = nullptr;
    }

private:
    PinEntryAbort* m_abort;
};

std::string exchange(const std::wstring& folder, std::int32_t mode, const std::string& text,
                     const std::string& argument, PinEntryAbort* abort) {
    process::context ctx;
    ctx.work_directory = folder;
    ctx.env = process::self::get_environment();
    ctx.stdin_mode = process::Piped;
    ctx.stdout_mode = process::Piped;
    ctx.stderr_mode = process::Closed;

    // The page's PIN follows the request on the program's input; its command line, which every
    // local user can read, only says that it does. Without one the line is "Gui ".
    const std::vector<std::string> arguments = {
        "Gui", argument.empty() ? std::string() : std::string(kPinOnInputArgument)};
    process::child gui = process::launch(programPath(folder), arguments, ctx);
    Attachment attachment(abort, gui);

    process::postream& request = *gui.get_stdin();
    process::pistream& answer = *gui.get_stdout();
    const auto failures = std::ios::failbit | std::ios::badbit | std::ios::eofbit;
    request.exceptions(failures);
    answer.exceptions(failures);
    request.imbue(std::locale::classic());

    request << mode << '\n' << std::flush;
    request << text << '\n' << std::flush;
    if (!argument.empty())
        request << argument << '\n' << std::flush;
    request.close();

    std::string pin = readPinAnswer(answer);
    try {
        answer.close();
        attachment.end();
        gui.wait();
    } catch (...) {
        secureWipe(pin);
        throw;
    }
    return pin;
}

} // namespace

std::string inputPin(const std::wstring& folder, std::int32_t mode, const std::string& text,
                     const std::string& argument, PinEntryAbort* abort) {
    const ExchangeGuard guard;
    try {
        if (abort && abort->aborted())
            throw std::runtime_error("the exchange's owner has gone");
        return exchange(folder, mode, text, argument, abort);
    } catch (const Exception&) {
        throw;
    } catch (...) {
        // The cause (a launch failure, a broken pipe, a malformed answer) stays here.
        throw Exception(-50, "loadGui");
    }
}
