#pragma once

#include <cstddef>
#include <vector>

// One measured size or offset of the NPAPI structures beside the figure that browsers of this
// platform use.
struct LayoutCase {
    const char* what;
    std::size_t actual;
    std::size_t expected;
};

// The figures of the platform this test is built for.
std::vector<LayoutCase> platformLayout();

// The mask that GCC-built Unix plug-ins see on the COM-era selectors; none on Windows.
extern const int platformAbiMask;
