#include "LineReader.h"

#include <stdexcept>

void readLine(std::istream& in, std::string& line, std::size_t maxLength) {
    line.clear();
    line.reserve(maxLength);
    char c;
    while (in.get(c) && c != '\n') {
        if (line.size() == maxLength)
            throw std::length_error("line too long");
        line.push_back(c);
    }
    if (!in)
        throw std::ios_base::failure("line not ended");
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
}
