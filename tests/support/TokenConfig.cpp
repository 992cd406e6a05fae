#include "TokenConfig.h"

#include <sstream>

std::string pinSlot(const std::string& serial, const std::string& pin) {
    return "[slot]\npresent = yes\nlabel = Kestrova\nserial = " + serial + "\npin = " + pin + "\n";
}

std::string pinpadSlot(const std::string& serial, const std::string& keypadInput) {
    return pinSlot(serial) + "protected-path = yes\nkeypad-input = " + keypadInput + "\n";
}

std::string emptySlot() {
    return "[slot]\npresent = no\n";
}

std::string removed(std::string slot) {
    const std::string present = "present = yes";
    return slot.replace(slot.find(present), present.size(), "present = no");
}

std::string fault(const std::string& function, int call, unsigned long rv) {
    std::ostringstream s;
    s << "[fault]\nfunction = " << function << "\ncall = " << call << "\nrv = 0x" << std::hex << rv
      << "\n";
    return s.str();
}
