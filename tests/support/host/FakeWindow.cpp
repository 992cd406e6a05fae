#include "FakeWindow.h"

#include "BrowserHost.h"
#include "script_error.h"

#include <stdexcept>

FakeWindow::FakeWindow(const FB::BrowserHostPtr& host) : TestPageObject(host) {}

void FakeWindow::define(const std::string& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_functions.insert(name);
}

bool FakeWindow::defines(const std::string& name) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_functions.count(name) != 0;
}

std::vector<FakeWindow::Timer> FakeWindow::timers() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_timers;
}

std::size_t FakeWindow::runTimers() {
    const FB::BrowserHostPtr host = m_host.lock();
    if (!host || !host->IsMainThread())
        throw std::logic_error("runTimers must run on the host's main thread");
    std::vector<Timer> due;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        due.swap(m_timers);
    }
    for (const Timer& timer : due) {
        try {
            timer.func->Invoke(timer.method, timer.args);
        } catch (const std::exception&) {
        }
    }
    return due.size();
}

std::shared_ptr<RecordingFunction> FakeWindow::addConsole() {
    auto console = RecordingFunction::create(m_host.lock());
    SetProperty("console", FB::variant(FB::JSObjectPtr(console)));
    return console;
}

FB::variant FakeWindow::call(const std::string& name, const FB::VariantList& args) {
    if (!defines(name))
        throw FB::script_error("TypeError: window." + name + " is not a function");
    if (args.size() != 3 && args.size() != 4)
        return FB::variant();
    Timer timer{0, args[0].convert_to<int>(), args[1].convert_to<FB::JSObjectPtr>(),
                args[2].convert_to<FB::VariantList>(),
                args.size() == 4 ? args[3].convert_to<std::string>() : std::string()};
    if (!timer.func)
        throw FB::script_error("TypeError: f is not a function");
    std::lock_guard<std::mutex> lock(m_mutex);
    timer.id = ++m_lastTimer;
    m_timers.push_back(timer);
    return FB::variant(timer.id);
}
