#include "OutputLine.h"

#include <cstdio>

void printLine(const QString& prefix, const QString& text) {
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String("\\n"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"));
    const QByteArray bytes = (prefix + line + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}
