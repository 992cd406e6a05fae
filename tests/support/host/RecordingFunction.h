#pragma once

#include "TestPageObject.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// A function of the test page, such as a callback handed to the plug-in. Each call (of the
// function itself, name "", or of a method of it, such as a console's "log") is recorded
// with its arguments and the thread it ran on.
class RecordingFunction : public TestPageObject {
public:
    struct Call {
        std::string name;
        FB::VariantList args;
        std::thread::id thread;
        bool onMainThread;
    };

    static std::shared_ptr<RecordingFunction> create(const FB::BrowserHostPtr& host);
    explicit RecordingFunction(const FB::BrowserHostPtr& host);

    // Every later call throws FB::script_error with this message, as a failing page function.
    void throwScriptError(const std::string& message);
    // Every later call returns this value (empty at first).
    void returnValue(const FB::variant& value);

    std::vector<Call> calls() const;
    std::size_t callCount() const;
    // The arguments of call number index (from 0); throws std::out_of_range.
    FB::VariantList args(std::size_t index) const;

protected:
    FB::variant call(const std::string& name, const FB::VariantList& args) override;
    bool hasMethod(const std::string& name) const override { return name.empty(); }

private:
    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
    std::optional<std::string> m_error;
    FB::variant m_result;
};
