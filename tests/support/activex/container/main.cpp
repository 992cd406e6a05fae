// kv_ax_container: an Internet-Explorer-like container for the ActiveX control under Wine.
//
//   kv_ax_container [--timeout SECONDS] [--param NAME=VALUE]... [--early FILE]... FILE...
//
// It does with the control what the browser does with an <object> element: creates it by its
// CLSID, sites it (the client site leads to a page document whose parentWindow is the page
// window), sets the safety options, advises a property-change sink, loads the <param> values
// through IPropertyBag2 and activates it. Page script runs in Wine's JScript (ES5) through
// IActiveScript with the control as the named item "plugin" and the window's members global:
// setTimeout, clearTimeout, execScript, console.log, kvTest.done and kvHost (below). --early
// files run before the control is made (so an "onload" parameter can name their function);
// the others after. The main thread pumps messages, so callback calls reach the page.
//
// Output, one line each, as the browser driver prints them: "console: TEXT", then
// "kv-test: PASS|FAIL SUMMARY" or "kv-test: TIME LIMIT". Exit codes: 0 pass, 1 fail, 2 no
// verdict in time, 3 a page file is missing, 4 the container could not set up the page.
//
// kvHost: removeControl() closes and drops the control as removing its element does;
// createControl() makes another and returns it; canUnloadNow() calls the module's
// DllCanUnloadNow (0 S_OK, 1 S_FALSE, -1 not loaded); moduleLoaded(name) tells whether a DLL
// is loaded; readyStateChanges() counts the first control's ready-state notifications.
#include "PageObject.h"
#include "Sites.h"

#include <activscp.h>
#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

const CLSID controlClass = {
    0x4f1e2a7c, 0x93d5, 0x5b08, {0xb6, 0xe1, 0x2c, 0x7d, 0x90, 0xa4, 0xf3, 0xb5}};
const CLSID jscriptClass = {
    0xf414c260, 0x6ac0, 0x11cf, {0xb6, 0xd1, 0x00, 0xaa, 0x00, 0xbb, 0xbb, 0x58}};
// SCRIPTLANGUAGEVERSION_ES5 of the JScript engine, with the HTML flag a browser gives it (the
// engine takes an ES5 version only with that flag).
constexpr LONG es5 = 0x102 | 0x400;

std::string utf8(const std::wstring& text) {
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::wstring wide(const std::string& text) {
    if (text.empty())
        return {};
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

void print(const std::wstring& line) {
    std::string text = utf8(line);
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at))
        text.replace(at, 1, "\\n");
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

std::wstring textOf(VARIANT* value) {
    VARIANT text;
    VariantInit(&text);
    if (value->vt == VT_EMPTY)
        return L"undefined";
    if (FAILED(VariantChangeType(&text, value, 0, VT_BSTR)))
        return L"[object]";
    std::wstring result(text.bstrVal, SysStringLen(text.bstrVal));
    VariantClear(&text);
    return result;
}

struct Control {
    IOleObject* object = nullptr;
    IDispatch* dispatch = nullptr;
    IConnectionPoint* point = nullptr;
    PropertySink* sink = nullptr;
    DWORD cookie = 0;
};

struct Timer {
    DWORD due;
    IDispatch* function;
};

class Container {
public:
    int run(int argc, wchar_t* argv[]);

private:
    bool setUpPage();
    bool parseFile(const std::wstring& path);
    IDispatch* createControl(const std::vector<std::pair<std::wstring, std::wstring>>& params);
    void removeControl(Control& control);
    void runDueTimers();
    DWORD nextTimerWait() const;
    void tearDown();

    IActiveScript* m_engine = nullptr;
    IActiveScriptParse* m_parse = nullptr;
    PageObject* m_window = nullptr;
    PageDocument* m_document = nullptr;
    PageObject* m_element = nullptr;
    std::vector<Control> m_controls;
    std::map<int, Timer> m_timers;
    int m_nextTimer = 1;
    bool m_done = false;
    bool m_passed = false;
    bool m_setUpFailed = false;
};

IDispatch*
Container::createControl(const std::vector<std::pair<std::wstring, std::wstring>>& params) {
    Control control;
    HRESULT hr = CoCreateInstance(controlClass, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  reinterpret_cast<void**>(&control.object));
    if (FAILED(hr)) {
        print(L"container: the control cannot be created: 0x" + std::to_wstring(hr));
        return nullptr;
    }
    DWORD status = 0;
    control.object->GetMiscStatus(DVASPECT_CONTENT, &status);
    auto* site = new ClientSite(m_document, m_element);
    if (status & OLEMISC_SETCLIENTSITEFIRST)
        control.object->SetClientSite(site);

    // The browser refuses a control that will not be safe for the page's script and data.
    IObjectSafety* safety = nullptr;
    bool safe = SUCCEEDED(
        control.object->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(&safety)));
    if (safe) {
        safe = SUCCEEDED(safety->SetInterfaceSafetyOptions(IID_IDispatchEx,
                                                           INTERFACESAFE_FOR_UNTRUSTED_CALLER,
                                                           INTERFACESAFE_FOR_UNTRUSTED_CALLER)) &&
               SUCCEEDED(safety->SetInterfaceSafetyOptions(IID_IPersistPropertyBag,
                                                           INTERFACESAFE_FOR_UNTRUSTED_DATA,
                                                           INTERFACESAFE_FOR_UNTRUSTED_DATA));
        safety->Release();
    }
    if (!safe) {
        print(L"container: the control is not safe for scripting");
        site->Release();
        control.object->Release();
        return nullptr;
    }

    IConnectionPointContainer* points = nullptr;
    if (SUCCEEDED(control.object->QueryInterface(IID_IConnectionPointContainer,
                                                 reinterpret_cast<void**>(&points)))) {
        if (SUCCEEDED(points->FindConnectionPoint(IID_IPropertyNotifySink, &control.point))) {
            control.sink = new PropertySink();
            control.point->Advise(control.sink, &control.cookie);
        }
        points->Release();
    }

    IPersistPropertyBag* persist = nullptr;
    if (SUCCEEDED(control.object->QueryInterface(IID_IPersistPropertyBag,
                                                 reinterpret_cast<void**>(&persist)))) {
        if (params.empty()) {
            persist->InitNew();
        } else {
            auto* bag = new PropertyBag(params);
            persist->Load(bag, nullptr);
            bag->Release();
        }
        persist->Release();
    }
    if (!(status & OLEMISC_SETCLIENTSITEFIRST))
        control.object->SetClientSite(site);
    control.object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, nullptr, nullptr);
    site->Release();

    control.object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&control.dispatch));
    m_controls.push_back(control);
    return control.dispatch;
}

void Container::removeControl(Control& control) {
    if (!control.object)
        return;
    if (control.point) {
        control.point->Unadvise(control.cookie);
        control.point->Release();
    }
    control.object->Close(OLECLOSE_NOSAVE);
    control.object->SetClientSite(nullptr);
    if (control.dispatch)
        control.dispatch->Release();
    control.object->Release();
    if (control.sink)
        control.sink->Release();
    control = Control{};
}

bool Container::parseFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in) {
        print(L"kv-test: LOAD FAILED " + path);
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const std::wstring code = wide(text.str());
    EXCEPINFO exception{};
    m_parse->ParseScriptText(code.c_str(), nullptr, nullptr, nullptr, 0, 0, SCRIPTTEXT_ISVISIBLE,
                             nullptr, &exception);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    return true;
}

bool Container::setUpPage() {
    m_window = PageObject::Create();
    m_document = PageDocument::Create();
    m_element = PageObject::Create();
    m_document->SetObject(L"parentWindow", m_window);
    m_window->SetObject(L"document", m_document);
    m_window->SetObject(L"window", m_window);

    PageObject* console = PageObject::Create();
    console->SetMethod(L"log", [](const std::vector<VARIANT*>& args, VARIANT*) {
        std::wstring line;
        for (VARIANT* arg : args)
            line += (line.empty() ? L"" : L" ") + textOf(arg);
        print(L"console: " + line);
        return S_OK;
    });
    m_window->SetObject(L"console", console);
    console->Release();

    PageObject* test = PageObject::Create();
    test->SetMethod(L"done", [this](const std::vector<VARIANT*>& args, VARIANT*) {
        VARIANT passed;
        VariantInit(&passed);
        const bool ok = !args.empty() &&
                        SUCCEEDED(VariantChangeType(&passed, args[0], 0, VT_BOOL)) &&
                        passed.boolVal == VARIANT_TRUE;
        const std::wstring summary = args.size() > 1 ? textOf(args[1]) : L"";
        if (m_done) {
            print(L"kv-test: (ignored) " + std::wstring(ok ? L"PASS " : L"FAIL ") + summary);
            return S_OK;
        }
        m_done = true;
        m_passed = ok;
        print(L"kv-test: " + std::wstring(ok ? L"PASS " : L"FAIL ") + summary);
        return S_OK;
    });
    m_window->SetObject(L"kvTest", test);
    test->Release();

    m_window->SetMethod(L"setTimeout", [this](const std::vector<VARIANT*>& args, VARIANT* result) {
        if (args.empty() || args[0]->vt != VT_DISPATCH || !args[0]->pdispVal)
            return E_INVALIDARG;
        VARIANT delay;
        VariantInit(&delay);
        const LONG ms = args.size() > 1 && SUCCEEDED(VariantChangeType(&delay, args[1], 0, VT_I4))
                            ? delay.lVal
                            : 0;
        args[0]->pdispVal->AddRef();
        const int id = m_nextTimer++;
        m_timers[id] =
            Timer{GetTickCount() + static_cast<DWORD>(ms < 0 ? 0 : ms), args[0]->pdispVal};
        if (result) {
            result->vt = VT_I4;
            result->lVal = id;
        }
        return S_OK;
    });
    m_window->SetMethod(L"clearTimeout", [this](const std::vector<VARIANT*>& args, VARIANT*) {
        VARIANT id;
        VariantInit(&id);
        if (!args.empty() && SUCCEEDED(VariantChangeType(&id, args[0], 0, VT_I4))) {
            const auto found = m_timers.find(id.lVal);
            if (found != m_timers.end()) {
                found->second.function->Release();
                m_timers.erase(found);
            }
        }
        return S_OK;
    });
    m_window->SetMethod(L"execScript", [this](const std::vector<VARIANT*>& args, VARIANT*) {
        if (args.empty())
            return E_INVALIDARG;
        const std::wstring code = textOf(args[0]);
        EXCEPINFO exception{};
        const HRESULT hr = m_parse->ParseScriptText(code.c_str(), nullptr, nullptr, nullptr, 0, 0,
                                                    SCRIPTTEXT_ISVISIBLE, nullptr, &exception);
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
        return hr;
    });

    PageObject* host = PageObject::Create();
    host->SetMethod(L"removeControl", [this](const std::vector<VARIANT*>&, VARIANT*) {
        for (Control& control : m_controls)
            removeControl(control);
        return S_OK;
    });
    host->SetMethod(L"createControl", [this](const std::vector<VARIANT*>&, VARIANT* result) {
        IDispatch* made = createControl({});
        if (!made)
            return E_FAIL;
        if (result) {
            made->AddRef();
            result->vt = VT_DISPATCH;
            result->pdispVal = made;
        }
        return S_OK;
    });
    host->SetMethod(L"canUnloadNow", [](const std::vector<VARIANT*>&, VARIANT* result) {
        const HMODULE module = GetModuleHandleW(L"npkestrova.dll");
        using CanUnload = HRESULT(STDAPICALLTYPE*)();
        const auto canUnload = module ? reinterpret_cast<CanUnload>(reinterpret_cast<void*>(
                                            GetProcAddress(module, "DllCanUnloadNow")))
                                      : nullptr;
        if (result) {
            result->vt = VT_I4;
            result->lVal = canUnload ? canUnload() : -1;
        }
        return S_OK;
    });
    host->SetMethod(L"moduleLoaded", [](const std::vector<VARIANT*>& args, VARIANT* result) {
        if (result) {
            result->vt = VT_BOOL;
            result->boolVal = !args.empty() && GetModuleHandleW(textOf(args[0]).c_str())
                                  ? VARIANT_TRUE
                                  : VARIANT_FALSE;
        }
        return S_OK;
    });
    host->SetMethod(L"readyStateChanges", [this](const std::vector<VARIANT*>&, VARIANT* result) {
        if (result) {
            result->vt = VT_I4;
            result->lVal = m_controls.empty() || !m_controls[0].sink
                               ? 0
                               : m_controls[0].sink->changes[DISPID_READYSTATE];
        }
        return S_OK;
    });
    m_window->SetObject(L"kvHost", host);
    host->Release();

    HRESULT hr = CoCreateInstance(jscriptClass, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveScript,
                                  reinterpret_cast<void**>(&m_engine));
    if (FAILED(hr) || FAILED(m_engine->QueryInterface(IID_IActiveScriptParse,
                                                      reinterpret_cast<void**>(&m_parse)))) {
        print(L"container: no JScript engine");
        return false;
    }
    IActiveScriptProperty* property = nullptr;
    if (SUCCEEDED(m_engine->QueryInterface(IID_IActiveScriptProperty,
                                           reinterpret_cast<void**>(&property)))) {
        VARIANT version;
        VariantInit(&version);
        version.vt = VT_I4;
        version.lVal = es5;
        property->SetProperty(SCRIPTPROP_INVOKEVERSIONING, nullptr, &version);
        property->Release();
    }
    auto* site = new ScriptSite(
        [this](const std::wstring& name) -> IUnknown* {
            IUnknown* item = nullptr;
            if (name == L"window")
                item = static_cast<IDispatchEx*>(m_window);
            else if (name == L"plugin" && !m_controls.empty() && m_controls[0].dispatch)
                item = m_controls[0].dispatch;
            if (item)
                item->AddRef();
            return item;
        },
        [](const std::wstring& text) { print(L"console: " + text); });
    m_engine->SetScriptSite(site);
    site->Release();
    m_parse->InitNew();
    m_engine->AddNamedItem(L"window", SCRIPTITEM_ISVISIBLE | SCRIPTITEM_GLOBALMEMBERS);
    m_engine->AddNamedItem(L"plugin", SCRIPTITEM_ISVISIBLE);
    m_engine->SetScriptState(SCRIPTSTATE_STARTED);

    // The window also shows the script's global variables and functions, as a browser's does.
    IDispatch* global = nullptr;
    if (SUCCEEDED(m_engine->GetScriptDispatch(nullptr, &global)) && global) {
        IDispatchEx* globalEx = nullptr;
        if (SUCCEEDED(
                global->QueryInterface(IID_IDispatchEx, reinterpret_cast<void**>(&globalEx)))) {
            m_window->SetFallback(globalEx);
            globalEx->Release();
        }
        global->Release();
    }
    return true;
}

void Container::runDueTimers() {
    const DWORD now = GetTickCount();
    std::vector<int> due;
    for (const auto& [id, timer] : m_timers) {
        if (static_cast<LONG>(now - timer.due) >= 0)
            due.push_back(id);
    }
    for (int id : due) {
        const auto found = m_timers.find(id);
        if (found == m_timers.end())
            continue; // cleared by an earlier timer
        IDispatch* function = found->second.function;
        m_timers.erase(found);
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        VARIANT result;
        VariantInit(&result);
        function->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none,
                         &result, nullptr, nullptr);
        VariantClear(&result);
        function->Release();
    }
}

DWORD Container::nextTimerWait() const {
    DWORD wait = 50;
    const DWORD now = GetTickCount();
    for (const auto& [id, timer] : m_timers) {
        const LONG left = static_cast<LONG>(timer.due - now);
        wait = left <= 0 ? 0 : std::min<DWORD>(wait, static_cast<DWORD>(left));
    }
    return wait;
}

void Container::tearDown() {
    for (Control& control : m_controls)
        removeControl(control);
    for (auto& [id, timer] : m_timers)
        timer.function->Release();
    m_timers.clear();
    if (m_engine) {
        m_engine->SetScriptState(SCRIPTSTATE_DISCONNECTED);
        m_engine->Close();
    }
    if (m_parse)
        m_parse->Release();
    if (m_engine)
        m_engine->Release();
    // The page objects refer to each other; emptying them ends the cycles.
    for (PageObject* object : {m_window, static_cast<PageObject*>(m_document), m_element}) {
        if (object) {
            object->Clear();
            object->Release();
        }
    }
}

int Container::run(int argc, wchar_t* argv[]) {
    int timeout = 60;
    std::vector<std::pair<std::wstring, std::wstring>> params;
    std::vector<std::wstring> early, pages;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--timeout" && i + 1 < argc) {
            timeout = _wtoi(argv[++i]);
        } else if (arg == L"--param" && i + 1 < argc) {
            const std::wstring pair = argv[++i];
            const auto equals = pair.find(L'=');
            params.emplace_back(pair.substr(0, equals),
                                equals == std::wstring::npos ? L"" : pair.substr(equals + 1));
        } else if (arg == L"--early" && i + 1 < argc) {
            early.push_back(argv[++i]);
        } else {
            pages.push_back(arg);
        }
    }
    if (pages.empty()) {
        std::fprintf(stderr, "usage: kv_ax_container [--timeout S] [--param N=V]... [--early "
                             "FILE]... FILE...\n");
        return 4;
    }

    int code = 4;
    if (setUpPage()) {
        bool loaded = true;
        for (const std::wstring& file : early)
            loaded = loaded && parseFile(file);
        if (loaded && createControl(params)) {
            for (const std::wstring& file : pages)
                loaded = loaded && parseFile(file);
            m_engine->SetScriptState(SCRIPTSTATE_CONNECTED);
            const DWORD end = GetTickCount() + static_cast<DWORD>(timeout) * 1000;
            while (loaded && !m_done && static_cast<LONG>(GetTickCount() - end) < 0) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, nextTimerWait(), QS_ALLINPUT);
                MSG message;
                while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                    TranslateMessage(&message);
                    DispatchMessageW(&message);
                }
                runDueTimers();
            }
            if (!loaded) {
                code = 3;
            } else if (!m_done) {
                print(L"kv-test: TIME LIMIT no verdict within " + std::to_wstring(timeout) + L" s");
                code = 2;
            } else {
                code = m_passed ? 0 : 1;
            }
        } else {
            code = loaded ? 4 : 3;
        }
    }
    tearDown();
    return code;
}

} // namespace

int wmain(int argc, wchar_t* argv[]) {
    if (FAILED(OleInitialize(nullptr)))
        return 4;
    int code;
    {
        Container container;
        code = container.run(argc, argv);
    }
    CoFreeUnusedLibraries();
    OleUninitialize();
    return code;
}
