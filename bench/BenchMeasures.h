// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// What the transfer benchmarks measure of this process, and the programs they send.

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <ctime>
#include <optional>
#include <sys/resource.h>

// User and system time of the whole process.
inline double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The calling thread's alone: what a benchmark burns to load the window is taken off Talvern's.
inline double threadCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// A figure of this process's memory from /proc/self/status, in KiB: "VmHWM:" the peak resident
// memory so far, "VmRSS:" the resident memory now.
inline qint64 statusKb(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// NC lines numbered from *number on, each ended by lineEnd, appended to text until it holds `bytes`.
inline void appendProgramLines(QByteArray &text, qint64 &number, qsizetype bytes, const QByteArray &lineEnd)
{
    while (text.size() < bytes) {
        text += "N" + QByteArray::number(number) + " G01 X" + QByteArray::number(number % 97) +
                ".125 Y-12.5 F200" + lineEnd;
        ++number;
    }
}

// A program of about `bytes` bytes: a name line, numbered moves and M30.
inline QByteArray program(qsizetype bytes, const QByteArray &lineEnd = "\r\n")
{
    QByteArray text = "O1000" + lineEnd;
    qint64 number = 1;
    appendProgramLines(text, number, bytes - 3 - lineEnd.size(), lineEnd);
    return text + "M30" + lineEnd;
}

// What reaches the machine for a program sent under `name` to an OSP control: a line ends at CR or
// CR LF and goes with one LF; a lone LF is part of its line, so an LF-only file is one line, which
// the end of the file ends.
inline QByteArray ospFraming(const QByteArray &name, const QByteArray &content)
{
    QByteArray body = QByteArray(content).replace("\r\n", "\n").replace('\r', '\n');
    if (!content.isEmpty() && !content.endsWith('\r') && !content.endsWith("\r\n"))
        body += '\n';
    return "$" + name + "%\r\n" + body + "%\r\n";
}

// CPU ms a megabyte for each tenth of `bytes`, from samples of (bytes done, CPU seconds) interpolated:
// a cost that grows with what went before shows as rising figures.
inline QString cpuByTenths(const QList<QPointF> &progress, qint64 bytes)
{
    const auto cpuAt = [&](double at) {
        QPointF before(0.0, 0.0);
        for (const QPointF &sample : progress) {
            if (sample.x() >= at) {
                const double span = sample.x() - before.x();
                return span <= 0.0 ? sample.y()
                                   : before.y() + (sample.y() - before.y()) * (at - before.x()) / span;
            }
            before = sample;
        }
        return before.y();
    };
    QStringList tenths;
    const double tenth = double(bytes) / 10.0;
    for (int k = 0; k < 10; ++k)
        tenths << QString::number(1000.0 * (cpuAt((k + 1) * tenth) - cpuAt(k * tenth)) / (tenth / 1048576.0),
                                  'f', 0);
    return tenths.join(QLatin1Char(' '));
}

// The program sizes a benchmark was given, in megabytes; 1, 100 and 1 024 when none; none after a
// word that is not a size, which the usage line then answers.
inline std::optional<QList<qint64>> megabytesFrom(const QStringList &arguments, const char *usage)
{
    QList<qint64> sizes;
    for (const QString &argument : arguments) {
        if (argument.toLongLong() <= 0) {
            std::fprintf(stderr, "usage: %s\n", usage);
            return std::nullopt;
        }
        sizes.append(argument.toLongLong());
    }
    if (sizes.isEmpty())
        sizes = {1, 100, 1024};
    return sizes;
}
