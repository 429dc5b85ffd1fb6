// talvern-metafile KIND FILE: writes FILE (a WMF or EMF metafile) as SVG to standard output.
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
    if (argc != 3 || (std::strcmp(argv[1], "wmf") != 0 && std::strcmp(argv[1], "emf") != 0)) {
        std::fputs("usage: talvern-metafile wmf|emf FILE\n", stderr);
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::ReadOnly) || file.size() > (qint64(64) << 20))
        return 1;
    const MetafileToSvg::Kind kind =
        std::strcmp(argv[1], "wmf") == 0 ? MetafileToSvg::Kind::Wmf : MetafileToSvg::Kind::Emf;
    const QByteArray svg = MetafileToSvg::convert(file.readAll(), kind);
    if (svg.isEmpty())
        return 1;
    return std::fwrite(svg.constData(), 1, size_t(svg.size()), stdout) == size_t(svg.size()) ? 0 : 1;
}
