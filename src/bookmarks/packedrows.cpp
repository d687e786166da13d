#include "packedrows.h"

namespace Bookmarks {

namespace {

QByteArray utf8Of(const QString &text)
{
    if (text.isNull())
        return QByteArray();
    // An empty text is not NULL: its bytes must not be null either.
    return text.isEmpty() ? QByteArray("") : text.toUtf8();
}

QByteArrayView viewOf(const QByteArray &bytes)
{
    return bytes.isNull() ? QByteArrayView() : QByteArrayView(bytes.constData(), bytes.size());
}

void appendField(QByteArray &texts, QByteArrayView bytes)
{
    quint64 size = bytes.isNull() ? 0 : quint64(bytes.size()) + 1;
    while (size >= 0x80) {
        texts.append(char(0x80 | (size & 0x7F)));
        size >>= 7;
    }
    texts.append(char(size));
    texts.append(bytes);
}

} // namespace

PackedRows::Field PackedRows::field(qsizetype from) const
{
    const char *data = m_texts.constData();
    quint64 size = 0;
    int shift = 0;
    uchar byte;
    do {
        byte = uchar(data[from++]);
        size |= quint64(byte & 0x7F) << shift;
        shift += 7;
    } while (byte & 0x80);
    if (size == 0)
        return { QByteArrayView(), from };
    return { QByteArrayView(data + from, qsizetype(size - 1)), from + qsizetype(size - 1) };
}

bool PackedRows::isNull(qsizetype row, int column) const
{
    return utf8(row, column).isNull();
}

QByteArrayView PackedRows::utf8(qsizetype row, int column) const
{
    const Field surname = field(m_entries.at(row).start);
    return column == Surname ? surname.bytes : field(surname.end).bytes;
}

QString PackedRows::text(qsizetype row, int column) const
{
    const QByteArrayView bytes = utf8(row, column);
    if (bytes.isNull())
        return QString();
    return bytes.isEmpty() ? QStringLiteral("") : QString::fromUtf8(bytes);
}

Row PackedRows::row(qsizetype row) const
{
    return { rowid(row), text(row, Surname), text(row, Forename) };
}

PackedRows::Entry PackedRows::store(qint64 rowid, QByteArrayView surname, QByteArrayView forename)
{
    const Entry entry{ rowid, m_texts.size() };
    appendField(m_texts, surname);
    appendField(m_texts, forename);
    return entry;
}

void PackedRows::dropped(const Entry &entry)
{
    m_unused += field(field(entry.start).end).end - entry.start;
    // Rewrite the buffer once most of it is left over from changes.
    if (m_unused < 4096 || m_unused * 2 < m_texts.size())
        return;
    PackedRows packed;
    packed.m_entries.reserve(m_entries.size());
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        packed.appendFrom(*this, i);
    *this = std::move(packed);
}

void PackedRows::append(const Row &row)
{
    const QByteArray surname = utf8Of(row.surname), forename = utf8Of(row.forename);
    m_entries.append(store(row.rowid, viewOf(surname), viewOf(forename)));
}

void PackedRows::appendFrom(const PackedRows &other, qsizetype row)
{
    m_entries.append(store(other.rowid(row), other.utf8(row, Surname), other.utf8(row, Forename)));
}

void PackedRows::appendUtf8(qint64 rowid, QByteArrayView surname, QByteArrayView forename)
{
    m_entries.append(store(rowid, surname, forename));
}

void PackedRows::insert(qsizetype at, const Row &row)
{
    const QByteArray surname = utf8Of(row.surname), forename = utf8Of(row.forename);
    m_entries.insert(at, store(row.rowid, viewOf(surname), viewOf(forename)));
}

void PackedRows::replace(qsizetype at, const Row &row)
{
    const Entry old = m_entries.at(at);
    const QByteArray surname = utf8Of(row.surname), forename = utf8Of(row.forename);
    m_entries[at] = store(row.rowid, viewOf(surname), viewOf(forename));
    dropped(old);
}

void PackedRows::remove(qsizetype at)
{
    const Entry old = m_entries.at(at);
    m_entries.remove(at);
    dropped(old);
}

void PackedRows::squeeze()
{
    m_entries.squeeze();
    m_texts.squeeze();
}

void PackedRows::clear()
{
    m_entries.clear();
    m_texts.clear();
    m_unused = 0;
}

} // namespace Bookmarks
