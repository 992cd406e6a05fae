#pragma once

#include <map>
#include <string>

namespace process {

// What a child's standard stream is connected to.
enum stream_mode {
    Piped,      // a new pipe to the parent
    Closed,     // no handle at all
    Inherited,  // a duplicate of the parent's own standard handle
    ToStdout,   // standard error only: a duplicate of what the child got as standard output
    NullDevice, // the null device
};

// Variable name to value, ordered by plain byte comparison of the names.
using environment = std::map<std::string, std::string>;

// How to start a child. A new context has the current directory, an empty environment (the
// child gets no variables at all) and no standard streams.
struct context {
    context();

    std::wstring work_directory;
    environment env;
    stream_mode stdin_mode = Closed;
    stream_mode stdout_mode = Closed;
    stream_mode stderr_mode = Closed;
};

namespace self {

// This process's environment. An entry is split at its first "="; for a name seen twice the
// first value stays.
environment get_environment();

} // namespace self
} // namespace process

namespace process::detail {

// Adds "name=value" split at its first "=" (an entry that begins with "=" has an empty name);
// a name already present keeps its value.
void addEnvironmentEntry(environment& env, const std::string& entry);

} // namespace process::detail
