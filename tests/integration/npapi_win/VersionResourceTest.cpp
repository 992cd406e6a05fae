#include "PluginFolder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

// The version resource is how NPAPI browsers on Windows find the plug-in and its MIME type.
class VersionResource : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring path = PluginFolder::get().modulePath().wstring();
        DWORD handle = 0;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
        ASSERT_NE(size, 0u) << "no version resource";
        m_data.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, m_data.data()));
    }

    void* query(const std::wstring& block, UINT* length) {
        void* value = nullptr;
        if (!VerQueryValueW(m_data.data(), block.c_str(), &value, length))
            return nullptr;
        return value;
    }

    // A string of the first translation the resource lists, as browsers read it.
    std::wstring text(const std::wstring& name) {
        UINT length = 0;
        const auto* translation =
            static_cast<const WORD*>(query(L"\\VarFileInfo\\Translation", &length));
        if (!translation || length < 2 * sizeof(WORD))
            return L"<no translation>";
        wchar_t block[64];
        swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
        const auto* value = static_cast<const wchar_t*>(query(block + name, &length));
        return value ? std::wstring(value) : L"<missing>";
    }

private:
    std::vector<unsigned char> m_data;
};

TEST_F(VersionResource, StringsThatBrowsersRead) {
    const std::pair<const wchar_t*, const wchar_t*> fields[] = {
        {L"ProductName", L"kestrova"},        {L"FileDescription", L"Kestrova WEB Plugin"},
        {L"FileOpenName", L"kestrova"},       {L"MIMEType", L"application/x-kestrova"},
        {L"InternalName", L"npkestrova.dll"}, {L"OriginalFilename", L"npkestrova.dll"},
        {L"FileVersion", L"1.5.0.0"},         {L"ProductVersion", L"1.5.0.0"},
    };
    for (const auto& [name, expected] : fields)
        EXPECT_EQ(text(name), expected) << std::wstring(name).c_str();
}

TEST_F(VersionResource, FixedVersion) {
    UINT length = 0;
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(query(L"\\", &length));
    ASSERT_NE(info, nullptr);
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(info->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(info->dwFileVersionMS, MAKELONG(5, 1));
    EXPECT_EQ(info->dwFileVersionLS, 0u);
    EXPECT_EQ(info->dwProductVersionMS, MAKELONG(5, 1));
    EXPECT_EQ(info->dwProductVersionLS, 0u);
    EXPECT_EQ(info->dwFileType, static_cast<DWORD>(VFT_DLL));
}

} // namespace
