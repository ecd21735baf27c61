// tests/fuzz/oe_store_reader_fuzz.cpp: the core library's Outlook Express store reader on arbitrary
// files: the folder index lookup, and every record the index names, read field by field.
#include "Addressbook/oe/store_file.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* p_pData, size_t p_nSize)
{
    oe::CMemoryStoreFile file(std::vector<uint8_t>(p_pData, p_pData + p_nSize));
    std::string name;
    std::string error;
    (void)oe::FindInboxFileName(file, name, error);

    uint8_t header[4];
    uint32_t count = 0;
    uint32_t root = 0;
    if (file.ReadAt(oe::kHeaderCountOffset, header, 4))
        count = header[0] | header[1] << 8 | header[2] << 16 | static_cast<uint32_t>(header[3]) << 24;
    if (file.ReadAt(oe::kHeaderRootOffset, header, 4))
        root = header[0] | header[1] << 8 | header[2] << 16 | static_cast<uint32_t>(header[3]) << 24;
    std::vector<uint32_t> values;
    if (oe::ReadIndex(file, root, count, values, error) && values.size() != count)
        std::abort();
    // A record at the start of the input too, so records are reached without a valid tree.
    values.push_back(0);
    for (const uint32_t value : values)
    {
        oe::CIndexedRecord record;
        if (!oe::ReadRecord(file, value, record, error))
            continue;
        for (unsigned field = 0; field < oe::kRecordFieldCount; ++field)
        {
            const oe::CRecordField& f = record.m_aFields[field];
            if (f.m_bPresent && !f.m_bDirect &&
                f.m_dwOffset + static_cast<uint64_t>(f.m_dwLength) > record.m_vBlock.size())
                std::abort();
            (void)record.Number(field);
            (void)record.Text(field);
        }
    }
    return 0;
}
