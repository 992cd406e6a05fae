#pragma once

#include <cstddef>
#include <istream>
#include <string>

// Reads one line ended by a line feed into line, without the line feed and without one carriage
// return before it. Throws std::length_error past maxLength bytes; a stream that ends first
// fails as the stream's exception mask says (or leaves the line incomplete and throws
// std::ios_base::failure when the mask lets it pass). The line never reallocates while it is
// read, so a secret read into it leaves no stray copies in freed memory.
void readLine(std::istream& in, std::string& line, std::size_t maxLength);
