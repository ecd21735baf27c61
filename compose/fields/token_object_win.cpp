// compose/fields/token_object_win.cpp: the token object: a caption object that also answers the
// private token interface with its name and available mark.
#include "compose/fields/token_object_win.h"

#include "common/boundary.h"
#include "compose/fields/caption_object_win.h"

// {C7F843DF-029D-4276-952D-3A5BC50D2A02}
const IID IID_IMessageToken = {0xC7F843DF, 0x029D, 0x4276, {0x95, 0x2D, 0x3A, 0x5B, 0xC5, 0x0D, 0x2A, 0x02}};

namespace
{
constexpr COLORREF kAvailableText = RGB(0, 0, 160);
constexpr COLORREF kAvailableBack = RGB(222, 232, 255);
constexpr COLORREF kUnavailableBack = RGB(236, 236, 236);

class CTokenObject final : public CCaptionObject, public IMessageToken
{
  public:
    CTokenObject(const std::string& p_sName, bool p_bAvailable)
        : CCaptionObject("CTokenObject"), m_sName(p_sName), m_bAvailable(p_bAvailable)
    {
    }

    STDMETHODIMP QueryInterface(REFIID p_riid, void** p_ppv) override
    {
        return CCaptionObject::QueryInterface(p_riid, p_ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override
    {
        return CCaptionObject::AddRef();
    }
    STDMETHODIMP_(ULONG) Release() override
    {
        return CCaptionObject::Release();
    }

    // IMessageToken
    STDMETHODIMP GetName(const char** p_pszName) override
    {
        if (p_pszName == nullptr)
            return E_POINTER;
        *p_pszName = m_sName.c_str();
        return S_OK;
    }
    STDMETHODIMP GetAvailable(BOOL* p_pbAvailable) override
    {
        if (p_pbAvailable == nullptr)
            return E_POINTER;
        *p_pbAvailable = m_bAvailable ? TRUE : FALSE;
        return S_OK;
    }
    STDMETHODIMP SetAvailable(BOOL p_bAvailable) override
    {
        const bool bAvailable = p_bAvailable != FALSE;
        if (bAvailable == m_bAvailable)
            return S_FALSE;
        m_bAvailable = bAvailable;
        return S_OK;
    }

  private:
    void* OwnInterface(REFIID p_riid) override
    {
        return IsEqualIID(p_riid, IID_IMessageToken) ? static_cast<IMessageToken*>(this) : nullptr;
    }
    std::string Caption() const override
    {
        return TokenCaption(m_sName);
    }
    SColors Colors() const override
    {
        if (m_bAvailable)
            return SColors{kAvailableText, kAvailableBack};
        return SColors{GetSysColor(COLOR_GRAYTEXT), kUnavailableBack};
    }

    std::string m_sName;
    bool m_bAvailable;
};
} // namespace

std::string TokenCaption(const std::string& p_sName)
{
    return "<<" + p_sName + ">>";
}

SIZEL TokenExtent(const std::string& p_sName)
{
    return CaptionObjectExtent(TokenCaption(p_sName));
}

IOleObject* CreateTokenObject(const std::string& p_sName, bool p_bAvailable)
{
    return new CTokenObject(p_sName, p_bAvailable);
}
