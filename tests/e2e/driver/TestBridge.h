#pragma once

#include <QObject>
#include <QString>

// The object a page sees as `kvTest`: its one call ends the run with the page's verdict.
class TestBridge : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    Q_INVOKABLE void done(bool passed, const QString& summary = QString());

signals:
    void verdict(bool passed, const QString& summary);
};
