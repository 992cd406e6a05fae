#include "PinEntryAbort.h"

void PinEntryAbort::abort() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_aborted = true;
    if (m_program)
        m_program->terminate();
}

bool PinEntryAbort::aborted() const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_aborted;
}

void PinEntryAbort::attach(process::child& program) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_program = &program;
    if (m_aborted)
        program.terminate();
}

void PinEntryAbort::detach() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_program = nullptr;
}
