#pragma once

#include <windows.h>

// The GUIDs of the type library (defined by the file the IDL compiler makes from kestrova.idl).
extern "C" {
extern const IID IID_IFBControl;
extern const IID IID_IFBComJavascriptObject;
extern const IID DIID_IFBComEventSource;
extern const IID LIBID_kestrovaLib;
extern const CLSID CLSID_FBControl;
extern const CLSID CLSID_FBComJavascriptObject;
}

namespace FB::ActiveX {

// The module's identity as a COM server.
inline constexpr const wchar_t* AppId = L"{A3C9E571-2D84-4F6B-9E02-7B15D8C4A963}";
inline constexpr const char* ProgId = "Velmora.kestrova.1";
inline constexpr const char* VersionIndependentProgId = "Velmora.kestrova";
inline constexpr const char* ThreadingModel = "Apartment";
// The control's MIME type, also the source of its script exceptions.
inline constexpr const char* ControlMimeType = "application/x-kestrova";
// Resource ids of the registration scripts (type "REGISTRY").
inline constexpr int AppIdScript = 101;
inline constexpr int ControlScript = 103;

} // namespace FB::ActiveX
