// standins/mapi/store/store_snapshot.h: the layout of the binary snapshot, shared by its writer
// and its reader. Little-endian u8/u32/i64/f64; a string or byte run is a u32 length and bytes.
//   signature "BVMSNAP\x1A", u32 version, str profile, u8 reminders, u32 nextId,
//   u32 names  { bytes guid(16), u8 isString, u32 lid, str name },
//   u32 stores { bytes uid(16), u8 default, props, folder },
//   u32 address-book entries { u32 id, str container, u8 distList, props, u32 members { u32 id } }.
//   folder: u32 id, str role, props, u8 search [u8 hasRestriction [restriction], u32 n { u32 id },
//     u32 flags], u32 items { u32 id, u8 associated, props, u32 recipients { props },
//     u32 attachments { props } }, u32 orders { u8 associated, u32 collation, u32 keys { u32 tag,
//     u8 descending }, u32 rows { u32 row } }, u32 subfolders { folder }.
//   props: u32 n { u32 tag, value }; a multi-valued value is u32 n and the values.
//   restriction: u32 kind, relop, fuzzy, tag, tag2, mask, u8 hasValue [props of one],
//     u32 children { restriction }.
#pragma once

#include <cstdint>

namespace mapistore
{
constexpr char kSnapshotSignature[8] = {'B', 'V', 'M', 'S', 'N', 'A', 'P', '\x1A'};
constexpr uint32_t kSnapshotVersion = 1;
} // namespace mapistore
