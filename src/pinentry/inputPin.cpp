#include "inputPin.h"

#include "Exception.h"
#include "Launch.h"
#include "LineReader.h"
#include "SecureWipe.h"

#include <atomic>
#include <filesystem>
#include <limits>
#include <locale>
#include <stdexcept>

namespace {

// Exchanges in progress in this process; a second one is refused rather than queued.
std::atomic<int> g_exchanges{0};

// No answer line of a sane program comes near this; a program writing without end fails the
// exchange instead of making the plug-in read without bound.
constexpr std::size_t maxLineLength = 64 * 1024;

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

// The whole line must be an optional sign and decimal digits within 32 bits.
std::int32_t parseStatus(const std::string& line) {
    std::size_t i = line.empty() || (line[0] != '+' && line[0] != '-') ? 0 : 1;
    const bool negative = i == 1 && line[0] == '-';
    if (i == line.size())
        throw std::invalid_argument("status is not a number");
    std::int64_t value = 0;
    for (; i < line.size(); ++i) {
        if (line[i] < '0' || line[i] > '9')
            throw std::invalid_argument("status is not a number");
        value = value * 10 + (line[i] - '0');
        if (value > std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1)
            throw std::out_of_range("status out of range");
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<std::int32_t>::max())
        throw std::out_of_range("status out of range");
    return static_cast<std::int32_t>(value);
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

    // Built without an initializer list, whose temporary copy of the PIN nobody would wipe.
    std::vector<std::string> arguments;
    arguments.reserve(2);
    arguments.emplace_back("Gui");
    arguments.emplace_back(argument);
    struct WipeArgument {
        std::string& argument;
        ~WipeArgument() { secureWipe(argument); }
    } wipeArgument{arguments[1]};
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
    request.close();

    std::string status;
    readLine(answer, status, maxLineLength);
    if (const std::int32_t code = parseStatus(status))
        throw Exception(code, "inputPin");

    std::string pin;
    try {
        readLine(answer, pin, maxLineLength);
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
