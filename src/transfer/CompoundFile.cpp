#include "transfer/CompoundFile.h"

#include <QtEndian>

#include <vector>

namespace {

constexpr quint32 kMaxSector = 0xFFFFFFFA;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kNoEntry = 0xFFFFFFFF;
constexpr int kHeaderSize = 512;
constexpr int kHeaderFatSlots = 109;
constexpr int kEntrySize = 128;
constexpr int kMiniSectorSize = 64;
constexpr quint32 kMiniStreamCutoff = 4096;

enum EntryType : quint8 { StreamEntry = 2, RootEntry = 5 };

quint32 u32(const char *at)
{
    return qFromLittleEndian<quint32>(at);
}

class Container final {
public:
    explicit Container(const QByteArray &file) : m_file(file) {}

    // Empty, or why the header or the allocation table cannot be used.
    QString open();
    CompoundFile::Stream find(const QStringList &names);

private:
    // The sectors of the chain from `first`, `size` bytes of them (all of
    // them when `size` is negative); empty with the damage set on failure.
    QByteArray chain(quint32 first, qint64 size, const std::vector<quint32> &table, const QByteArray &space,
                     int sectorSize, int offset);
    QByteArray fileChain(quint32 first, qint64 size) { return chain(first, size, m_fat, m_file, m_sectorSize, 1); }
    bool fail(const QString &why)
    {
        if (m_damage.isEmpty())
            m_damage = why;
        return false;
    }

    const QByteArray &m_file;
    int m_sectorSize = 512;
    quint32 m_sectors = 0;
    std::vector<quint32> m_fat;
    QString m_damage;
};

QString Container::open()
{
    static const QByteArray signature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    if (m_file.size() < kHeaderSize || !m_file.startsWith(signature))
        return QStringLiteral("文件头不完整");
    const char *h = m_file.constData();
    const quint16 major = qFromLittleEndian<quint16>(h + 26);
    const quint16 shift = qFromLittleEndian<quint16>(h + 30);
    if (!((major == 3 && shift == 9) || (major == 4 && shift == 12)) || qFromLittleEndian<quint16>(h + 32) != 6)
        return QStringLiteral("文件头中的扇区大小无效");
    m_sectorSize = 1 << shift;
    // Sector n starts at (n + 1) sectors; a last sector cut short still counts.
    m_sectors = quint32((m_file.size() - 1) / m_sectorSize);
    const quint32 fatSectors = u32(h + 44);
    if (fatSectors > m_sectors)
        return QStringLiteral("分配表的扇区数超出文件");

    // The allocation table's sectors: 109 in the header, the rest in a chain
    // of sectors whose last slot points on.
    std::vector<quint32> fatAt;
    for (int i = 0; i < kHeaderFatSlots && fatAt.size() < fatSectors; ++i)
        fatAt.push_back(u32(h + 76 + qsizetype(4) * i));
    const int pointers = m_sectorSize / 4 - 1;
    std::vector<bool> seen(m_sectors, false);
    for (quint32 next = u32(h + 68); fatAt.size() < fatSectors;) {
        if (next >= m_sectors)
            return QStringLiteral("扇区号超出文件");
        if (seen[next])
            return QStringLiteral("扇区链成环");
        seen[next] = true;
        if ((qint64(next) + 2) * m_sectorSize > m_file.size())
            return QStringLiteral("文件不完整");
        const char *sector = h + (qint64(next) + 1) * m_sectorSize;
        for (int i = 0; i < pointers && fatAt.size() < fatSectors; ++i)
            fatAt.push_back(u32(sector + qsizetype(4) * i));
        next = u32(sector + qsizetype(4) * pointers);
    }
    m_fat.reserve(size_t(fatSectors) * size_t(pointers + 1));
    for (quint32 at : fatAt) {
        if (at >= m_sectors || (qint64(at) + 2) * m_sectorSize > m_file.size())
            return QStringLiteral("扇区号超出文件");
        const char *sector = h + (qint64(at) + 1) * m_sectorSize;
        for (int i = 0; i <= pointers; ++i)
            m_fat.push_back(u32(sector + qsizetype(4) * i));
    }
    return QString();
}

QByteArray Container::chain(quint32 first, qint64 size, const std::vector<quint32> &table, const QByteArray &space,
                            int sectorSize, int offset)
{
    QByteArray out;
    if (size > space.size()) {
        fail(QStringLiteral("数据流的长度超出文件"));
        return out;
    }
    // A chain that comes back to a sector it passed would never end.
    std::vector<bool> seen(table.size(), false);
    quint32 at = first;
    while (size < 0 || out.size() < size) {
        if (at == kEndOfChain && size < 0)
            break;
        if (at >= table.size() || at > kMaxSector) {
            fail(at == kEndOfChain ? QStringLiteral("数据流不完整") : QStringLiteral("扇区号超出文件"));
            return QByteArray();
        }
        if (seen[at]) {
            fail(QStringLiteral("扇区链成环"));
            return QByteArray();
        }
        seen[at] = true;
        const qint64 start = (qint64(at) + offset) * sectorSize;
        if (start >= space.size()) {
            fail(QStringLiteral("扇区号超出文件"));
            return QByteArray();
        }
        out.append(space.constData() + start, int(std::min<qint64>(sectorSize, space.size() - start)));
        at = table[at];
    }
    if (size >= 0)
        out.truncate(size);
    return out;
}

CompoundFile::Stream Container::find(const QStringList &names)
{
    CompoundFile::Stream result;
    const char *h = m_file.constData();
    const QByteArray directory = fileChain(u32(h + 48), -1);
    const qsizetype entries = directory.size() / kEntrySize;
    if (entries == 0 || quint8(directory.at(66)) != RootEntry) {
        result.damage = m_damage.isEmpty() ? QStringLiteral("目录无效") : m_damage;
        return result;
    }
    const auto entry = [&directory](quint32 index) { return directory.constData() + qsizetype(index) * kEntrySize; };

    // The top's entries are a tree under the root; sub-storages (embedded
    // objects) have their own Workbook streams and are not walked.
    int match = -1;
    quint32 matched = kNoEntry;
    std::vector<quint32> pending{u32(entry(0) + 76)};
    std::vector<bool> seen(size_t(entries), false);
    while (!pending.empty()) {
        const quint32 index = pending.back();
        pending.pop_back();
        if (index == kNoEntry)
            continue;
        if (index >= quint32(entries) || seen[index]) {
            result.damage = index >= quint32(entries) ? QStringLiteral("目录项号超出目录") : QStringLiteral("目录成环");
            return result;
        }
        seen[index] = true;
        const char *e = entry(index);
        const int nameBytes = qFromLittleEndian<quint16>(e + 64);
        if (quint8(e[66]) == StreamEntry && nameBytes >= 2 && nameBytes <= 64) {
            QString name;
            for (int i = 0; i < nameBytes - 2; i += 2) // the length counts the final 0
                name += QChar(qFromLittleEndian<quint16>(e + i));
            for (int n = 0; n < names.size(); ++n)
                if ((match < 0 || n < match) && name.compare(names.at(n), Qt::CaseInsensitive) == 0) {
                    match = n;
                    matched = index;
                }
        }
        pending.push_back(u32(e + 68));
        pending.push_back(u32(e + 72));
    }
    if (match < 0) {
        result.found = CompoundFile::Found::NoSuchStream;
        return result;
    }

    const char *e = entry(matched);
    const quint32 first = u32(e + 116);
    // Version 3 files may leave junk in the size's high half.
    const qint64 size = m_sectorSize == 512 ? qint64(u32(e + 120)) : qFromLittleEndian<qint64>(e + 120);
    if (size < 0) {
        result.damage = QStringLiteral("数据流的长度超出文件");
        return result;
    }
    if (size >= kMiniStreamCutoff) {
        result.bytes = fileChain(first, size);
    } else {
        // Small streams live in 64-byte sectors of the root's own stream.
        const char *root = entry(0);
        const qint64 miniSize = m_sectorSize == 512 ? qint64(u32(root + 120)) : qFromLittleEndian<qint64>(root + 120);
        const QByteArray mini = fileChain(u32(root + 116), miniSize);
        const QByteArray miniFatBytes = fileChain(u32(h + 60), -1);
        std::vector<quint32> miniFat(size_t(miniFatBytes.size() / 4));
        for (size_t i = 0; i < miniFat.size(); ++i)
            miniFat[i] = u32(miniFatBytes.constData() + 4 * i);
        if (m_damage.isEmpty())
            result.bytes = chain(first, size, miniFat, mini, kMiniSectorSize, 0);
    }
    if (!m_damage.isEmpty()) {
        result.damage = m_damage;
        result.bytes.clear();
        return result;
    }
    result.found = CompoundFile::Found::Stream;
    return result;
}

} // namespace

namespace CompoundFile {

Stream read(const QByteArray &file, const QStringList &names)
{
    Container container(file);
    Stream result;
    result.damage = container.open();
    if (!result.damage.isEmpty())
        return result;
    return container.find(names);
}

} // namespace CompoundFile
