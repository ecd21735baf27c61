// Addressbook/frame/mail_package_object.h: the mail-package object Init makes for a full start;
// every address-book and send export goes through it.
#pragma once

#include "Addressbook/sending/mail_package.h"
#include "common/settings.h"

#include <oaidl.h>

#include <memory>

struct IMAPISession;

// Null when the package cannot be served; an object in error tells why in its error slot.
std::unique_ptr<CMailPackage> CreateMailPackageObject(int p_iPackage, int p_iPackageVersion, IMAPISession* p_pSession,
                                                      IDispatch* p_pApplication, CRegistry& p_oRegistry);
