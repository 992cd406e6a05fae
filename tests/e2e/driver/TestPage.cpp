#include "TestPage.h"

#include "OutputLine.h"

void TestPage::javaScriptConsoleMessage(const QString& message, int, const QString&) {
    printLine(QStringLiteral("console: "), message);
}

void TestPage::javaScriptAlert(QWebFrame*, const QString& message) {
    printLine(QStringLiteral("alert: "), message);
}

bool TestPage::javaScriptConfirm(QWebFrame*, const QString& message) {
    printLine(QStringLiteral("confirm: "), message);
    return true;
}

bool TestPage::javaScriptPrompt(QWebFrame*, const QString& message, const QString& defaultValue,
                                QString* result) {
    printLine(QStringLiteral("prompt: "), message);
    *result = defaultValue;
    return true;
}
