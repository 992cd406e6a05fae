#pragma once

#include "Object.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The token files of the state directory. Each token (named by its serial) keeps its objects
// and its count of wrong PINs in token-<serial>.dat. Readers take the directory's lock shared,
// changes take it exclusive and re-read the file first, so processes never lose each other's
// changes.
namespace softtoken {

struct TokenFile {
    CK_ULONG pinFailures = 0;
    CK_OBJECT_HANDLE nextHandle = 1; // token objects get 1, 2, ...; never reused
    std::vector<Object> objects;
};

std::string formatTokenFile(const TokenFile& file);
// Adds the token objects among objects to the file, each with the file's next handle.
void addTokenObjects(TokenFile& file, std::vector<Object>& objects);
// Nothing when the text is not a token file.
std::optional<TokenFile> parseTokenFile(const std::string& text);

class Store {
public:
    explicit Store(std::filesystem::path directory);

    const std::filesystem::path& directory() const { return directory_; }
    std::filesystem::path configPath() const;
    std::filesystem::path lockPath() const;
    std::filesystem::path tokenPath(const std::string& serial) const;

    // The configuration file; nothing when there is none. Read under the shared lock and
    // written under the exclusive one: Windows refuses to rename a new version over a file that
    // a reader has open, so readers and writers take turns. Throw std::system_error.
    std::optional<std::string> readConfig() const;
    void writeConfig(const std::string& text) const;

    // The token's file (empty when it has none yet). CKR_DEVICE_ERROR when unreadable or
    // damaged.
    CK_RV read(const std::string& serial, TokenFile& out) const;

    // Read, change, write back atomically under the exclusive lock. The file is written only
    // when change returns CKR_OK and the content differs; otherwise change's code is returned
    // and nothing is written.
    CK_RV update(const std::string& serial, const std::function<CK_RV(TokenFile&)>& change) const;

    // Starts the token's file empty.
    CK_RV reset(const std::string& serial) const;

    // Asked before each write; a non-zero code interrupts that write half done (a simulated
    // crash) and becomes the result of update.
    std::function<CK_RV()> writeFault;

private:
    CK_RV readUnlocked(const std::string& serial, TokenFile& out, std::string* raw) const;
    CK_RV write(const std::string& serial, const std::string& text) const;

    std::filesystem::path directory_;
};

} // namespace softtoken
