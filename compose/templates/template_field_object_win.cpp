// compose/templates/template_field_object_win.cpp: the template field object: a caption object that
// also answers the private field interface with the whole field definition.
#include "compose/templates/template_field_object_win.h"

#include "common/boundary.h"
#include "compose/fields/caption_object_win.h"

// {5B0E8C3A-7F21-4C59-9B7E-2E64D1A0C7F4}
const IID IID_ITemplateFieldObject = {0x5B0E8C3A, 0x7F21, 0x4C59, {0x9B, 0x7E, 0x2E, 0x64, 0xD1, 0xA0, 0xC7, 0xF4}};

namespace
{
constexpr COLORREF kFieldText = RGB(128, 0, 0);
constexpr COLORREF kFieldBack = RGB(255, 240, 214);

class CTemplateFieldObject final : public CCaptionObject, public ITemplateFieldObject
{
  public:
    explicit CTemplateFieldObject(const compose::CTemplateField& p_oField)
        : CCaptionObject("CTemplateFieldObject"), m_oField(p_oField)
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

    // ITemplateFieldObject
    STDMETHODIMP GetField(const compose::CTemplateField** p_ppField) override
    {
        if (p_ppField == nullptr)
            return E_POINTER;
        *p_ppField = &m_oField;
        return S_OK;
    }
    STDMETHODIMP SetField(const compose::CTemplateField* p_pField) override
    {
        if (p_pField == nullptr)
            return E_POINTER;
        return TrapExceptions("CTemplateFieldObject::SetField", E_FAIL, [&]() -> HRESULT {
            m_oField = *p_pField;
            return S_OK;
        });
    }

  private:
    void* OwnInterface(REFIID p_riid) override
    {
        return IsEqualIID(p_riid, IID_ITemplateFieldObject) ? static_cast<ITemplateFieldObject*>(this) : nullptr;
    }
    std::string Caption() const override
    {
        return TemplateFieldCaption(m_oField);
    }
    SColors Colors() const override
    {
        return SColors{kFieldText, kFieldBack};
    }

    compose::CTemplateField m_oField;
};
} // namespace

std::string TemplateFieldCaption(const compose::CTemplateField& p_oField)
{
    return "<<" + compose::TemplateFieldLabel(p_oField) + ">>";
}

IOleObject* CreateTemplateFieldObject(const compose::CTemplateField& p_oField)
{
    return new CTemplateFieldObject(p_oField);
}
