// The control made from npkestrova.dll in a plug-in folder, as a container makes it: a PIN the
// page passes as a BSTR through IDispatch::Invoke leaves no copy in this process.
#include "GuiFolder.h"
#include "MemoryScan.h"
#include "RegistryTable.h"
#include "SecureWipe.h"
#include "Store.h"
#include "TestEnv.h"
#include "TokenConfig.h"
#include "Utf.h"

#include <gtest/gtest.h>
#include <oleauto.h>
#include <windows.h>

#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

class ComPinHygieneTest : public ::testing::TestWithParam<std::size_t> {
protected:
    ComPinHygieneTest() : gui(pinAnswer()), tokenDir(gui.path() / "token") {
        fs::create_directory(tokenDir);
        fs::copy_file(hostPath(KV_ACTIVEX_MODULE), gui.path() / "npkestrova.dll");
        fs::copy_file(hostPath(KV_SOFTTOKEN_MODULE), gui.path() / "kvpkcs11.dll");
        setEnvironment("KVSOFTTOKEN_DIR", tokenDir.string());
        softtoken::Store(tokenDir).writeConfig(pinSlot() + "pin-tries = 100\n");
    }

    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        m_module = LoadLibraryW((gui.path() / "npkestrova.dll").wstring().c_str());
        ASSERT_TRUE(m_module);
        const auto get = reinterpret_cast<GetClassObject>(
            reinterpret_cast<void*>(GetProcAddress(m_module, "DllGetClassObject")));
        ASSERT_TRUE(get);
        CLSID control{};
        ASSERT_EQ(CLSIDFromString(CLSID_TEXT, &control), S_OK);
        IClassFactory* factory = nullptr;
        ASSERT_EQ(get(control, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        EXPECT_EQ(
            factory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&object)),
            S_OK);
        factory->Release();
        ASSERT_TRUE(object);
    }

    void TearDown() override {
        if (object) {
            IOleObject* ole = nullptr;
            if (SUCCEEDED(object->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole)))) {
                ole->Close(OLECLOSE_NOSAVE);
                ole->Release();
            }
            object->Release();
        }
        CoUninitialize();
    }

    // The member's answer as a number (0 for text); the arguments are the caller's.
    double invoke(const wchar_t* method, std::vector<VARIANT> args) {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR name = const_cast<LPOLESTR>(method);
        EXPECT_EQ(object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        // Positional arguments go last first.
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        VARIANT result;
        VariantInit(&result);
        EXPECT_EQ(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                 &result, nullptr, nullptr),
                  S_OK);
        VARIANT number;
        VariantInit(&number);
        const double answer =
            result.vt != VT_BSTR && SUCCEEDED(VariantChangeType(&number, &result, 0, VT_R8))
                ? number.dblVal
                : 0;
        VariantClear(&result);
        return answer;
    }

    static VARIANT text(BSTR value) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BSTR;
        v.bstrVal = value;
        return v;
    }

    GuiFolder gui;
    fs::path tokenDir;
    IDispatch* object = nullptr;

private:
    HMODULE m_module = nullptr;
};

// A PIN short enough to live inside string objects, and one of the longest, on the heap.
TEST_P(ComPinHygieneTest, NoCopyOfAPinArgumentRemains) {
    BSTR box = SysAllocString(L"box");
    BSTR hash = SysAllocString(std::wstring(64, L'A').c_str());
    BSTR key = SysAllocString(std::wstring(128, L'1').c_str());
    BSTR iv = SysAllocString(L"0102030405060708");
    invoke(L"kvwGenKeyPair", {text(box)});
    // From here the program answers with the PIN that follows the request, as the real one
    // does.
    gui.setScript("read\nline 0\ninputline 2\n");

    std::string pin = memscan::distinctivePin(GetParam());
    const std::vector<memscan::Needle> what = memscan::needles(pin);
    const std::vector<unsigned char> masked = what[0].masked;
    secureWipe(pin);

    struct Step {
        const wchar_t* method;
        std::vector<BSTR> texts;
    };
    const std::vector<Step> steps = {
        {L"kvwUserLoginDlg", {}},
        {L"kvwSign", {box, hash}},
        {L"kvwMakeSessionKey", {box, key, iv}},
    };
    // Looked for after each call: a freed copy may soon be overwritten by chance.
    for (const Step& step : steps) {
        std::vector<VARIANT> args;
        for (BSTR value : step.texts)
            args.push_back(text(value));
        // The page's string is the test's: unmasked straight into it, and wiped before it
        // goes back to the system's cache of freed strings.
        BSTR typed = SysAllocStringLen(nullptr, static_cast<UINT>(masked.size()));
        for (std::size_t i = 0; i < masked.size(); ++i)
            typed[i] = static_cast<wchar_t>(masked[i] ^ memscan::mask);
        args.push_back(text(typed));
        const double answer = invoke(step.method, args);
        secureWipe(typed, masked.size() * sizeof(wchar_t));
        SysFreeString(typed);
        EXPECT_EQ(answer, -4) << static_cast<const void*>(step.method);
        for (const std::string& hit : memscan::scanMemory(what))
            ADD_FAILURE() << "the PIN in memory after call " << &step - steps.data() << ": " << hit;
    }
    for (BSTR value : {box, hash, key, iv})
        SysFreeString(value);
}

INSTANTIATE_TEST_SUITE_P(Lengths, ComPinHygieneTest, ::testing::Values(12, 32));

} // namespace
