#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

// File and process environment services of the token: its state directory, atomic replacement
// of its files and the lock that serialises processes sharing a directory.
namespace softtoken {

std::optional<std::string> environmentVariable(const std::string& name);

// Sets the variable, or removes it when value is empty.
void setEnvironmentVariable(const std::string& name, const std::optional<std::string>& value);

// KVSOFTTOKEN_DIR, or .kvsofttoken in the user's home.
std::filesystem::path stateDirectory();

// The whole file; nothing when it does not exist. Throws std::system_error when unreadable.
// A reader never stands in the way of replaceFile on the same file.
std::optional<std::string> readFile(const std::filesystem::path& path);

// Replaces the file's content so that a reader sees either the old or the new content, never a
// mix: a temporary file beside it is written, flushed to disk and renamed over it. Where the
// system refuses to rename over a file that a reader has open, the rename is retried for a few
// seconds. With interruptHalfway the write stops after half of the temporary file, as a crash
// would, and throws. Throws std::system_error on failure; the old content then stays.
void replaceFile(const std::filesystem::path& path, const std::string& data,
                 bool interruptHalfway = false);

// An advisory lock on a lock file, shared or exclusive, held for the object's lifetime; waits
// for a conflicting holder in this or another process.
class FileLock {
public:
    FileLock(const std::filesystem::path& path, bool exclusive);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    std::intptr_t handle_;
};

} // namespace softtoken
