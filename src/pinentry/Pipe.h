#pragma once

#include "FileHandle.h"

namespace process::detail {

// One anonymous pipe. Neither end is inherited by a child unless the launcher hands it over.
struct pipe {
    pipe();

    file_handle read_end;
    file_handle write_end;
};

} // namespace process::detail
