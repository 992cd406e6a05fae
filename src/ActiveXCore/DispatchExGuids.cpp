// The interface identifiers of dispex.h, which the toolchain's uuid library lacks.
#include <initguid.h>

#include <dispex.h>
