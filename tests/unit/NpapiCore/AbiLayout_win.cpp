#include "AbiLayout.h"

#include "npapi_abi.h"

static_assert(sizeof(void*) == 4, "these figures are those of 32-bit Windows");

const int platformAbiMask = 0;

// Worked out by hand from the published declarations under the 32-bit Windows rules (a double
// inside a structure is aligned to 8 bytes).
std::vector<LayoutCase> platformLayout() {
    return {
        {"sizeof NPNetscapeFuncs", sizeof(NPNetscapeFuncs), 236},
        {"NPNetscapeFuncs.geturl", offsetof(NPNetscapeFuncs, geturl), 4},
        {"NPNetscapeFuncs.memalloc", offsetof(NPNetscapeFuncs, memalloc), 36},
        {"NPNetscapeFuncs.getvalue", offsetof(NPNetscapeFuncs, getvalue), 68},
        {"NPNetscapeFuncs.setvalue", offsetof(NPNetscapeFuncs, setvalue), 72},
        {"NPNetscapeFuncs.getstringidentifier", offsetof(NPNetscapeFuncs, getstringidentifier), 88},
        {"NPNetscapeFuncs.createobject", offsetof(NPNetscapeFuncs, createobject), 112},
        {"NPNetscapeFuncs.releaseobject", offsetof(NPNetscapeFuncs, releaseobject), 120},
        {"NPNetscapeFuncs.invoke", offsetof(NPNetscapeFuncs, invoke), 124},
        {"NPNetscapeFuncs.evaluate", offsetof(NPNetscapeFuncs, evaluate), 132},
        {"NPNetscapeFuncs.releasevariantvalue", offsetof(NPNetscapeFuncs, releasevariantvalue),
         156},
        {"NPNetscapeFuncs.setexception", offsetof(NPNetscapeFuncs, setexception), 160},
        {"NPNetscapeFuncs.pluginthreadasynccall", offsetof(NPNetscapeFuncs, pluginthreadasynccall),
         176},
        {"NPNetscapeFuncs.construct", offsetof(NPNetscapeFuncs, construct), 180},
        {"NPNetscapeFuncs.getvalueforurl", offsetof(NPNetscapeFuncs, getvalueforurl), 184},
        {"NPNetscapeFuncs.scheduletimer", offsetof(NPNetscapeFuncs, scheduletimer), 196},
        {"NPNetscapeFuncs.urlredirectresponse", offsetof(NPNetscapeFuncs, urlredirectresponse),
         220},
        {"NPNetscapeFuncs.initasyncsurface", offsetof(NPNetscapeFuncs, initasyncsurface), 224},
        {"NPNetscapeFuncs.setcurrentasyncsurface",
         offsetof(NPNetscapeFuncs, setcurrentasyncsurface), 232},

        {"sizeof NPPluginFuncs", sizeof(NPPluginFuncs), 84},
        {"NPPluginFuncs.newp", offsetof(NPPluginFuncs, newp), 4},
        {"NPPluginFuncs.javaClass", offsetof(NPPluginFuncs, javaClass), 48},
        {"NPPluginFuncs.getvalue", offsetof(NPPluginFuncs, getvalue), 52},
        {"NPPluginFuncs.setvalue", offsetof(NPPluginFuncs, setvalue), 56},
        {"NPPluginFuncs.didComposite", offsetof(NPPluginFuncs, didComposite), 80},

        {"sizeof NPClass", sizeof(NPClass), 52},
        {"NPClass.allocate", offsetof(NPClass, allocate), 4},
        {"NPClass.invoke", offsetof(NPClass, invoke), 20},
        {"NPClass.enumerate", offsetof(NPClass, enumerate), 44},
        {"NPClass.construct", offsetof(NPClass, construct), 48},
        {"sizeof NPObject", sizeof(NPObject), 8},
        {"NPObject.referenceCount", offsetof(NPObject, referenceCount), 4},

        {"sizeof NPVariant", sizeof(NPVariant), 16},
        {"NPVariant.value", offsetof(NPVariant, value), 8},
        {"sizeof NPString", sizeof(NPString), 8},
        {"NPString.UTF8Length", offsetof(NPString, UTF8Length), 4},

        {"sizeof NPWindow", sizeof(NPWindow), 32},
        {"NPWindow.x", offsetof(NPWindow, x), 4},
        {"NPWindow.clipRect", offsetof(NPWindow, clipRect), 20},
        {"NPWindow.type", offsetof(NPWindow, type), 28},
        {"sizeof NPStream", sizeof(NPStream), 28},
        {"NPStream.end", offsetof(NPStream, end), 12},
        {"NPStream.headers", offsetof(NPStream, headers), 24},
        {"sizeof NPSavedData", sizeof(NPSavedData), 8},
        {"sizeof NPPrint", sizeof(NPPrint), 40},
        {"sizeof NPEvent", sizeof(NPEvent), 12},
        {"NPEvent.wParam", offsetof(NPEvent, wParam), 4},
        {"sizeof NPP_t", sizeof(NPP_t), 8},
    };
}
