#include "engines/skin/skin_pack.h"

#include "engines/skin.h"

#include <QtEndian>
#include <cstring>

namespace tevarro {

namespace {

constexpr char EndMark[4] = {'T', 'E', 'N', 'D'};
// Sane bounds that keep a corrupt count or length from driving allocation.
constexpr quint32 MaxEntries = 4096;

void AppendU16(QByteArray& out, quint16 value)
{
    char buf[2];
    qToLittleEndian(value, buf);
    out.append(buf, 2);
}

void AppendU32(QByteArray& out, quint32 value)
{
    char buf[4];
    qToLittleEndian(value, buf);
    out.append(buf, 4);
}

// Sequential reader that reports every short read as truncation.
class Reader {
public:
    Reader(const QByteArray& bytes, const QString& fileName) : bytes_(bytes), fileName_(fileName) {}

    const char* Take(qsizetype count, const char* what)
    {
        if (count < 0 || bytes_.size() - pos_ < count) {
            Fail(QStringLiteral("the file is truncated (%1 missing at byte %2)")
                     .arg(QString::fromLatin1(what))
                     .arg(pos_));
        }
        const char* data = bytes_.constData() + pos_;
        pos_ += count;
        return data;
    }
    quint16 U16(const char* what) { return qFromLittleEndian<quint16>(Take(2, what)); }
    quint32 U32(const char* what) { return qFromLittleEndian<quint32>(Take(4, what)); }
    qsizetype Remaining() const { return bytes_.size() - pos_; }

    [[noreturn]] void Fail(const QString& what) const
    {
        throw SkinError(QStringLiteral("Skin file \"%1\": %2").arg(fileName_, what).toStdString());
    }

private:
    const QByteArray& bytes_;
    QString fileName_;
    qsizetype pos_ = 0;
};

}  // namespace

QByteArray WriteSkinPack(const SkinPackEntries& entries)
{
    QByteArray out;
    out.append(SkinPackMagic, sizeof SkinPackMagic);
    AppendU16(out, SkinPackVersion);
    AppendU16(out, 0);
    AppendU32(out, static_cast<quint32>(entries.size()));
    for (const auto& [name, data] : entries) {
        const QByteArray utf8 = name.toUtf8();
        AppendU16(out, static_cast<quint16>(utf8.size()));
        out.append(utf8);
        AppendU32(out, static_cast<quint32>(data.size()));
        out.append(data);
    }
    out.append(EndMark, sizeof EndMark);
    return out;
}

SkinPackEntries ReadSkinPack(const QByteArray& bytes, const QString& fileName)
{
    Reader in(bytes, fileName);
    if (bytes.size() < qsizetype(sizeof SkinPackMagic)
        || std::memcmp(bytes.constData(), SkinPackMagic, sizeof SkinPackMagic) != 0) {
        in.Fail(QStringLiteral("not a Tevarro skin file (bad magic header)"));
    }
    in.Take(sizeof SkinPackMagic, "magic");
    const quint16 version = in.U16("version");
    if (version != SkinPackVersion) {
        in.Fail(QStringLiteral("unsupported skin format version %1 (this program reads version %2)")
                    .arg(version)
                    .arg(SkinPackVersion));
    }
    in.U16("flags");
    const quint32 count = in.U32("entry count");
    if (count > MaxEntries)
        in.Fail(QStringLiteral("corrupt entry count %1").arg(count));

    SkinPackEntries entries;
    for (quint32 i = 0; i < count; ++i) {
        const quint16 nameLength = in.U16("entry name length");
        const QString name = QString::fromUtf8(in.Take(nameLength, "entry name"), nameLength);
        const quint32 dataLength = in.U32("entry length");
        const char* data = in.Take(qsizetype(dataLength), "entry data");
        if (name.isEmpty())
            in.Fail(QStringLiteral("entry %1 has no name").arg(i));
        if (!entries.emplace(name, QByteArray(data, qsizetype(dataLength))).second)
            in.Fail(QStringLiteral("entry \"%1\" appears twice").arg(name));
    }
    if (std::memcmp(in.Take(sizeof EndMark, "end mark"), EndMark, sizeof EndMark) != 0)
        in.Fail(QStringLiteral("corrupt end mark"));
    if (in.Remaining() != 0)
        in.Fail(QStringLiteral("%1 unexpected bytes after the end mark").arg(in.Remaining()));
    return entries;
}

}  // namespace tevarro
