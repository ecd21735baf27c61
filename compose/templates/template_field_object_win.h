// compose/templates/template_field_object_win.h: a template field embedded in the editor's body:
// an OLE object at one character of the rich edit that carries the whole field definition and
// draws itself as "<<label>>".
#pragma once

#include "compose/templates/template_file.h"

#include <windows.h>
#include <ole2.h>

#include <string>

// {5B0E8C3A-7F21-4C59-9B7E-2E64D1A0C7F4}: what the editor asks an embedded object to learn that it
// is a template field. Objects that do not answer it are not fields.
extern const IID IID_ITemplateFieldObject;

struct ITemplateFieldObject : public IUnknown
{
    // The field stays valid while the caller holds its reference.
    virtual HRESULT STDMETHODCALLTYPE GetField(const compose::CTemplateField** p_ppField) = 0;
    // A new definition; the object's size follows its new label.
    virtual HRESULT STDMETHODCALLTYPE SetField(const compose::CTemplateField* p_pField) = 0;
};

// A new field object with one reference, which the caller owns.
IOleObject* CreateTemplateFieldObject(const compose::CTemplateField& p_oField);
// The text a field shows: "<<label>>".
std::string TemplateFieldCaption(const compose::CTemplateField& p_oField);
