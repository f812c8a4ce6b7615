#pragma once
// Memory figures of this process, read from /proc/self/status.

#include <QByteArray>
#include <QFile>

namespace tools {

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM"), or -1.
inline long StatusKiB(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = field + ':';
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').first().toLong();
    return -1;
}

} // namespace tools
