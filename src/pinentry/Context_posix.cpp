#include "Context.h"

#include "Utf.h"

#include <cerrno>
#include <system_error>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace process {

context::context() {
    std::vector<char> buffer(256);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            throw std::system_error(errno, std::system_category(),
                                    "process::basic_work_directory_context::basic_work_directory_"
                                    "context: getcwd failed");
        buffer.resize(buffer.size() * 2);
    }
    work_directory = utf8ToWide(buffer.data());
}

environment self::get_environment() {
    environment result;
    for (char** entry = environ; entry && *entry; ++entry) {
        detail::addEnvironmentEntry(result, *entry);
    }
    return result;
}

} // namespace process
