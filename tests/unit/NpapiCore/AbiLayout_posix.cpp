#include "AbiLayout.h"

#include "npapi_abi.h"

static_assert(sizeof(void*) == 8, "these figures are those of x86_64 Linux");

const int platformAbiMask = 0x10000000;

// Worked out by hand from the published declarations under the x86_64 System V rules.
std::vector<LayoutCase> platformLayout() {
    return {
        {"sizeof NPNetscapeFuncs", sizeof(NPNetscapeFuncs), 472},
        {"NPNetscapeFuncs.geturl", offsetof(NPNetscapeFuncs, geturl), 8},
        {"NPNetscapeFuncs.memalloc", offsetof(NPNetscapeFuncs, memalloc), 72},
        {"NPNetscapeFuncs.getvalue", offsetof(NPNetscapeFuncs, getvalue), 136},
        {"NPNetscapeFuncs.setvalue", offsetof(NPNetscapeFuncs, setvalue), 144},
        {"NPNetscapeFuncs.getstringidentifier", offsetof(NPNetscapeFuncs, getstringidentifier),
         176},
        {"NPNetscapeFuncs.createobject", offsetof(NPNetscapeFuncs, createobject), 224},
        {"NPNetscapeFuncs.releaseobject", offsetof(NPNetscapeFuncs, releaseobject), 240},
        {"NPNetscapeFuncs.invoke", offsetof(NPNetscapeFuncs, invoke), 248},
        {"NPNetscapeFuncs.evaluate", offsetof(NPNetscapeFuncs, evaluate), 264},
        {"NPNetscapeFuncs.releasevariantvalue", offsetof(NPNetscapeFuncs, releasevariantvalue),
         312},
        {"NPNetscapeFuncs.setexception", offsetof(NPNetscapeFuncs, setexception), 320},
        {"NPNetscapeFuncs.pluginthreadasynccall", offsetof(NPNetscapeFuncs, pluginthreadasynccall),
         352},
        {"NPNetscapeFuncs.construct", offsetof(NPNetscapeFuncs, construct), 360},
        {"NPNetscapeFuncs.getvalueforurl", offsetof(NPNetscapeFuncs, getvalueforurl), 368},
        {"NPNetscapeFuncs.scheduletimer", offsetof(NPNetscapeFuncs, scheduletimer), 392},
        {"NPNetscapeFuncs.urlredirectresponse", offsetof(NPNetscapeFuncs, urlredirectresponse),
         440},
        {"NPNetscapeFuncs.initasyncsurface", offsetof(NPNetscapeFuncs, initasyncsurface), 448},
        {"NPNetscapeFuncs.setcurrentasyncsurface",
         offsetof(NPNetscapeFuncs, setcurrentasyncsurface), 464},

        {"sizeof NPPluginFuncs", sizeof(NPPluginFuncs), 168},
        {"NPPluginFuncs.newp", offsetof(NPPluginFuncs, newp), 8},
        {"NPPluginFuncs.javaClass", offsetof(NPPluginFuncs, javaClass), 96},
        {"NPPluginFuncs.getvalue", offsetof(NPPluginFuncs, getvalue), 104},
        {"NPPluginFuncs.setvalue", offsetof(NPPluginFuncs, setvalue), 112},
        {"NPPluginFuncs.didComposite", offsetof(NPPluginFuncs, didComposite), 160},

        {"sizeof NPClass", sizeof(NPClass), 104},
        {"NPClass.allocate", offsetof(NPClass, allocate), 8},
        {"NPClass.invoke", offsetof(NPClass, invoke), 40},
        {"NPClass.enumerate", offsetof(NPClass, enumerate), 88},
        {"NPClass.construct", offsetof(NPClass, construct), 96},
        {"sizeof NPObject", sizeof(NPObject), 16},
        {"NPObject.referenceCount", offsetof(NPObject, referenceCount), 8},

        {"sizeof NPVariant", sizeof(NPVariant), 24},
        {"NPVariant.value", offsetof(NPVariant, value), 8},
        {"sizeof NPString", sizeof(NPString), 16},
        {"NPString.UTF8Length", offsetof(NPString, UTF8Length), 8},

        {"sizeof NPWindow", sizeof(NPWindow), 48},
        {"NPWindow.x", offsetof(NPWindow, x), 8},
        {"NPWindow.clipRect", offsetof(NPWindow, clipRect), 24},
        {"NPWindow.ws_info", offsetof(NPWindow, ws_info), 32},
        {"NPWindow.type", offsetof(NPWindow, type), 40},
        {"sizeof NPStream", sizeof(NPStream), 48},
        {"NPStream.end", offsetof(NPStream, end), 24},
        {"NPStream.headers", offsetof(NPStream, headers), 40},
        {"sizeof NPSavedData", sizeof(NPSavedData), 16},
        {"sizeof NPPrint", sizeof(NPPrint), 64},
        {"sizeof NPP_t", sizeof(NPP_t), 16},
    };
}
