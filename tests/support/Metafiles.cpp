// SPDX-License-Identifier: GPL-2.0-or-later
#include "support/Metafiles.h"

#include <QDataStream>
#include <QIODevice>

namespace {

QDataStream &littleEndian(QDataStream &out)
{
    out.setByteOrder(QDataStream::LittleEndian);
    return out;
}

} // namespace

QByteArray Metafiles::wmf(const QRect &r)
{
    QByteArray records;
    QDataStream out(&records, QIODevice::WriteOnly);
    littleEndian(out);
    out << quint32(5) << quint16(0x020B) << qint16(0) << qint16(0);       // window origin
    out << quint32(5) << quint16(0x020C) << qint16(1440) << qint16(2880); // window extent
    // The ground is drawn too: a metafile's picture is framed by what it draws.
    out << quint32(7) << quint16(0x02FC) << quint16(0) << quint32(0x00FFFFFF) << quint16(0); // white brush
    out << quint32(4) << quint16(0x012D) << quint16(0);                                      // select it
    out << quint32(7) << quint16(0x041B) << qint16(1440) << qint16(2880) << qint16(0) << qint16(0);
    out << quint32(7) << quint16(0x02FC) << quint16(0) << quint32(0x000000FF) << quint16(0); // red brush
    out << quint32(4) << quint16(0x012D) << quint16(1);                                      // select it
    out << quint32(7) << quint16(0x041B) << qint16(r.bottom()) << qint16(r.right()) << qint16(r.top())
        << qint16(r.left());              // rectangle
    out << quint32(3) << quint16(0x0000); // end

    QByteArray file;
    QDataStream head(&file, QIODevice::WriteOnly);
    littleEndian(head);
    const quint16 placeable[] = {0xCDD7, 0x9AC6, 0, 0, 0, 2880, 1440, 1440, 0, 0};
    quint16 checksum = 0;
    for (quint16 word : placeable) {
        head << word;
        checksum ^= word;
    }
    head << checksum;
    const quint32 words = quint32(9 + records.size() / 2);
    head << quint16(1) << quint16(9) << quint16(0x0300) << words << quint16(2) << quint32(7) << quint16(0);
    return file + records;
}

QByteArray Metafiles::emf(const QRect &r)
{
    QByteArray records;
    QDataStream out(&records, QIODevice::WriteOnly);
    littleEndian(out);
    out << quint32(39) << quint32(24) << quint32(1) << quint32(0) << quint32(0x000000FF)
        << quint32(0);                               // brush
    out << quint32(37) << quint32(12) << quint32(1); // select
    out << quint32(43) << quint32(24) << qint32(r.left()) << qint32(r.top()) << qint32(r.right())
        << qint32(r.bottom());                                                     // rectangle
    out << quint32(14) << quint32(20) << quint32(0) << quint32(16) << quint32(20); // end

    QByteArray file;
    QDataStream head(&file, QIODevice::WriteOnly);
    littleEndian(head);
    const quint32 size = quint32(88 + records.size());
    head << quint32(1) << quint32(88);                              // header record
    head << qint32(0) << qint32(0) << qint32(199) << qint32(99);    // bounds, pixels
    head << qint32(0) << qint32(0) << qint32(5292) << qint32(2646); // frame, 0.01 mm
    head << quint32(0x464D4520) << quint32(0x10000) << size
         << quint32(5); // signature, version, bytes, records
    head << quint16(2) << quint16(0) << quint32(0) << quint32(0)
         << quint32(0);                                                // handles, description, palette
    head << qint32(1024) << qint32(768) << qint32(270) << qint32(203); // device pixels and millimetres
    return file + records;
}
