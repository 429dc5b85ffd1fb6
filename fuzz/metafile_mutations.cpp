// SPDX-License-Identifier: GPL-2.0-or-later
// Feeds mutated WMF and EMF files through the preview's own path (PictureReader with the real
// converter beside it) and counts how each ends: a picture, an empty pane, or the converter's
// timeout. Talvern itself must never crash or hang: a read that outlasts the converter's timeout by
// far ends the run.
//
//   metafile_mutations [files] [seed]
#include "browser/PictureReader.h"
#include "support/Metafiles.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <thread>

namespace {

constexpr int TimeoutSeconds = 10; // PictureReader's wait for the converter
constexpr int HangSeconds = 30;

using Random = std::mt19937;

quint32 pick(Random &random, quint32 below)
{
    return std::uniform_int_distribution<quint32>(0, below - 1)(random);
}

// The offsets of the length fields: the header's sizes and counts, then each record's size.
QList<qsizetype> lengthFields(const QByteArray &file, bool emf)
{
    QList<qsizetype> fields;
    const auto dword = [&file](qsizetype at) { return qFromLittleEndian<quint32>(file.constData() + at); };
    if (emf) {
        fields << 4 << 48 << 52;
        for (qsizetype at = 0; at + 8 <= file.size();) {
            fields << at + 4;
            const quint32 size = dword(at + 4);
            if (size < 8)
                break;
            at += size;
        }
    } else {
        fields << 28 << 34;
        for (qsizetype at = 40; at + 6 <= file.size();) {
            fields << at;
            const quint32 words = dword(at);
            if (words < 3)
                break;
            at += qsizetype(words) * 2;
        }
    }
    return fields;
}

QByteArray mutate(QByteArray file, bool emf, Random &random)
{
    const quint32 kind = pick(random, 4);
    if (kind == 0 || kind == 3) { // a few bytes changed anywhere
        for (quint32 n = 1 + pick(random, 8); n > 0; --n)
            file[pick(random, quint32(file.size()))] ^= char(1 + pick(random, 255));
    }
    if (kind == 1) // cut short
        file.truncate(pick(random, quint32(file.size())));
    if (kind == 2 || kind == 3) { // a length blown up or zeroed
        const QList<qsizetype> fields = lengthFields(file, emf);
        const qsizetype at = fields[pick(random, quint32(fields.size()))];
        static const quint32 values[] = {0, 1, 0x7FFFFFFF, 0xFFFFFFFF, 0x10000, 0x3FFFFFFF};
        quint32 value = values[pick(random, std::size(values))];
        if (pick(random, 3) == 0)
            value = random();
        if (at + 4 <= file.size())
            qToLittleEndian(value, file.data() + at);
    }
    return file;
}

// What the converter alone does with the file: "refused" (an exit code) or "crashed" (a signal).
bool converterCrashes(const QByteArray &file, const QString &kind)
{
    QProcess converter;
    converter.setStandardErrorFile(QProcess::nullDevice());
    converter.start(PictureReader::converterPath(), {kind});
    converter.write(file);
    converter.closeWriteChannel();
    converter.waitForFinished(TimeoutSeconds * 1000);
    return converter.exitStatus() == QProcess::CrashExit;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 3000;
    Random random(argc > 2 ? quint32(std::atoi(argv[2])) : 14u);
    const QByteArray seeds[] = {
        Metafiles::wmf(QRect(QPoint(1440, 0), QPoint(2880, 1440))), Metafiles::wmf(QRect(0, 0, 100, 100)),
        Metafiles::emf(QRect(QPoint(100, 0), QPoint(199, 99))), Metafiles::emf(QRect(0, 0, 100, 100))};
    QTemporaryDir folder;

    std::atomic<qint64> started{-1}; // milliseconds since the epoch of the read under way, or -1
    std::thread watchdog([&started] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            const qint64 since = started.load();
            if (since == -2)
                return;
            if (since >= 0 && QDateTime::currentMSecsSinceEpoch() - since > HangSeconds * 1000) {
                std::fprintf(stderr, "A read has hung for %d seconds\n", HangSeconds);
                std::abort();
            }
        }
    });

    int pictures = 0, empty = 0, timeouts = 0, crashes = 0;
    for (int i = 0; i < files; ++i) {
        const int seed = int(pick(random, std::size(seeds)));
        const bool emf = seed >= 2;
        const QByteArray file = mutate(seeds[seed], emf, random);
        const QString path = folder.filePath(emf ? QStringLiteral("M.EMF") : QStringLiteral("M.WMF"));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(file) != file.size())
            return 2;
        out.close();

        QElapsedTimer clock;
        clock.start();
        started = QDateTime::currentMSecsSinceEpoch();
        const QImage picture = PictureReader::read(path);
        started = -1;
        if (!picture.isNull()) {
            ++pictures;
        } else if (clock.elapsed() >= TimeoutSeconds * 1000) {
            ++timeouts;
        } else {
            ++empty;
            crashes += converterCrashes(file, emf ? QStringLiteral("emf") : QStringLiteral("wmf"));
        }
    }
    started = -2;
    watchdog.join();
    std::printf("%d mutated metafiles: %d pictures, %d empty panes (the converter crashed on %d of them), "
                "%d converter timeouts\n",
                files, pictures, empty, crashes, timeouts);
    return 0;
}
