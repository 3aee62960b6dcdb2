// Tevarro's skin container: one file that carries a skin's manifest, artwork,
// style sheets and fonts as named entries. The engine reads it; the build's
// packer (tevarro-skinpack) writes it.
//
// Layout, all integers little-endian:
//   8 bytes   magic "TEVSKIN" followed by 0x1A
//   uint16    format version (SkinPackVersion)
//   uint16    flags, 0
//   uint32    number of entries
//   per entry: uint16 name length, name (UTF-8), uint32 data length, data
//   4 bytes   end mark "TEND"
// Nothing may follow the end mark. Names are unique.
#pragma once

#include <QByteArray>
#include <QString>
#include <map>

namespace tevarro {

inline constexpr char SkinPackMagic[8] = {'T', 'E', 'V', 'S', 'K', 'I', 'N', '\x1A'};
inline constexpr quint16 SkinPackVersion = 1;

// Entry name -> bytes, ordered by name so that a packed file is reproducible.
using SkinPackEntries = std::map<QString, QByteArray>;

// Serialises the entries into a container of the current version.
QByteArray WriteSkinPack(const SkinPackEntries& entries);

// Parses a container. On any fault throws SkinError whose message starts with
// fileName (used for the message only) and says what is wrong: bad magic,
// unsupported version, truncation, duplicate or empty names, trailing bytes.
SkinPackEntries ReadSkinPack(const QByteArray& bytes, const QString& fileName);

}  // namespace tevarro
