// standins/outlook/ol_item_fields_win.h: the fields of a store item as the object model names them
// (Subject, FullName, Email1Address, Start, ...), read from and written to its MAPI properties, named
// properties of the contact, appointment and task sets included.
#pragma once

#include "standins/outlook/ol_mapi_win.h"

#include <map>
#include <string>
#include <vector>

namespace olstandin
{
// OlObjectClass values of the items.
inline constexpr LONG kClassMail = 43;
inline constexpr LONG kClassAppointment = 26;
inline constexpr LONG kClassContact = 40;
inline constexpr LONG kClassTask = 48;
inline constexpr LONG kClassDistList = 69;

[[nodiscard]] LONG ItemClassOf(const std::string& p_sMessageClass);

struct CItemFields
{
    CEntryId m_oEntryId;
    std::string m_sMessageClass;
    ULONG m_ulFlags = 0;
    // Text fields by object-model name; a field the item does not have is absent.
    std::map<std::string, std::string> m_mText;
    // Date fields (Start, End, StartDate, DueDate) as OLE dates in local time.
    std::map<std::string, double> m_mDates;

    [[nodiscard]] std::string Text(const std::string& p_sName) const;
    // The row the extension callback describes a selected item with.
    [[nodiscard]] CItemRow Row() const;
};

// Whether p_sName is a field the object model has (text or date).
[[nodiscard]] bool IsItemField(const std::string& p_sName, bool& p_bDate);
// The object-model names of the text and date fields, in table order.
[[nodiscard]] std::vector<std::string> ItemFieldNames();

// Reads every known field of p_pItem; false when the properties could not be read.
[[nodiscard]] bool ReadItemFields(IMAPIProp* p_pItem, CItemFields& p_oFields);
// Writes the named text fields of p_oFields to p_pItem (named properties are created when missing)
// and saves it; false when a step failed.
[[nodiscard]] bool WriteItemFields(IMAPIProp* p_pItem, const CItemFields& p_oFields,
                                   const std::vector<std::string>& p_vNames);

// What an inspector shows of an item of this class: (label, field) rows, the body last.
[[nodiscard]] std::vector<std::pair<const char*, const char*>> InspectorRows(LONG p_lClass);
// The text an inspector shows for a field (dates as "YYYY-MM-DD HH:MM").
[[nodiscard]] std::string ShownText(const CItemFields& p_oFields, const std::string& p_sName);
} // namespace olstandin
