// Addressbook/smtp/smtp_server_lookup.h: where each mail package keeps its outgoing mail
// server. The package objects' GetSMTPServer call these; a failure names the failing call in
// message 225 and is recorded in p_oError.
#pragma once

#include "common/error_slot.h"
#include "common/settings.h"

#include <string>

// Outlook without its MAPI object: the default account of the OMI Account Manager.
[[nodiscard]] bool GetOutlookSMTPServer(CRegistry& p_oRegistry, std::string& p_sServer, CErrorSlot& p_oError);

// Outlook Express's current account key: the identity's own account manager key (version 5 and
// later, when the identity has one), else the machine-wide one.
std::string OutlookExpressAccountManagerKey(CRegistry& p_oRegistry, bool p_bVersion4);
[[nodiscard]] bool GetOutlookExpressSMTPServer(CRegistry& p_oRegistry, bool p_bVersion4, std::string& p_sServer,
                                               CErrorSlot& p_oError);

// Eudora: "SMTPServer" in section "Settings" of eudora.ini in the current installation directory.
[[nodiscard]] bool GetEudoraSMTPServer(CRegistry& p_oRegistry, std::string& p_sServer, CErrorSlot& p_oError);

// The value of p_sKey in p_sSection of an ini file, as GetPrivateProfileString reads it (names
// compared without case, surrounding blanks and one pair of quotes removed).
[[nodiscard]] bool ReadIniValue(const std::string& p_sPath, const std::string& p_sSection, const std::string& p_sKey,
                                std::string& p_sValue);

// Netscape: "network.hosts.smtp_server" in the current user's prefs.js, found through the
// Navigator's "CurrentUser" and the install folder of the program that opens NetscapeMarkup.
[[nodiscard]] bool GetNetscapeSMTPServer(CRegistry& p_oRegistry, std::string& p_sServer, CErrorSlot& p_oError);

// The install folder ("...\\Netscape\\", with its separator) of a shell open command such as
// "\"C:\\Program Files\\Netscape\\Communicator\\Program\\netscape.exe\" -h \"%1\"": the program's
// folder without its "Program" and "Communicator" levels. Empty when the command names no path.
std::string NetscapeInstallFolder(const std::string& p_sCommand);

// The value a prefs.js text gives p_sName: the quoted text (JavaScript escapes undone) or the bare
// number or word after the name in its user_pref("name", value) line. The last line for the name
// wins, as it does when Netscape reads the file. False when no well-formed line names it.
[[nodiscard]] bool ReadPrefsValue(const std::string& p_sText, const std::string& p_sName, std::string& p_sValue);
