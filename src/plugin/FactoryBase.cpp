#include "FactoryBase.h"

#include <sstream>
#include <vector>

namespace FB {

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    std::string part;
    while (std::getline(in, part, separator))
        parts.push_back(part);
    return parts;
}

} // namespace

std::string FactoryBase::GetPluginName(const std::string& /*mimeType*/) const {
    return pluginIdentity().name;
}

std::string FactoryBase::GetPluginDescription(const std::string& mimeType) {
    try {
        if (!m_descriptionsRead) {
            for (const std::string& entry : split(pluginIdentity().mimeDescription, ';')) {
                const std::vector<std::string> fields = split(entry, ':');
                if (fields.size() > 2)
                    m_descriptions[fields[0]] = fields[2];
            }
            m_descriptionsRead = true;
        }
        return m_descriptions[mimeType];
    } catch (const std::exception&) {
        return "Unknown Description";
    }
}

} // namespace FB
