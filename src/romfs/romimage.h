#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>

namespace RomFs {

// Read-only bytes of a ROM image (or of data decompressed from one), read
// at positions. A read that is not wholly inside the bytes copies nothing.
class Image
{
public:
    virtual ~Image() = default;
    virtual quint64 size() const = 0;
    virtual bool read(quint64 offset, void *out, quint64 count) const = 0;
};

class MemoryImage final : public Image
{
public:
    explicit MemoryImage(QByteArray bytes) : m_bytes(std::move(bytes)) {}
    quint64 size() const override { return quint64(m_bytes.size()); }
    bool read(quint64 offset, void *out, quint64 count) const override;

private:
    QByteArray m_bytes;
};

// A file read with positioned reads only; nothing is ever written.
class FileImage final : public Image
{
public:
    // False with the reason when path is not a file or cannot be opened.
    bool open(const QString &path, QString *reason);
    quint64 size() const override { return m_size; }
    bool read(quint64 offset, void *out, quint64 count) const override;

private:
    mutable QFile m_file;
    quint64 m_size = 0;
    int m_handle = -1;
};

// A stretch of an image: a file inside the file system or an archive member.
struct Span
{
    const Image *image = nullptr;
    quint64 start = 0;
    quint64 size = 0;

    bool read(quint64 offset, void *out, quint64 count) const
    {
        return offset <= size && count <= size - offset && image->read(start + offset, out, count);
    }
    bool u32(quint64 offset, quint32 &value) const;
    bool u16(quint64 offset, quint16 &value) const;
    bool hasMagic(quint64 offset, const char (&magic)[5]) const;
    Span sub(quint64 offset, quint64 count) const { return { image, start + offset, count }; }
};

} // namespace RomFs
