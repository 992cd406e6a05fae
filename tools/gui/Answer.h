#pragma once

#include <cstdint>

// The statuses this program answers instead of a PIN. They reach the page unchanged, so they
// are negative like the plug-in's own codes, and clear of every code the plug-in uses.
constexpr std::int32_t statusCancelled = -60; // the user closed the dialog without a PIN
constexpr std::int32_t statusFailed = -61;    // no dialog could be shown, or a bad request
