// outlook/resource_module_win.cpp: reading the resource module without running it.
#include "outlook/resource_module_win.h"

#include "common/failure_log.h"
#include "common/settings.h"
#include "common/trace_log.h"

#include <cstring>

bool CResourceModule::ConfiguredPath(std::string& p_sPath)
{
    CRegistry registry;
    p_sPath = registry.ReadUserText("Resource");
    if (p_sPath.empty() && !registry.ReadInstallText("Resource", p_sPath))
        p_sPath.clear();
    if (!p_sPath.empty())
        return true;
    Log("Failed GetInstallFromRegistry 1 \n");
    return false;
}

bool CResourceModule::Load(const std::string& p_sPath)
{
    m_hModule.reset(LOG_IF_WIN32_BOOL_FALSE(
        LoadLibraryExA(p_sPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)));
    return Loaded();
}

bool CResourceModule::ReadText(const char* p_szName, unsigned p_uType, std::string& p_sText) const
{
    p_sText.clear();
    if (!m_hModule)
        return false;
    const HRSRC found = FindResourceA(m_hModule.get(), p_szName, MAKEINTRESOURCEA(p_uType));
    if (found == nullptr)
        return false;
    const HGLOBAL loaded = LoadResource(m_hModule.get(), found);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr)
        return false;
    p_sText.assign(static_cast<const char*>(bytes), SizeofResource(m_hModule.get(), found));
    // A text resource may carry its terminator.
    const size_t end = p_sText.find('\0');
    if (end != std::string::npos)
        p_sText.resize(end);
    return true;
}

bool CResourceModule::ReadDefinition(const char* p_szName, unsigned p_uType,
                                     std::vector<CToolbarEntry>& p_vEntries) const
{
    p_vEntries.clear();
    std::string text;
    if (!ReadText(p_szName, p_uType, text))
        return false;
    if (ParseToolbarDefinition(text, p_vEntries))
        return true;
    Log("Failed to Read the file 2\n");
    return false;
}

std::string CResourceModule::String(unsigned p_uId, const std::string& p_sFallback) const
{
    char text[512] = {};
    if (m_hModule && LoadStringA(m_hModule.get(), p_uId, text, sizeof text) > 0)
        return text;
    return p_sFallback;
}

unique_hbitmap CResourceModule::FaceBitmap(unsigned p_uId) const
{
    if (!m_hModule)
        return unique_hbitmap();
    // The masked colour becomes the face colour as the bitmap is read: LR_LOADMAP3DCOLORS maps only
    // greys, so the green is replaced on a DIB section and the result copied for the screen.
    unique_hbitmap dib(static_cast<HBITMAP>(
        LoadImageA(m_hModule.get(), MAKEINTRESOURCEA(p_uId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!dib)
        return unique_hbitmap();
    DIBSECTION section{};
    if (GetObjectA(dib.get(), sizeof section, &section) == sizeof section && section.dsBm.bmBitsPixel == 24 &&
        section.dsBm.bmBits != nullptr)
    {
        const COLORREF face = GetSysColor(COLOR_BTNFACE);
        auto* rows = static_cast<BYTE*>(section.dsBm.bmBits);
        for (LONG y = 0; y < section.dsBm.bmHeight; ++y)
            for (LONG x = 0; x < section.dsBm.bmWidth; ++x)
            {
                BYTE* pixel = rows + y * section.dsBm.bmWidthBytes + x * 3;
                if (pixel[0] == 0 && pixel[1] == 0xFF && pixel[2] == 0)
                {
                    pixel[0] = GetBValue(face);
                    pixel[1] = GetGValue(face);
                    pixel[2] = GetRValue(face);
                }
            }
    }
    return unique_hbitmap(static_cast<HBITMAP>(CopyImage(dib.get(), IMAGE_BITMAP, 0, 0, 0)));
}
