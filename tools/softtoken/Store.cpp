#include "Store.h"

#include "Files.h"
#include "SecureWipe.h"

#include <sstream>
#include <system_error>

namespace softtoken {

namespace {
const char header[] = "kvsofttoken-token 1";
}

std::string formatTokenFile(const TokenFile& file) {
    std::ostringstream out;
    out << header << "\npin-failures " << file.pinFailures << "\nnext-handle " << file.nextHandle
        << "\n";
    for (const Object& object : file.objects)
        out << formatObject(object) << "\n";
    return out.str();
}

void addTokenObjects(TokenFile& file, std::vector<Object>& objects) {
    for (Object& object : objects) {
        if (!object.isToken())
            continue;
        object.handle = file.nextHandle++;
        file.objects.push_back(object);
    }
}

std::optional<TokenFile> parseTokenFile(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != header)
        return std::nullopt;
    TokenFile file;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "pin-failures") {
            if (!(words >> file.pinFailures))
                return std::nullopt;
        } else if (key == "next-handle") {
            if (!(words >> file.nextHandle))
                return std::nullopt;
        } else if (key == "object") {
            auto object = parseObject(line);
            if (!object)
                return std::nullopt;
            file.objects.push_back(std::move(*object));
        } else if (!key.empty()) {
            return std::nullopt;
        }
    }
    return file;
}

Store::Store(std::filesystem::path directory) : directory_(std::move(directory)) {}

std::filesystem::path Store::configPath() const {
    return directory_ / "kvsofttoken.conf";
}

std::filesystem::path Store::lockPath() const {
    return directory_ / "kvsofttoken.lock";
}

std::filesystem::path Store::tokenPath(const std::string& serial) const {
    return directory_ / ("token-" + serial + ".dat");
}

std::optional<std::string> Store::readConfig() const {
    std::error_code ec;
    if (!std::filesystem::exists(directory_, ec) && !ec)
        return std::nullopt;
    FileLock lock(lockPath(), false);
    return readFile(configPath());
}

void Store::writeConfig(const std::string& text) const {
    std::filesystem::create_directories(directory_);
    FileLock lock(lockPath(), true);
    replaceFile(configPath(), text);
}

CK_RV Store::readUnlocked(const std::string& serial, TokenFile& out, std::string* raw) const {
    std::optional<std::string> text = readFile(tokenPath(serial));
    if (!text) {
        out = TokenFile();
        return CKR_OK;
    }
    auto parsed = parseTokenFile(*text);
    if (raw)
        raw->swap(*text);
    secureWipe(*text);
    if (!parsed)
        return CKR_DEVICE_ERROR;
    out = std::move(*parsed);
    return CKR_OK;
}

CK_RV Store::write(const std::string& serial, const std::string& text) const {
    const CK_RV fault = writeFault ? writeFault() : CKR_OK;
    try {
        replaceFile(tokenPath(serial), text, fault != CKR_OK);
    } catch (const std::system_error&) {
        return fault != CKR_OK ? fault : CKR_DEVICE_ERROR;
    }
    return CKR_OK;
}

CK_RV Store::read(const std::string& serial, TokenFile& out) const {
    try {
        std::error_code ec;
        if (!std::filesystem::exists(directory_, ec)) {
            out = TokenFile();
            return CKR_OK;
        }
        FileLock lock(lockPath(), false);
        return readUnlocked(serial, out, nullptr);
    } catch (const std::exception&) {
        return CKR_DEVICE_ERROR;
    }
}

CK_RV Store::update(const std::string& serial,
                    const std::function<CK_RV(TokenFile&)>& change) const {
    try {
        std::filesystem::create_directories(directory_);
        FileLock lock(lockPath(), true);
        TokenFile file;
        std::string before;
        CK_RV rv = readUnlocked(serial, file, &before);
        if (rv == CKR_OK)
            rv = change(file);
        std::string after = rv == CKR_OK ? formatTokenFile(file) : std::string();
        // An unchanged file is not rewritten: a right PIN need not cost a disk write.
        if (rv == CKR_OK && after != before)
            rv = write(serial, after);
        secureWipe(before);
        secureWipe(after);
        return rv;
    } catch (const std::exception&) {
        return CKR_DEVICE_ERROR;
    }
}

CK_RV Store::reset(const std::string& serial) const {
    try {
        std::filesystem::create_directories(directory_);
        FileLock lock(lockPath(), true);
        return write(serial, formatTokenFile(TokenFile()));
    } catch (const std::exception&) {
        return CKR_DEVICE_ERROR;
    }
}

} // namespace softtoken
