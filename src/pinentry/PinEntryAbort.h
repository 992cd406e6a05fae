#pragma once

#include "Child.h"

#include <mutex>

// Lets the owner of PIN exchanges end the one in progress: when the element goes while its
// dialog is open, nobody is left to answer, and its worker must not wait for a user who may
// never come back (or a program that never answers).
class PinEntryAbort {
public:
    // Ends the running program, if any, and every exchange started from now on.
    void abort();
    bool aborted() const;

    // While attached, abort() ends this program; a program attached after abort() is ended at
    // once. The exchange detaches before it waits for the program, so no id is ended after its
    // process was reaped.
    void attach(process::child& program);
    void detach();

private:
    mutable std::mutex m_mutex;
    bool m_aborted = false;
    process::child* m_program = nullptr;
};
