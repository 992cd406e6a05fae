#pragma once

#include "DriverOptions.h"
#include "ExitCode.h"
#include "TestBridge.h"

#include <QTimer>
#include <QUrl>
#include <QWebView>

class TestPage;

// One page in one browser window, from loading to the exit code: the page's verdict, a load
// failure or the time limit, whichever comes first (in interactive mode the window stays open).
class BrowserRun : public QObject {
    Q_OBJECT
public:
    explicit BrowserRun(const DriverOptions& options);

    // Shows the window and starts loading; false when the page does not exist. The application's
    // event loop then ends with the run's exit code.
    bool start();

private:
    void exposeBridge();
    void onLoadFinished(bool ok);
    void onVerdict(bool passed, const QString& summary);
    void onTimeLimit();
    void finish(ExitCode code);
    bool saveScreenshot();

    DriverOptions options_;
    QUrl url_;
    QWebView view_;
    TestPage* page_;
    TestBridge bridge_;
    QTimer timeLimit_;
    bool decided_ = false;
};
