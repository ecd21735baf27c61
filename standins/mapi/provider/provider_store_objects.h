// standins/mapi/provider/provider_store_objects.h: what the store, folder and message objects
// of the provider share: property shorthands, computed properties and how each makes the others.
#pragma once

#include "standins/mapi/provider/provider.h"

namespace mapiprov
{
inline ms::CBytes Uid(const CEntryIdBits& p_bits)
{
    return ms::CBytes(p_bits.m_abUid, p_bits.m_abUid + 16);
}

inline ms::CPropValue Bin(ULONG p_ulTag, ms::CBytes p_b)
{
    return ms::CPropValue::Binary(p_ulTag, std::move(p_b));
}
inline ms::CPropValue Long(ULONG p_ulTag, int64_t p_i)
{
    return ms::CPropValue::Long(p_ulTag, p_i);
}
inline ms::CPropValue Str(ULONG p_ulTag, std::string p_s)
{
    return ms::CPropValue::String(PROP_TAG(PT_UNICODE, PROP_ID(p_ulTag)), std::move(p_s));
}

inline ms::CFolder* ByRole(ms::CStore& p_s, const char* p_szRole)
{
    return ms::FindFolderByRole(p_s.m_root, p_szRole);
}

// What a message shows besides its own properties: ids, parent, recipients' display lists, flags.
void AddItemComputed(ms::CStore& p_s, const ms::CFolder& p_f, const ms::CItem& p_item, ms::CPropList& p_props,
                     bool p_bSaved);

// The folder p_uId of the store p_uid (provider_folder.cpp).
IMAPIFolder* NewFolder(const ms::CBytes& p_uid, uint32_t p_uId);
// A message of the folder p_uFolder: a saved one, or a new one not in the store until it is saved
// (provider_message.cpp).
IMessage* NewMessage(ms::CBytes p_uid, uint32_t p_uFolder, ms::CItem p_item, bool p_bSaved, bool p_bWritable);
} // namespace mapiprov
