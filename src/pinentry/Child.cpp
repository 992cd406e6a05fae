#include "Child.h"

#include <utility>

namespace process {

child::child(std::uint32_t id, std::shared_ptr<detail::process_handle> process,
             std::shared_ptr<postream> in, std::shared_ptr<pistream> out,
             std::shared_ptr<pistream> err)
    : m_id(id), m_process(std::move(process)), m_stdin(std::move(in)), m_stdout(std::move(out)),
      m_stderr(std::move(err)) {}

} // namespace process
