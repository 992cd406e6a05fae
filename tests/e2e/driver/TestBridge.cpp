#include "TestBridge.h"

void TestBridge::done(bool passed, const QString& summary) {
    emit verdict(passed, summary);
}
