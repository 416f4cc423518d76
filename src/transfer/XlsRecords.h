#pragma once

// The record stream of a .xls workbook: each record's type and body, and
// the CONTINUE records that carry on a long one. Every length is checked
// against the stream; nothing is read past it.
#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <vector>

namespace XlsRecords {

enum Type : quint16 {
    Formula = 0x0006,
    Eof = 0x000A,
    DateMode = 0x0022,
    FilePass = 0x002F,
    Continue = 0x003C,
    Codepage = 0x0042,
    BoundSheet = 0x0085,
    MulRk = 0x00BD,
    RString = 0x00D6,
    Xf = 0x00E0,
    Sst = 0x00FC,
    LabelSst = 0x00FD,
    Number = 0x0203,
    Label = 0x0204,
    BoolErr = 0x0205,
    String = 0x0207,
    Rk = 0x027E,
    Format = 0x041E,
    Bof = 0x0809,
};

inline quint16 u16(const char *at)
{
    return qFromLittleEndian<quint16>(at);
}
inline quint32 u32(const char *at)
{
    return qFromLittleEndian<quint32>(at);
}

// The body of a record and of the CONTINUE records after it. A string's
// characters may run on into the next one, which then starts with a flag
// byte of its own saying whether they are one or two bytes wide; anything
// else simply runs on.
class Pieces final {
public:
    void add(const char *data, int size) { m_pieces.push_back({data, size}); }

    bool take(char *out, int n)
    {
        for (int i = 0; i < n; ++i) {
            if (!ready())
                return false;
            out[i] = m_pieces[m_piece].data[m_at++];
        }
        return true;
    }
    template <typename T> bool number(T *value)
    {
        char bytes[sizeof(T)];
        if (!take(bytes, int(sizeof bytes)))
            return false;
        *value = qFromLittleEndian<T>(bytes);
        return true;
    }
    bool skip(qint64 n)
    {
        while (n > 0) {
            if (!ready())
                return false;
            const int step = int(std::min<qint64>(n, m_pieces[m_piece].size - m_at));
            m_at += step;
            n -= step;
        }
        return true;
    }
    template <typename Narrow> bool chars(int count, bool wide, const Narrow &narrow, QString *out)
    {
        while (count > 0) {
            if (m_at >= m_pieces[m_piece].size) {
                if (m_piece + 1 >= m_pieces.size() || m_pieces[m_piece + 1].size < 1)
                    return false;
                ++m_piece;
                m_at = 0;
                wide = m_pieces[m_piece].data[m_at++] & 1;
            }
            const Piece &piece = m_pieces[m_piece];
            const int width = wide ? 2 : 1;
            const int n = std::min(count, (piece.size - m_at) / width);
            if (n == 0)
                return false;
            const char *at = piece.data + m_at;
            if (wide) {
                for (int i = 0; i < n; ++i)
                    out->append(QChar(u16(at + qsizetype(2) * i)));
            } else {
                out->append(narrow(at, n));
            }
            m_at += n * width;
            count -= n;
        }
        return true;
    }

private:
    bool ready()
    {
        while (m_piece < m_pieces.size() && m_at >= m_pieces[m_piece].size) {
            if (m_piece + 1 == m_pieces.size())
                return false;
            ++m_piece;
            m_at = 0;
        }
        return m_piece < m_pieces.size();
    }

    struct Piece {
        const char *data;
        int size;
    };
    std::vector<Piece> m_pieces;
    size_t m_piece = 0;
    int m_at = 0;
};

struct Record {
    quint16 type = 0;
    const char *data = nullptr;
    int size = 0;
};

class Records final {
public:
    Records(const QByteArray &stream, qint64 at) : m_stream(stream), m_at(at) {}

    // False at the end of the stream or at a record that it cuts short.
    bool next(Record *record)
    {
        if (m_at < 0 || m_at + 4 > m_stream.size())
            return false;
        const char *head = m_stream.constData() + m_at;
        const int size = u16(head + 2);
        if (m_at + 4 + size > m_stream.size())
            return false;
        *record = {u16(head), head + 4, size};
        m_at += 4 + size;
        return true;
    }
    // The record's body and the CONTINUE records right after it.
    Pieces withContinues(const Record &record)
    {
        Pieces pieces;
        pieces.add(record.data, record.size);
        for (;;) {
            const qint64 at = m_at;
            Record more;
            if (!next(&more) || more.type != Continue) {
                m_at = at;
                return pieces;
            }
            pieces.add(more.data, more.size);
        }
    }

private:
    const QByteArray &m_stream;
    qint64 m_at;
};

} // namespace XlsRecords
