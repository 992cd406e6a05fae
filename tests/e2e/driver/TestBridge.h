#pragma once

#include <QObject>
#include <QString>

// The object a page sees as `kvTest`: its one call ends the run with the page's verdict.
class TestBridge : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    Q_INVOKABLE void done(bool passed, const QString& summary = QString());
    // The browser process's own figures, for a page that watches for leaks: "rss=<kB>
    // fds=<open descriptors> threads=<n> sessions=<n>". Sessions are those the software token
    // named by KV_FIGURES_PKCS11 counts in this process (-1 when it is not loaded).
    Q_INVOKABLE QString processFigures() const;
    // A steady clock in microseconds, for pages that time calls more finely than Date.now.
    Q_INVOKABLE double microseconds() const;

signals:
    void verdict(bool passed, const QString& summary);
};
