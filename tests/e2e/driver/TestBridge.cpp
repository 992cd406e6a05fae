#include "TestBridge.h"

#include "KvSoftToken.h"

#include <chrono>
#include <dlfcn.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

long statusField(const QString& status, const QString& name) {
    const QRegularExpression field(QStringLiteral("^%1:\\s+(\\d+)").arg(name),
                                   QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = field.match(status);
    return m.hasMatch() ? m.captured(1).toLong() : -1;
}

// The module is only looked up, never loaded here: a count from a second copy would say
// nothing about the plug-in's.
long tokenSessions() {
    const QByteArray path = qgetenv("KV_FIGURES_PKCS11");
    void* module = path.isEmpty() ? nullptr : dlopen(path.constData(), RTLD_LAZY | RTLD_NOLOAD);
    if (!module)
        return -1;
    long sessions = -1;
    if (auto status = reinterpret_cast<KV_SoftTokenStatusFn>(dlsym(module, "KV_SoftTokenStatus"))) {
        KV_SOFTTOKEN_STATUS s{};
        if (status(0, &s) == CKR_OK)
            sessions = static_cast<long>(s.sessions);
    }
    dlclose(module);
    return sessions;
}

} // namespace

void TestBridge::done(bool passed, const QString& summary) {
    emit verdict(passed, summary);
}

QString TestBridge::processFigures() const {
    QFile file(QStringLiteral("/proc/self/status"));
    file.open(QIODevice::ReadOnly);
    const QString status = QString::fromLatin1(file.readAll());
    const auto fds = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot).size();
    return QStringLiteral("rss=%1 fds=%2 threads=%3 sessions=%4")
        .arg(statusField(status, QStringLiteral("VmRSS")))
        .arg(fds)
        .arg(statusField(status, QStringLiteral("Threads")))
        .arg(tokenSessions());
}

double TestBridge::microseconds() const {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double, std::micro>(now).count();
}
