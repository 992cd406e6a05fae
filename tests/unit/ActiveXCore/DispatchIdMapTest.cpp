#include "DispatchIdMap.h"

#include <gtest/gtest.h>

#include <set>

using FB::ActiveX::DispatchIdMap;

TEST(DispatchIdMapTest, FixedPairsKeepTheirIdentifiers) {
    const auto& pairs = DispatchIdMap::FixedPairs();
    ASSERT_EQ(pairs.size(), 259u);
    EXPECT_EQ(pairs.front().first, L"onabort");
    EXPECT_EQ(pairs.back().first, L"securitydomain");
    std::set<std::wstring> names;
    DispatchIdMap map;
    for (const auto& [name, id] : pairs) {
        EXPECT_TRUE(names.insert(name).second)
            << "twice: " << std::string(name.begin(), name.end());
        EXPECT_EQ(map.IdOf(name), id);
        EXPECT_EQ(map.NameOf(id), name);
    }
    const struct {
        const wchar_t* name;
        FB::ActiveX::DispatchId id;
    } samples[] = {{L"onload", static_cast<FB::ActiveX::DispatchId>(0x80011790U)},
                   {L"value", 0},
                   {L"toString", -1},
                   {L"readystate", -525},
                   {L"enabled", -514},
                   {L"this", -613},
                   {L"securityctx", -5511}};
    for (const auto& s : samples)
        EXPECT_EQ(map.IdOf(s.name), s.id);
}

TEST(DispatchIdMapTest, NewNamesCountUpFromOneHundredAndStay) {
    DispatchIdMap map;
    const auto sign = map.IdOf(L"kvwSign");
    const auto version = map.IdOf(L"version");
    EXPECT_EQ(sign, 100);
    EXPECT_EQ(version, 101);
    EXPECT_EQ(map.IdOf(L"kvwSign"), sign);
    EXPECT_EQ(map.IdOf(L"KVWSIGN"), 102); // names are case-sensitive
    EXPECT_EQ(map.NameOf(101), L"version");
    EXPECT_FALSE(map.NameOf(103).has_value());
    EXPECT_FALSE(map.NameOf(99).has_value());
}

TEST(DispatchIdMapTest, OneMapForTheProcess) {
    EXPECT_EQ(&DispatchIdMap::Instance(), &DispatchIdMap::Instance());
    const auto id = DispatchIdMap::Instance().IdOf(L"kvwGetDeviceID");
    EXPECT_GE(id, DispatchIdMap::FirstFree);
    EXPECT_EQ(DispatchIdMap::Instance().IdOf(L"kvwGetDeviceID"), id);
}
