#include "romimage.h"

#include <QFileInfo>

#include <cstring>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace RomFs {

bool MemoryImage::read(quint64 offset, void *out, quint64 count) const
{
    if (offset > size() || count > size() - offset)
        return false;
    std::memcpy(out, m_bytes.constData() + offset, size_t(count));
    return true;
}

bool FileImage::open(const QString &path, QString *reason)
{
    // A folder or a device would open, and read as nothing or without end.
    const QFileInfo info(path);
    if (!info.isFile()) {
        if (reason)
            *reason = info.exists() ? QStringLiteral("not a file") : QStringLiteral("no such file");
        return false;
    }
    m_file.setFileName(path);
    // Unbuffered: each read is one positioned read of just the bytes asked for.
    if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        if (reason)
            *reason = m_file.errorString();
        return false;
    }
    m_size = quint64(m_file.size());
#ifdef Q_OS_UNIX
    m_handle = m_file.handle();
#endif
    return true;
}

bool FileImage::read(quint64 offset, void *out, quint64 count) const
{
    if (offset > m_size || count > m_size - offset)
        return false;
#ifdef Q_OS_UNIX
    // One system call for the many small reads of a file system walk.
    if (m_handle >= 0) {
        auto *to = static_cast<char *>(out);
        while (count > 0) {
            const ssize_t got = ::pread(m_handle, to, size_t(count), off_t(offset));
            if (got <= 0)
                return false;
            to += got;
            offset += quint64(got);
            count -= quint64(got);
        }
        return true;
    }
#endif
    if (!m_file.seek(qint64(offset)))
        return false;
    return m_file.read(static_cast<char *>(out), qint64(count)) == qint64(count);
}

bool Span::u32(quint64 offset, quint32 &value) const
{
    uchar b[4];
    if (!read(offset, b, 4))
        return false;
    value = quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
    return true;
}

bool Span::u16(quint64 offset, quint16 &value) const
{
    uchar b[2];
    if (!read(offset, b, 2))
        return false;
    value = quint16(b[0] | b[1] << 8);
    return true;
}

bool Span::hasMagic(quint64 offset, const char (&magic)[5]) const
{
    char b[4];
    return read(offset, b, 4) && std::memcmp(b, magic, 4) == 0;
}

} // namespace RomFs
