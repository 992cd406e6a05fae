#pragma once

// The Netscape plug-in interface (NPAPI) as browsers lay it out in memory: basic types, the
// scripting runtime (NPObject, NPClass, NPVariant), the two function tables and the module entry
// points. Names, member order and numeric values are the published ones; only the spelling is
// ours. The published headers pack nothing on Windows or Linux (only 32-bit Mac OS used mac68k
// alignment), so every structure here has the compiler's default layout.

#include <cstddef>
#include <cstdint>
#include <cstring>

// Calling conventions. Table entries use the platform's default C convention everywhere; the three
// Windows module entry points are WINAPI (__stdcall). NP_LOADDS only ever meant something on
// Win16 and OS/2.
#define NP_LOADDS
#if defined(_WIN32)
#define OSCALL __stdcall
#define NP_EXPORT(type) type
#else
#define OSCALL
#define NP_EXPORT(type) __attribute__((visibility("default"))) type
#endif

// The published headers mark a few COM-era selectors with this mask on Unix builds made by
// GCC 3 or later, so a GCC-built plug-in sees e.g. NPNVToolkit as 0x1000000D there.
#if defined(_WIN32)
#define NP_ABI_MASK 0
#else
#define NP_ABI_MASK 0x10000000
#endif

extern "C" {

// ---- Versions --------------------------------------------------------------------------------

constexpr int NP_VERSION_MAJOR = 0;
constexpr int NP_VERSION_MINOR = 29;

// Minor versions that introduced the features this system may test for.
constexpr int NPVERS_HAS_STREAMOUTPUT = 8;
constexpr int NPVERS_HAS_NOTIFICATION = 9;
constexpr int NPVERS_HAS_LIVECONNECT = 9;
constexpr int NPVERS_68K_HAS_LIVECONNECT = 11;
constexpr int NPVERS_HAS_WINDOWLESS = 11;
constexpr int NPVERS_HAS_XPCONNECT_SCRIPTING = 13;
constexpr int NPVERS_HAS_NPRUNTIME_SCRIPTING = 14;
constexpr int NPVERS_HAS_FORM_VALUES = 15;
constexpr int NPVERS_HAS_POPUPS_ENABLED_STATE = 16;
constexpr int NPVERS_HAS_RESPONSE_HEADERS = 17;
constexpr int NPVERS_HAS_NPOBJECT_ENUM = 18;
constexpr int NPVERS_HAS_PLUGIN_THREAD_ASYNC_CALL = 19;
constexpr int NPVERS_HAS_ALL_NETWORK_STREAMS = 20;
constexpr int NPVERS_HAS_URL_AND_AUTH_INFO = 21;
constexpr int NPVERS_HAS_PRIVATE_MODE = 22;
constexpr int NPVERS_MACOSX_HAS_COCOA_EVENTS = 23;
constexpr int NPVERS_HAS_ADVANCED_KEY_HANDLING = 25;
constexpr int NPVERS_HAS_URL_REDIRECT_HANDLING = 26;
constexpr int NPVERS_HAS_CLEAR_SITE_DATA = 27;

// ---- Basic types -----------------------------------------------------------------------------

typedef unsigned char NPBool;
typedef int16_t NPError;
typedef int16_t NPReason;
typedef char* NPMIMEType;
typedef char NPUTF8;
typedef void* NPIdentifier;
typedef void* NPRegion; // HRGN on Windows, an X Region on Linux: both pointer-sized handles
typedef void* NPMenu;

constexpr NPError NPERR_NO_ERROR = 0;
constexpr NPError NPERR_GENERIC_ERROR = 1;
constexpr NPError NPERR_INVALID_INSTANCE_ERROR = 2;
constexpr NPError NPERR_INVALID_FUNCTABLE_ERROR = 3;
constexpr NPError NPERR_MODULE_LOAD_FAILED_ERROR = 4;
constexpr NPError NPERR_OUT_OF_MEMORY_ERROR = 5;
constexpr NPError NPERR_INVALID_PLUGIN_ERROR = 6;
constexpr NPError NPERR_INVALID_PLUGIN_DIR_ERROR = 7;
constexpr NPError NPERR_INCOMPATIBLE_VERSION_ERROR = 8;
constexpr NPError NPERR_INVALID_PARAM = 9;
constexpr NPError NPERR_INVALID_URL = 10;
constexpr NPError NPERR_FILE_NOT_FOUND = 11;
constexpr NPError NPERR_NO_DATA = 12;
constexpr NPError NPERR_STREAM_NOT_SEEKABLE = 13;
constexpr NPError NPERR_TIME_RANGE_NOT_SUPPORTED = 14;
constexpr NPError NPERR_MALFORMED_SITE = 15;

constexpr NPReason NPRES_DONE = 0;
constexpr NPReason NPRES_NETWORK_ERR = 1;
constexpr NPReason NPRES_USER_BREAK = 2;

// NPP_New mode.
constexpr uint16_t NP_EMBED = 1;
constexpr uint16_t NP_FULL = 2;

// NPP_NewStream stream type.
constexpr uint16_t NP_NORMAL = 1;
constexpr uint16_t NP_SEEK = 2;
constexpr uint16_t NP_ASFILE = 3;
constexpr uint16_t NP_ASFILEONLY = 4;

constexpr int32_t NP_MAXREADY = 0x7FFFFFFF;

// NPP_HandleEvent results.
constexpr int16_t kNPEventNotHandled = 0;
constexpr int16_t kNPEventHandled = 1;
constexpr int16_t kNPEventStartIME = 2;

// NPP_ClearSiteData flags.
constexpr uint64_t NP_CLEAR_ALL = 0;
constexpr uint64_t NP_CLEAR_CACHE = 1;

// ---- Structures ------------------------------------------------------------------------------

typedef struct _NPP {
    void* pdata; // the plug-in's
    void* ndata; // the browser's
} NPP_t;
typedef NPP_t* NPP;

typedef struct _NPStream {
    void* pdata;
    void* ndata;
    const char* url;
    uint32_t end;
    uint32_t lastmodified;
    void* notifyData;
    const char* headers;
} NPStream;

typedef struct _NPByteRange {
    int32_t offset;
    uint32_t length;
    struct _NPByteRange* next;
} NPByteRange;

typedef struct _NPSavedData {
    int32_t len;
    void* buf;
} NPSavedData;

typedef struct _NPRect {
    uint16_t top;
    uint16_t left;
    uint16_t bottom;
    uint16_t right;
} NPRect;

typedef struct _NPSize {
    int32_t width;
    int32_t height;
} NPSize;

typedef enum { NPFocusNext = 0, NPFocusPrevious = 1 } NPFocusDirection;

typedef enum { NPImageFormatBGRA32 = 0x1, NPImageFormatBGRX32 = 0x2 } NPImageFormat;

typedef struct _NPAsyncSurface {
    uint32_t version;
    NPSize size;
    NPImageFormat format;
    union {
        struct {
            uint32_t stride;
            void* data;
        } bitmap;
        void* sharedHandle; // a HANDLE, Windows only
    };
} NPAsyncSurface;

typedef enum { NPWindowTypeWindow = 1, NPWindowTypeDrawable } NPWindowType;

typedef struct _NPWindow {
    void* window; // HWND or HDC on Windows, an X window or drawable on Linux
    int32_t x;
    int32_t y;
    uint32_t width;
    uint32_t height;
    NPRect clipRect;
#if !defined(_WIN32)
    void* ws_info; // NPSetWindowCallbackStruct*
#endif
    NPWindowType type;
} NPWindow;

typedef struct _NPFullPrint {
    NPBool pluginPrinted;
    NPBool printOne;
    void* platformPrint;
} NPFullPrint;

typedef struct _NPEmbedPrint {
    NPWindow window;
    void* platformPrint;
} NPEmbedPrint;

typedef struct _NPPrint {
    uint16_t mode; // NP_FULL or NP_EMBED
    union {
        NPFullPrint fullPrint;
        NPEmbedPrint embedPrint;
    } print;
} NPPrint;

#if defined(_WIN32)
// What NPP_HandleEvent's void* points to on Windows (on Linux it is an XEvent).
typedef struct _NPEvent {
    uint16_t event;
    uintptr_t wParam;
    intptr_t lParam;
} NPEvent;
#endif

typedef enum {
    NPCoordinateSpacePlugin = 1,
    NPCoordinateSpaceWindow,
    NPCoordinateSpaceFlippedWindow,
    NPCoordinateSpaceScreen,
    NPCoordinateSpaceFlippedScreen
} NPCoordinateSpace;

typedef enum {
    NPDrawingModelSyncWin = 5,
    NPDrawingModelSyncX = 6,
    NPDrawingModelAsyncBitmapSurface = 7,
    NPDrawingModelAsyncWindowsDXGISurface = 8
} NPDrawingModel;

// ---- Variables of NPP_GetValue / NPN_SetValue and NPN_GetValue / NPP_SetValue ----------------

typedef enum {
    NPPVpluginNameString = 1,
    NPPVpluginDescriptionString = 2,
    NPPVpluginWindowBool = 3,
    NPPVpluginTransparentBool = 4,
    NPPVjavaClass = 5,
    NPPVpluginWindowSize = 6,
    NPPVpluginTimerInterval = 7,
    NPPVpluginScriptableInstance = (10 | NP_ABI_MASK),
    NPPVpluginScriptableIID = 11,
    NPPVjavascriptPushCallerBool = 12,
    NPPVpluginKeepLibraryInMemory = 13,
    NPPVpluginNeedsXEmbed = 14,
    NPPVpluginScriptableNPObject = 15,
    NPPVformValue = 16,
    NPPVpluginUrlRequestsDisplayedBool = 17,
    NPPVpluginWantsAllNetworkStreams = 18,
    NPPVpluginNativeAccessibleAtkPlugId = 19,
    NPPVpluginCancelSrcStream = 20,
    NPPVsupportsAdvancedKeyHandling = 21,
    NPPVpluginUsesDOMForCursorBool = 22,
    NPPVpluginDrawingModel = 1000,
    NPPVpluginIsPlayingAudio = 4000,
    NPPVpluginRequiresAudioDeviceChanges = 4001 // Windows only
} NPPVariable;

typedef enum {
    NPNVxDisplay = 1,
    NPNVxtAppContext = 2,
    NPNVnetscapeWindow = 3,
    NPNVjavascriptEnabledBool = 4,
    NPNVasdEnabledBool = 5,
    NPNVisOfflineBool = 6,
    NPNVserviceManager = (10 | NP_ABI_MASK),
    NPNVDOMElement = (11 | NP_ABI_MASK),
    NPNVDOMWindow = (12 | NP_ABI_MASK),
    NPNVToolkit = (13 | NP_ABI_MASK),
    NPNVSupportsXEmbedBool = 14,
    NPNVWindowNPObject = 15,
    NPNVPluginElementNPObject = 16,
    NPNVSupportsWindowless = 17,
    NPNVprivateModeBool = 18,
    NPNVsupportsAdvancedKeyHandling = 21,
    NPNVdocumentOrigin = 22,
    NPNVCSSZoomFactor = 23,
    NPNVpluginDrawingModel = 1000,
    NPNVcontentsScaleFactor = 1001, // Windows and Mac OS only
    NPNVsupportsAsyncBitmapSurfaceBool = 2007,
    NPNVsupportsAsyncWindowsDXGISurfaceBool = 2008, // Windows only
    NPNVpreferredDXGIAdapter = 2009,                // Windows only
    NPNVmuteAudioBool = 4000,
    NPNVaudioDeviceChangeDetails = 4001 // Windows only
} NPNVariable;

typedef enum { NPNURLVCookie = 501, NPNURLVProxy = 502 } NPNURLVariable;

// Answers to NPNVToolkit.
typedef enum { NPNVGtk12 = 1, NPNVGtk2 = 2 } NPNToolkitType;

// ---- Scripting runtime -----------------------------------------------------------------------

typedef struct NPObject NPObject;
typedef struct NPClass NPClass;

typedef struct _NPString {
    const NPUTF8* UTF8Characters;
    uint32_t UTF8Length; // bytes, without a terminating zero
} NPString;

typedef enum {
    NPVariantType_Void,
    NPVariantType_Null,
    NPVariantType_Bool,
    NPVariantType_Int32,
    NPVariantType_Double,
    NPVariantType_String,
    NPVariantType_Object
} NPVariantType;

typedef struct _NPVariant {
    NPVariantType type;
    union {
        bool boolValue;
        int32_t intValue;
        double doubleValue;
        NPString stringValue;
        NPObject* objectValue;
    } value;
} NPVariant;

typedef NPObject* (*NPAllocateFunctionPtr)(NPP npp, NPClass* aClass);
typedef void (*NPDeallocateFunctionPtr)(NPObject* npobj);
typedef void (*NPInvalidateFunctionPtr)(NPObject* npobj);
typedef bool (*NPHasMethodFunctionPtr)(NPObject* npobj, NPIdentifier name);
typedef bool (*NPInvokeFunctionPtr)(NPObject* npobj, NPIdentifier name, const NPVariant* args,
                                    uint32_t argCount, NPVariant* result);
typedef bool (*NPInvokeDefaultFunctionPtr)(NPObject* npobj, const NPVariant* args,
                                           uint32_t argCount, NPVariant* result);
typedef bool (*NPHasPropertyFunctionPtr)(NPObject* npobj, NPIdentifier name);
typedef bool (*NPGetPropertyFunctionPtr)(NPObject* npobj, NPIdentifier name, NPVariant* result);
typedef bool (*NPSetPropertyFunctionPtr)(NPObject* npobj, NPIdentifier name,
                                         const NPVariant* value);
typedef bool (*NPRemovePropertyFunctionPtr)(NPObject* npobj, NPIdentifier name);
typedef bool (*NPEnumerationFunctionPtr)(NPObject* npobj, NPIdentifier** value, uint32_t* count);
typedef bool (*NPConstructFunctionPtr)(NPObject* npobj, const NPVariant* args, uint32_t argCount,
                                       NPVariant* result);

struct NPClass {
    uint32_t structVersion;
    NPAllocateFunctionPtr allocate;
    NPDeallocateFunctionPtr deallocate;
    NPInvalidateFunctionPtr invalidate;
    NPHasMethodFunctionPtr hasMethod;
    NPInvokeFunctionPtr invoke;
    NPInvokeDefaultFunctionPtr invokeDefault;
    NPHasPropertyFunctionPtr hasProperty;
    NPGetPropertyFunctionPtr getProperty;
    NPSetPropertyFunctionPtr setProperty;
    NPRemovePropertyFunctionPtr removeProperty;
    NPEnumerationFunctionPtr enumerate; // from structure version 2
    NPConstructFunctionPtr construct;   // from structure version 3
};

constexpr uint32_t NP_CLASS_STRUCT_VERSION = 3;
constexpr uint32_t NP_CLASS_STRUCT_VERSION_ENUM = 2;
constexpr uint32_t NP_CLASS_STRUCT_VERSION_CTOR = 3;

// The browser allocates more after this header when a class has an allocate callback.
struct NPObject {
    NPClass* _class;
    uint32_t referenceCount;
};

// ---- Plug-in function table (NPP_*) ----------------------------------------------------------

typedef NPError (*NPP_NewProcPtr)(NPMIMEType pluginType, NPP instance, uint16_t mode, int16_t argc,
                                  char* argn[], char* argv[], NPSavedData* saved);
typedef NPError (*NPP_DestroyProcPtr)(NPP instance, NPSavedData** save);
typedef NPError (*NPP_SetWindowProcPtr)(NPP instance, NPWindow* window);
typedef NPError (*NPP_NewStreamProcPtr)(NPP instance, NPMIMEType type, NPStream* stream,
                                        NPBool seekable, uint16_t* stype);
typedef NPError (*NPP_DestroyStreamProcPtr)(NPP instance, NPStream* stream, NPReason reason);
typedef int32_t (*NPP_WriteReadyProcPtr)(NPP instance, NPStream* stream);
typedef int32_t (*NPP_WriteProcPtr)(NPP instance, NPStream* stream, int32_t offset, int32_t len,
                                    void* buffer);
typedef void (*NPP_StreamAsFileProcPtr)(NPP instance, NPStream* stream, const char* fname);
typedef void (*NPP_PrintProcPtr)(NPP instance, NPPrint* platformPrint);
typedef int16_t (*NPP_HandleEventProcPtr)(NPP instance, void* event);
typedef void (*NPP_URLNotifyProcPtr)(NPP instance, const char* url, NPReason reason,
                                     void* notifyData);
typedef NPError (*NPP_GetValueProcPtr)(NPP instance, NPPVariable variable, void* ret_value);
typedef NPError (*NPP_SetValueProcPtr)(NPP instance, NPNVariable variable, void* value);
typedef NPBool (*NPP_GotFocusPtr)(NPP instance, NPFocusDirection direction);
typedef void (*NPP_LostFocusPtr)(NPP instance);
typedef void (*NPP_URLRedirectNotifyPtr)(NPP instance, const char* url, int32_t status,
                                         void* notifyData);
typedef NPError (*NPP_ClearSiteDataPtr)(const char* site, uint64_t flags, uint64_t maxAge);
typedef char** (*NPP_GetSitesWithDataPtr)(void);
typedef void (*NPP_DidCompositePtr)(NPP instance);

// The browser fills size and version; entries past what its size covers must not be written.
typedef struct _NPPluginFuncs {
    uint16_t size;
    uint16_t version;
    NPP_NewProcPtr newp;
    NPP_DestroyProcPtr destroy;
    NPP_SetWindowProcPtr setwindow;
    NPP_NewStreamProcPtr newstream;
    NPP_DestroyStreamProcPtr destroystream;
    NPP_StreamAsFileProcPtr asfile;
    NPP_WriteReadyProcPtr writeready;
    NPP_WriteProcPtr write;
    NPP_PrintProcPtr print;
    NPP_HandleEventProcPtr event;
    NPP_URLNotifyProcPtr urlnotify;
    void* javaClass;
    NPP_GetValueProcPtr getvalue;
    NPP_SetValueProcPtr setvalue;
    NPP_GotFocusPtr gotfocus;
    NPP_LostFocusPtr lostfocus;
    NPP_URLRedirectNotifyPtr urlredirectnotify;
    NPP_ClearSiteDataPtr clearsitedata;
    NPP_GetSitesWithDataPtr getsiteswithdata;
    NPP_DidCompositePtr didComposite;
} NPPluginFuncs;

// ---- Browser function table (NPN_*) ----------------------------------------------------------

typedef NPError (*NPN_GetURLProcPtr)(NPP instance, const char* url, const char* window);
typedef NPError (*NPN_PostURLProcPtr)(NPP instance, const char* url, const char* window,
                                      uint32_t len, const char* buf, NPBool file);
typedef NPError (*NPN_RequestReadProcPtr)(NPStream* stream, NPByteRange* rangeList);
typedef NPError (*NPN_NewStreamProcPtr)(NPP instance, NPMIMEType type, const char* window,
                                        NPStream** stream);
typedef int32_t (*NPN_WriteProcPtr)(NPP instance, NPStream* stream, int32_t len, void* buffer);
typedef NPError (*NPN_DestroyStreamProcPtr)(NPP instance, NPStream* stream, NPReason reason);
typedef void (*NPN_StatusProcPtr)(NPP instance, const char* message);
typedef const char* (*NPN_UserAgentProcPtr)(NPP instance);
typedef void* (*NPN_MemAllocProcPtr)(uint32_t size);
typedef void (*NPN_MemFreeProcPtr)(void* ptr);
typedef uint32_t (*NPN_MemFlushProcPtr)(uint32_t size);
typedef void (*NPN_ReloadPluginsProcPtr)(NPBool reloadPages);
typedef void* (*NPN_GetJavaEnvProcPtr)(void);
typedef void* (*NPN_GetJavaPeerProcPtr)(NPP instance);
typedef NPError (*NPN_GetURLNotifyProcPtr)(NPP instance, const char* url, const char* window,
                                           void* notifyData);
typedef NPError (*NPN_PostURLNotifyProcPtr)(NPP instance, const char* url, const char* window,
                                            uint32_t len, const char* buf, NPBool file,
                                            void* notifyData);
typedef NPError (*NPN_GetValueProcPtr)(NPP instance, NPNVariable variable, void* ret_value);
typedef NPError (*NPN_SetValueProcPtr)(NPP instance, NPPVariable variable, void* value);
typedef void (*NPN_InvalidateRectProcPtr)(NPP instance, NPRect* rect);
typedef void (*NPN_InvalidateRegionProcPtr)(NPP instance, NPRegion region);
typedef void (*NPN_ForceRedrawProcPtr)(NPP instance);
typedef NPIdentifier (*NPN_GetStringIdentifierProcPtr)(const NPUTF8* name);
typedef void (*NPN_GetStringIdentifiersProcPtr)(const NPUTF8** names, int32_t nameCount,
                                                NPIdentifier* identifiers);
typedef NPIdentifier (*NPN_GetIntIdentifierProcPtr)(int32_t intid);
typedef bool (*NPN_IdentifierIsStringProcPtr)(NPIdentifier identifier);
typedef NPUTF8* (*NPN_UTF8FromIdentifierProcPtr)(NPIdentifier identifier);
typedef int32_t (*NPN_IntFromIdentifierProcPtr)(NPIdentifier identifier);
typedef NPObject* (*NPN_CreateObjectProcPtr)(NPP npp, NPClass* aClass);
typedef NPObject* (*NPN_RetainObjectProcPtr)(NPObject* obj);
typedef void (*NPN_ReleaseObjectProcPtr)(NPObject* obj);
typedef bool (*NPN_InvokeProcPtr)(NPP npp, NPObject* obj, NPIdentifier methodName,
                                  const NPVariant* args, uint32_t argCount, NPVariant* result);
typedef bool (*NPN_InvokeDefaultProcPtr)(NPP npp, NPObject* obj, const NPVariant* args,
                                         uint32_t argCount, NPVariant* result);
typedef bool (*NPN_EvaluateProcPtr)(NPP npp, NPObject* obj, NPString* script, NPVariant* result);
typedef bool (*NPN_GetPropertyProcPtr)(NPP npp, NPObject* obj, NPIdentifier propertyName,
                                       NPVariant* result);
typedef bool (*NPN_SetPropertyProcPtr)(NPP npp, NPObject* obj, NPIdentifier propertyName,
                                       const NPVariant* value);
typedef bool (*NPN_RemovePropertyProcPtr)(NPP npp, NPObject* obj, NPIdentifier propertyName);
typedef bool (*NPN_HasPropertyProcPtr)(NPP npp, NPObject* obj, NPIdentifier propertyName);
typedef bool (*NPN_HasMethodProcPtr)(NPP npp, NPObject* obj, NPIdentifier propertyName);
typedef void (*NPN_ReleaseVariantValueProcPtr)(NPVariant* variant);
typedef void (*NPN_SetExceptionProcPtr)(NPObject* obj, const NPUTF8* message);
typedef void (*NPN_PushPopupsEnabledStateProcPtr)(NPP npp, NPBool enabled);
typedef void (*NPN_PopPopupsEnabledStateProcPtr)(NPP npp);
typedef bool (*NPN_EnumerateProcPtr)(NPP npp, NPObject* obj, NPIdentifier** identifier,
                                     uint32_t* count);
typedef void (*NPN_PluginThreadAsyncCallProcPtr)(NPP instance, void (*func)(void*), void* userData);
typedef bool (*NPN_ConstructProcPtr)(NPP npp, NPObject* obj, const NPVariant* args,
                                     uint32_t argCount, NPVariant* result);
typedef NPError (*NPN_GetValueForURLPtr)(NPP npp, NPNURLVariable variable, const char* url,
                                         char** value, uint32_t* len);
typedef NPError (*NPN_SetValueForURLPtr)(NPP npp, NPNURLVariable variable, const char* url,
                                         const char* value, uint32_t len);
typedef NPError (*NPN_GetAuthenticationInfoPtr)(NPP npp, const char* protocol, const char* host,
                                                int32_t port, const char* scheme, const char* realm,
                                                char** username, uint32_t* ulen, char** password,
                                                uint32_t* plen);
typedef uint32_t (*NPN_ScheduleTimerPtr)(NPP instance, uint32_t interval, NPBool repeat,
                                         void (*timerFunc)(NPP npp, uint32_t timerID));
typedef void (*NPN_UnscheduleTimerPtr)(NPP instance, uint32_t timerID);
typedef NPError (*NPN_PopUpContextMenuPtr)(NPP instance, NPMenu* menu);
typedef NPBool (*NPN_ConvertPointPtr)(NPP instance, double sourceX, double sourceY,
                                      NPCoordinateSpace sourceSpace, double* destX, double* destY,
                                      NPCoordinateSpace destSpace);
typedef NPBool (*NPN_HandleEventPtr)(NPP instance, void* event, NPBool handled);
typedef NPBool (*NPN_UnfocusInstancePtr)(NPP instance, NPFocusDirection direction);
typedef void (*NPN_URLRedirectResponsePtr)(NPP instance, void* notifyData, NPBool allow);
typedef NPError (*NPN_InitAsyncSurfacePtr)(NPP instance, NPSize* size, NPImageFormat format,
                                           void* initData, NPAsyncSurface* surface);
typedef NPError (*NPN_FinalizeAsyncSurfacePtr)(NPP instance, NPAsyncSurface* surface);
typedef void (*NPN_SetCurrentAsyncSurfacePtr)(NPP instance, NPAsyncSurface* surface,
                                              NPRect* changed);

// Browsers hand over tables of different lengths: `size` says how many bytes are really there, so
// an entry past it does not exist and must not be read. QtWebKit 5.212, for one, gives version 26
// and a table that ends with urlredirectresponse (448 bytes on x86_64).
typedef struct _NPNetscapeFuncs {
    uint16_t size;
    uint16_t version;
    NPN_GetURLProcPtr geturl;
    NPN_PostURLProcPtr posturl;
    NPN_RequestReadProcPtr requestread;
    NPN_NewStreamProcPtr newstream;
    NPN_WriteProcPtr write;
    NPN_DestroyStreamProcPtr destroystream;
    NPN_StatusProcPtr status;
    NPN_UserAgentProcPtr uagent;
    NPN_MemAllocProcPtr memalloc;
    NPN_MemFreeProcPtr memfree;
    NPN_MemFlushProcPtr memflush;
    NPN_ReloadPluginsProcPtr reloadplugins;
    NPN_GetJavaEnvProcPtr getJavaEnv;
    NPN_GetJavaPeerProcPtr getJavaPeer;
    NPN_GetURLNotifyProcPtr geturlnotify;
    NPN_PostURLNotifyProcPtr posturlnotify;
    NPN_GetValueProcPtr getvalue;
    NPN_SetValueProcPtr setvalue;
    NPN_InvalidateRectProcPtr invalidaterect;
    NPN_InvalidateRegionProcPtr invalidateregion;
    NPN_ForceRedrawProcPtr forceredraw;
    NPN_GetStringIdentifierProcPtr getstringidentifier;
    NPN_GetStringIdentifiersProcPtr getstringidentifiers;
    NPN_GetIntIdentifierProcPtr getintidentifier;
    NPN_IdentifierIsStringProcPtr identifierisstring;
    NPN_UTF8FromIdentifierProcPtr utf8fromidentifier;
    NPN_IntFromIdentifierProcPtr intfromidentifier;
    NPN_CreateObjectProcPtr createobject;
    NPN_RetainObjectProcPtr retainobject;
    NPN_ReleaseObjectProcPtr releaseobject;
    NPN_InvokeProcPtr invoke;
    NPN_InvokeDefaultProcPtr invokeDefault;
    NPN_EvaluateProcPtr evaluate;
    NPN_GetPropertyProcPtr getproperty;
    NPN_SetPropertyProcPtr setproperty;
    NPN_RemovePropertyProcPtr removeproperty;
    NPN_HasPropertyProcPtr hasproperty;
    NPN_HasMethodProcPtr hasmethod;
    NPN_ReleaseVariantValueProcPtr releasevariantvalue;
    NPN_SetExceptionProcPtr setexception;
    NPN_PushPopupsEnabledStateProcPtr pushpopupsenabledstate;
    NPN_PopPopupsEnabledStateProcPtr poppopupsenabledstate;
    NPN_EnumerateProcPtr enumerate;
    NPN_PluginThreadAsyncCallProcPtr pluginthreadasynccall;
    NPN_ConstructProcPtr construct;
    NPN_GetValueForURLPtr getvalueforurl;
    NPN_SetValueForURLPtr setvalueforurl;
    NPN_GetAuthenticationInfoPtr getauthenticationinfo;
    NPN_ScheduleTimerPtr scheduletimer;
    NPN_UnscheduleTimerPtr unscheduletimer;
    NPN_PopUpContextMenuPtr popupcontextmenu;
    NPN_ConvertPointPtr convertpoint;
    NPN_HandleEventPtr handleevent;
    NPN_UnfocusInstancePtr unfocusinstance;
    NPN_URLRedirectResponsePtr urlredirectresponse;
    NPN_InitAsyncSurfacePtr initasyncsurface;
    NPN_FinalizeAsyncSurfacePtr finalizeasyncsurface;
    NPN_SetCurrentAsyncSurfacePtr setcurrentasyncsurface;
} NPNetscapeFuncs;

// ---- Module entry points ---------------------------------------------------------------------

#if defined(_WIN32)
typedef NPError(OSCALL* NP_GetEntryPointsFunc)(NPPluginFuncs* pFuncs);
typedef NPError(OSCALL* NP_InitializeFunc)(NPNetscapeFuncs* bFuncs);
typedef NPError(OSCALL* NP_ShutdownFunc)(void);
NPError OSCALL NP_GetEntryPoints(NPPluginFuncs* pFuncs);
NPError OSCALL NP_Initialize(NPNetscapeFuncs* bFuncs);
NPError OSCALL NP_Shutdown(void);
#else
// On Linux NP_Initialize also fills the plug-in table; there is no NP_GetEntryPoints.
typedef const char* (*NP_GetMIMEDescriptionFunc)(void);
typedef NPError (*NP_GetValueFunc)(void* future, NPPVariable variable, void* value);
typedef NPError (*NP_InitializeFunc)(NPNetscapeFuncs* bFuncs, NPPluginFuncs* pFuncs);
typedef NPError (*NP_ShutdownFunc)(void);
NP_EXPORT(const char*) NP_GetMIMEDescription(void);
NP_EXPORT(NPError) NP_GetValue(void* future, NPPVariable variable, void* value);
NP_EXPORT(NPError) NP_Initialize(NPNetscapeFuncs* bFuncs, NPPluginFuncs* pFuncs);
NP_EXPORT(NPError) NP_Shutdown(void);
#endif

} // extern "C"

// ---- NPVariant helpers (the published macros, as functions) ----------------------------------

inline bool NPVARIANT_IS_VOID(const NPVariant& v) {
    return v.type == NPVariantType_Void;
}
inline bool NPVARIANT_IS_NULL(const NPVariant& v) {
    return v.type == NPVariantType_Null;
}
inline bool NPVARIANT_IS_BOOLEAN(const NPVariant& v) {
    return v.type == NPVariantType_Bool;
}
inline bool NPVARIANT_IS_INT32(const NPVariant& v) {
    return v.type == NPVariantType_Int32;
}
inline bool NPVARIANT_IS_DOUBLE(const NPVariant& v) {
    return v.type == NPVariantType_Double;
}
inline bool NPVARIANT_IS_STRING(const NPVariant& v) {
    return v.type == NPVariantType_String;
}
inline bool NPVARIANT_IS_OBJECT(const NPVariant& v) {
    return v.type == NPVariantType_Object;
}

inline bool NPVARIANT_TO_BOOLEAN(const NPVariant& v) {
    return v.value.boolValue;
}
inline int32_t NPVARIANT_TO_INT32(const NPVariant& v) {
    return v.value.intValue;
}
inline double NPVARIANT_TO_DOUBLE(const NPVariant& v) {
    return v.value.doubleValue;
}
inline const NPString& NPVARIANT_TO_STRING(const NPVariant& v) {
    return v.value.stringValue;
}
inline NPObject* NPVARIANT_TO_OBJECT(const NPVariant& v) {
    return v.value.objectValue;
}

inline void VOID_TO_NPVARIANT(NPVariant& v) {
    v.type = NPVariantType_Void;
    v.value.objectValue = nullptr;
}
inline void NULL_TO_NPVARIANT(NPVariant& v) {
    v.type = NPVariantType_Null;
    v.value.objectValue = nullptr;
}
inline void BOOLEAN_TO_NPVARIANT(bool value, NPVariant& v) {
    v.type = NPVariantType_Bool;
    v.value.boolValue = value;
}
inline void INT32_TO_NPVARIANT(int32_t value, NPVariant& v) {
    v.type = NPVariantType_Int32;
    v.value.intValue = value;
}
inline void DOUBLE_TO_NPVARIANT(double value, NPVariant& v) {
    v.type = NPVariantType_Double;
    v.value.doubleValue = value;
}
// The variant points at the characters; it neither copies nor owns them.
inline void STRINGN_TO_NPVARIANT(const NPUTF8* chars, uint32_t length, NPVariant& v) {
    v.type = NPVariantType_String;
    v.value.stringValue = NPString{chars, length};
}
inline void STRINGZ_TO_NPVARIANT(const NPUTF8* chars, NPVariant& v) {
    STRINGN_TO_NPVARIANT(chars, static_cast<uint32_t>(std::strlen(chars)), v);
}
inline void OBJECT_TO_NPVARIANT(NPObject* object, NPVariant& v) {
    v.type = NPVariantType_Object;
    v.value.objectValue = object;
}

// ---- Layout checks that hold on every build --------------------------------------------------

// Both tables are two 16-bit fields followed by pointer-sized slots with no gaps.
static_assert(offsetof(NPNetscapeFuncs, geturl) == sizeof(void*), "browser table header");
static_assert(offsetof(NPNetscapeFuncs, urlredirectresponse) == 55 * sizeof(void*),
              "browser table up to version 27");
static_assert(sizeof(NPNetscapeFuncs) == 59 * sizeof(void*), "browser table length");
static_assert(offsetof(NPPluginFuncs, newp) == sizeof(void*), "plug-in table header");
static_assert(offsetof(NPPluginFuncs, javaClass) == 12 * sizeof(void*), "plug-in table");
static_assert(sizeof(NPPluginFuncs) == 21 * sizeof(void*), "plug-in table length");
static_assert(sizeof(NPClass) == 13 * sizeof(void*), "version field plus twelve callbacks");
static_assert(sizeof(NPObject) == 2 * sizeof(void*), "class pointer and reference count");
static_assert(sizeof(NPP_t) == 2 * sizeof(void*), "instance handle");
static_assert(offsetof(NPVariant, value) == alignof(decltype(NPVariant::value)),
              "variant value follows the type tag");
static_assert(sizeof(NPError) == 2 && sizeof(NPBool) == 1, "basic types");
