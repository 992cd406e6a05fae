#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace FB::ActiveX {

using DispatchId = std::int32_t;

// The process-wide two-way map between member names and dispatch identifiers. Names that the
// browser and OLE already give identifiers to (event handlers, reserved, control, ambient and
// browser-object names) keep those; any other name gets the next free identifier from 100 up
// when first seen. Nothing is ever removed, so a name keeps its identifier for the process.
class DispatchIdMap {
public:
    static DispatchIdMap& Instance();

    // The name's identifier, allocated when the name is new.
    DispatchId IdOf(const std::wstring& name);
    // The name of an identifier, if the map holds it.
    std::optional<std::wstring> NameOf(DispatchId id) const;

    // The fixed pairs, in the order they are entered.
    static const std::vector<std::pair<std::wstring, DispatchId>>& FixedPairs();
    static constexpr DispatchId FirstFree = 100;

    DispatchIdMap();

private:
    mutable std::mutex m_mutex;
    std::map<std::wstring, DispatchId> m_ids;
    std::map<DispatchId, std::wstring> m_names;
    DispatchId m_next = FirstFree;
};

} // namespace FB::ActiveX
