#pragma once

#include <memory>
#include <string>

// A dynamic library loaded by path, for adapter mode; unloaded with the object.
namespace softtoken {

class Library {
public:
    // Nothing when the file cannot be loaded. The path is UTF-8.
    static std::unique_ptr<Library> open(const std::string& path);
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // The exported function's address, or null.
    void* symbol(const char* name) const;

private:
    explicit Library(void* handle) : handle_(handle) {}
    void* handle_;
};

} // namespace softtoken
