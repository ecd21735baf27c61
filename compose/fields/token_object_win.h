// compose/fields/token_object_win.h: the mail-merge token embedded in a message field: an OLE object
// at one character of the rich edit that carries a token name, draws itself as "<<name>>" and
// carries an available mark (whether the current recipients can fill it).
#pragma once

#include <windows.h>
#include <ole2.h>

#include <string>

// {C7F843DF-029D-4276-952D-3A5BC50D2A02}: what a field asks an embedded object to learn that it is
// a token. Objects that do not answer it are not tokens.
extern const IID IID_IMessageToken;

struct IMessageToken : public IUnknown
{
    // The name stays valid while the caller holds its reference.
    virtual HRESULT STDMETHODCALLTYPE GetName(const char** p_pszName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetAvailable(BOOL* p_pbAvailable) = 0;
    // S_OK when the mark changed, S_FALSE when it already was so.
    virtual HRESULT STDMETHODCALLTYPE SetAvailable(BOOL p_bAvailable) = 0;
};

// A new token object with one reference, which the caller owns.
IOleObject* CreateTokenObject(const std::string& p_sName, bool p_bAvailable);
// The text a token of this name shows.
std::string TokenCaption(const std::string& p_sName);
// The object's size in HIMETRIC, as the rich edit lays it out.
SIZEL TokenExtent(const std::string& p_sName);
