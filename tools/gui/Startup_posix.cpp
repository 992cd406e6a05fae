#include "Startup.h"

void binaryStandardStreams() {}
