// SPDX-License-Identifier: GPL-2.0-or-later
// talvern-metafile KIND: writes the WMF or EMF metafile on standard input as SVG to standard output.
// The file comes as bytes, not by name: a name need not be valid in the locale's encoding.
#include "metafile/MetafileToSvg.h"

#include <QFile>

#include <cstdio>
#include <cstring>

#if defined(Q_OS_UNIX)
#include <sys/resource.h>
#endif

namespace {

// A hostile file may try to make the converter eat the machine; the program waits a few seconds at most.
void limitResources()
{
#if defined(Q_OS_UNIX)
    const rlimit cpu = {5, 5};
    setrlimit(RLIMIT_CPU, &cpu);
    const rlimit memory = {rlim_t(1) << 30, rlim_t(1) << 30};
    setrlimit(RLIMIT_AS, &memory);
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    limitResources();
    if (argc != 2 || (std::strcmp(argv[1], "wmf") != 0 && std::strcmp(argv[1], "emf") != 0)) {
        std::fputs("usage: talvern-metafile wmf|emf < FILE\n", stderr);
        return 2;
    }
    constexpr qint64 MaximumSize = qint64(64) << 20;
    QFile file;
    if (!file.open(stdin, QIODevice::ReadOnly))
        return 1;
    QByteArray metafile;
    while (metafile.size() <= MaximumSize) {
        const QByteArray block = file.read(64 * 1024);
        if (block.isEmpty())
            break;
        metafile += block;
    }
    if (metafile.size() > MaximumSize)
        return 1;
    const MetafileToSvg::Kind kind =
        std::strcmp(argv[1], "wmf") == 0 ? MetafileToSvg::Kind::Wmf : MetafileToSvg::Kind::Emf;
    const QByteArray svg = MetafileToSvg::convert(metafile, kind);
    if (svg.isEmpty())
        return 1;
    return std::fwrite(svg.constData(), 1, size_t(svg.size()), stdout) == size_t(svg.size()) ? 0 : 1;
}
