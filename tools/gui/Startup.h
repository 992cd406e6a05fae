#pragma once

// Makes the standard streams carry bytes unchanged (no line-end translation).
void binaryStandardStreams();
