// kv_browser: loads one page in QtWebKit with NPAPI plug-ins enabled, relays what the page says
// to standard output and exits with the page's verdict. tests/e2e/README.md describes its use.

#include "BrowserRun.h"
#include "DriverOptions.h"
#include "ExitCode.h"
#include "Watchdog.h"

#include <QApplication>
#include <QWebSettings>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

// QtWebKit reads the plug-in search path once, on first use; it must be in place before then.
void addPluginDirs(const std::vector<std::string>& dirs) {
    if (dirs.empty())
        return;
    QByteArray path;
    for (const std::string& dir : dirs)
        path += QByteArray::fromStdString(dir) + ':';
    path += qgetenv("QTWEBKIT_PLUGIN_PATH");
    if (path.endsWith(':'))
        path.chop(1);
    qputenv("QTWEBKIT_PLUGIN_PATH", path);
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(driverUsage, stdout);
        return ExitPassed;
    }
    std::string error;
    const std::optional<DriverOptions> options = parseDriverOptions(args, error);
    if (!options) {
        std::fprintf(stderr, "kv_browser: %s\n%s", error.c_str(), driverUsage);
        return ExitDriverError;
    }
    // The engine needs a real X server: plug-ins crash it on the offscreen platform.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("kv_browser: no X display; run it under xvfb-run -a\n", stderr);
        return ExitDriverError;
    }
    addPluginDirs(options->pluginDirs);

    QApplication app(argc, argv);
    QWebSettings* settings = QWebSettings::globalSettings();
    settings->setAttribute(QWebSettings::PluginsEnabled, true);
    settings->setAttribute(QWebSettings::JavascriptEnabled, true);
    settings->setAttribute(QWebSettings::DeveloperExtrasEnabled, options->interactive);

    std::optional<Watchdog> watchdog;
    if (!options->interactive)
        watchdog.emplace(std::chrono::seconds(options->timeLimitSeconds + 10));

    BrowserRun run(*options);
    if (!run.start())
        return ExitLoadFailed;
    return app.exec();
}
