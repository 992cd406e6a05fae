#pragma once

#include <QWebPage>

// A web page whose console and dialogs go to standard output instead of a person: confirm
// answers yes and prompt answers its default, so pages run unattended.
class TestPage : public QWebPage {
    Q_OBJECT
public:
    using QWebPage::QWebPage;

protected:
    void javaScriptConsoleMessage(const QString& message, int lineNumber,
                                  const QString& sourceID) override;
    void javaScriptAlert(QWebFrame* frame, const QString& message) override;
    bool javaScriptConfirm(QWebFrame* frame, const QString& message) override;
    bool javaScriptPrompt(QWebFrame* frame, const QString& message, const QString& defaultValue,
                          QString* result) override;
};
