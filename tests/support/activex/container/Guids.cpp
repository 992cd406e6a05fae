// Interface identifiers of the script-engine and dispex headers, which the toolchain's uuid
// library lacks.
#include <initguid.h>

#include <activscp.h>
#include <dispex.h>
