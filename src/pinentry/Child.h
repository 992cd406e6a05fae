#pragma once

#include "Streams.h"

#include <cstdint>
#include <memory>

namespace process {

namespace detail {
// The started process as the system knows it; closed (and, on POSIX, reaped) when the last
// holder lets go. Defined by each platform.
class process_handle;
} // namespace detail

// A started program. Dropping it closes the parent's pipe ends and its process handle, but
// neither waits for the program nor ends it.
class child {
public:
    child(std::uint32_t id, std::shared_ptr<detail::process_handle> process,
          std::shared_ptr<postream> in, std::shared_ptr<pistream> out,
          std::shared_ptr<pistream> err);

    std::uint32_t get_id() const noexcept { return m_id; }
    // Each stream is present only when it was Piped.
    const std::shared_ptr<postream>& get_stdin() const noexcept { return m_stdin; }
    const std::shared_ptr<pistream>& get_stdout() const noexcept { return m_stdout; }
    const std::shared_ptr<pistream>& get_stderr() const noexcept { return m_stderr; }

    // Waits without a time limit for the program to end and returns its exit code.
    int wait();
    // Ends the program at once; it is still waited for as any other.
    void terminate() noexcept;

private:
    std::uint32_t m_id;
    std::shared_ptr<detail::process_handle> m_process;
    std::shared_ptr<postream> m_stdin;
    std::shared_ptr<pistream> m_stdout;
    std::shared_ptr<pistream> m_stderr;
};

} // namespace process
