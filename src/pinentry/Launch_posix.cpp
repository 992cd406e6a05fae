#include "Launch.h"

#include "Pipe.h"
#include "ProcessHandle_posix.h"
#include "Utf.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <system_error>
#include <unistd.h>

namespace process {

namespace {

[[noreturn]] void throwError(int error, const char* message) {
    throw std::system_error(error, std::system_category(), message);
}

int fd(const file_handle& handle) {
    return static_cast<int>(handle.get());
}

// A close-on-exec copy of descriptor at 3 or above, so that placing the child's three
// standard streams can never overwrite one of them.
file_handle aboveStandard(int descriptor, const char* message) {
    const int copy = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 3);
    if (copy < 0)
        throwError(errno, message);
    return file_handle(copy);
}

file_handle nullDevice(int flags) {
    const int descriptor = ::open("/dev/null", flags | O_CLOEXEC);
    if (descriptor < 0)
        throwError(errno, "process::detail::posix_start: open failed");
    file_handle handle(descriptor);
    return descriptor < 3 ? aboveStandard(descriptor, "process::detail::posix_start: open failed")
                          : std::move(handle);
}

// What the child gets for its standard stream number target; for Piped, the parent's end
// goes to parentEnd.
file_handle childEnd(stream_mode mode, int target, file_handle& parentEnd) {
    switch (mode) {
    case Piped: {
        detail::pipe p;
        const bool input = target == STDIN_FILENO;
        parentEnd = std::move(input ? p.write_end : p.read_end);
        file_handle& end = input ? p.read_end : p.write_end;
        return end.get() < 3 ? aboveStandard(fd(end), "process::detail::pipe::pipe: fcntl failed")
                             : std::move(end);
    }
    case Inherited:
        return aboveStandard(target, "process::detail::file_handle::posix_std: fcntl failed");
    case NullDevice:
        return nullDevice(target == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    case Closed:
    case ToStdout:
        break;
    }
    return file_handle();
}

class FileActions {
public:
    FileActions() {
        if (const int error = posix_spawn_file_actions_init(&m_actions))
            throwError(error, "process::detail::posix_start: posix_spawn_file_actions_init failed");
    }
    ~FileActions() { posix_spawn_file_actions_destroy(&m_actions); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;

    void check(int error) {
        if (error)
            throwError(error, "process::detail::posix_start: posix_spawn_file_actions failed");
    }
    // The child's stream target becomes a copy of handle, or is closed when there is none.
    void place(const file_handle& handle, int target) {
        check(handle.valid() ? posix_spawn_file_actions_adddup2(&m_actions, fd(handle), target)
                             : posix_spawn_file_actions_addclose(&m_actions, target));
    }
    posix_spawn_file_actions_t* get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

class Attributes {
public:
    Attributes() {
        if (const int error = posix_spawnattr_init(&m_attributes))
            throwError(error, "process::detail::posix_start: posix_spawnattr_init failed");
        // The program starts with no signal blocked and SIGPIPE at its default, whatever
        // the host's thread had.
        sigset_t none;
        sigset_t pipe;
        sigemptyset(&none);
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        posix_spawnattr_setsigmask(&m_attributes, &none);
        posix_spawnattr_setsigdefault(&m_attributes, &pipe);
        posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~Attributes() { posix_spawnattr_destroy(&m_attributes); }
    Attributes(const Attributes&) = delete;
    Attributes& operator=(const Attributes&) = delete;

    const posix_spawnattr_t* get() const { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes;
};

} // namespace

child launch(const std::wstring& executable, const std::vector<std::string>& arguments,
             const context& ctx) {
    file_handle parentIn, parentOut, parentErr;
    const file_handle childIn = childEnd(ctx.stdin_mode, STDIN_FILENO, parentIn);
    const file_handle childOut = childEnd(ctx.stdout_mode, STDOUT_FILENO, parentOut);
    file_handle childErr = childEnd(ctx.stderr_mode, STDERR_FILENO, parentErr);

    FileActions actions;
    actions.place(childIn, STDIN_FILENO);
    actions.place(childOut, STDOUT_FILENO);
    if (ctx.stderr_mode == ToStdout && childOut.valid())
        actions.place(childOut, STDERR_FILENO);
    else
        actions.place(childErr, STDERR_FILENO);
    const std::string workDirectory = wideToUtf8(ctx.work_directory);
    actions.check(posix_spawn_file_actions_addchdir_np(actions.get(), workDirectory.c_str()));
    // Whatever else the host left open without close-on-exec stays with the host.
    actions.check(posix_spawn_file_actions_addclosefrom_np(actions.get(), 3));

    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> entries;
    for (const auto& [name, value] : ctx.env)
        entries.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& entry : entries)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    const std::string path = wideToUtf8(executable);
    const Attributes attributes;
    pid_t pid = 0;
    if (const int error = posix_spawn(&pid, path.c_str(), actions.get(), attributes.get(),
                                      argv.data(), envp.data()))
        throwError(error, "process::detail::posix_start: posix_spawn failed");

    auto process = std::make_shared<detail::process_handle>(pid);
    return child(static_cast<std::uint32_t>(pid), std::move(process),
                 parentIn.valid() ? std::make_shared<postream>(std::move(parentIn)) : nullptr,
                 parentOut.valid() ? std::make_shared<pistream>(std::move(parentOut)) : nullptr,
                 parentErr.valid() ? std::make_shared<pistream>(std::move(parentErr)) : nullptr);
}

} // namespace process
