// SPDX-License-Identifier: GPL-2.0-or-later
#include "transfer/SendSource.h"

#include "platform/NativeFile.h"
#include "platform/SystemReason.h"

namespace {

constexpr qint64 ChunkBytes = 64 * 1024;

} // namespace

QString SendSource::open(const QString &path)
{
    close();
    const QString failure = NativeFile::open(m_file, path, QIODevice::ReadOnly);
    if (!failure.isEmpty())
        return failure;
    m_size = m_file.size();
    return {};
}

void SendSource::close()
{
    m_file.close();
    m_size = 0;
    m_out.clear();
    m_at = 0;
    m_error.clear();
    m_fileDone = false;
    m_afterCr = false;
    m_lineOpen = false;
}

qint64 SendSource::consumed() const
{
    if (atEnd())
        return m_size;
    return qBound<qint64>(0, m_file.pos() - (m_out.size() - m_at), m_size);
}

QByteArray SendSource::next(qint64 max)
{
    if (m_at == m_out.size()) {
        m_out.clear();
        m_at = 0;
        fill();
    }
    const QByteArray piece = m_out.mid(m_at, max);
    m_at += piece.size();
    return piece;
}

void SendSource::fill()
{
    if (m_fileDone || !m_error.isEmpty())
        return;
    QByteArray chunk(ChunkBytes, Qt::Uninitialized);
    const qint64 read = m_file.read(chunk.data(), ChunkBytes);
    if (read < 0) {
        m_error = SystemReason::of(m_file);
        return;
    }
    m_out.reserve(read + 1);
    for (qint64 i = 0; i < read; ++i) {
        const char byte = chunk[i];
        if (byte == '\r') {
            m_out += '\n';
            m_afterCr = true;
            m_lineOpen = false;
        } else if (byte == '\n' && m_afterCr) {
            m_afterCr = false;
        } else {
            m_out += byte;
            m_afterCr = false;
            m_lineOpen = true;
        }
    }
    if (read == 0) {
        m_fileDone = true;
        if (m_lineOpen)
            m_out += '\n';
        m_lineOpen = false;
    }
}
