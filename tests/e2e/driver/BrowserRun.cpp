#include "BrowserRun.h"

#include "OutputLine.h"
#include "TestPage.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QWebFrame>

BrowserRun::BrowserRun(const DriverOptions& options)
    : options_(options), url_(QUrl::fromUserInput(QString::fromStdString(options.page),
                                                  QDir::currentPath(), QUrl::AssumeLocalFile)),
      page_(new TestPage(&view_)) {
    view_.setPage(page_);
    view_.resize(options_.width, options_.height);
    page_->setViewportSize(QSize(options_.width, options_.height));

    QWebFrame* frame = page_->mainFrame();
    connect(frame, &QWebFrame::javaScriptWindowObjectCleared, this, &BrowserRun::exposeBridge);
    connect(frame, &QWebFrame::loadFinished, this, &BrowserRun::onLoadFinished);
    connect(&bridge_, &TestBridge::verdict, this, &BrowserRun::onVerdict);

    timeLimit_.setSingleShot(true);
    timeLimit_.setInterval(options_.timeLimitSeconds * 1000);
    connect(&timeLimit_, &QTimer::timeout, this, &BrowserRun::onTimeLimit);
}

bool BrowserRun::start() {
    if (!url_.isValid() || (url_.isLocalFile() && !QFileInfo(url_.toLocalFile()).isFile())) {
        printLine(QStringLiteral("kv-test: LOAD FAILED "),
                  QString::fromStdString(options_.page) + QStringLiteral(" does not exist"));
        return false;
    }
    view_.show();
    if (!options_.interactive)
        timeLimit_.start();
    view_.load(url_);
    return true;
}

// Runs before any script of a newly loaded document, so inline scripts can already call kvTest.
void BrowserRun::exposeBridge() {
    page_->mainFrame()->addToJavaScriptWindowObject(QStringLiteral("kvTest"), &bridge_);
}

void BrowserRun::onLoadFinished(bool ok) {
    if (ok || decided_)
        return;
    printLine(QStringLiteral("kv-test: LOAD FAILED "), url_.toString());
    if (!options_.interactive)
        finish(ExitLoadFailed);
}

void BrowserRun::onVerdict(bool passed, const QString& summary) {
    if (decided_) {
        printLine(QStringLiteral("kv_browser: ignored a second verdict: "), summary);
        return;
    }
    printLine(passed ? QStringLiteral("kv-test: PASS ") : QStringLiteral("kv-test: FAIL "),
              summary);
    if (options_.interactive)
        return;
    // Leave the page's script first; the screenshot and the exit follow from the event loop.
    const ExitCode code = passed ? ExitPassed : ExitFailed;
    decided_ = true;
    QTimer::singleShot(0, this, [this, code] { finish(code); });
}

void BrowserRun::onTimeLimit() {
    if (decided_)
        return;
    printLine(QStringLiteral("kv-test: TIME LIMIT "),
              QStringLiteral("no verdict after %1 s").arg(options_.timeLimitSeconds));
    finish(ExitTimeLimit);
}

void BrowserRun::finish(ExitCode code) {
    decided_ = true;
    timeLimit_.stop();
    if (!options_.screenshot.empty() && !saveScreenshot()) {
        printLine(QStringLiteral("kv_browser: could not write the screenshot "),
                  QString::fromStdString(options_.screenshot));
        if (code == ExitPassed)
            code = ExitDriverError;
    }
    QApplication::exit(code);
}

bool BrowserRun::saveScreenshot() {
    QImage image(options_.width, options_.height, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    page_->mainFrame()->render(&painter);
    painter.end();
    return image.save(QString::fromStdString(options_.screenshot), "PNG");
}
