// Addressbook/res/corvane_strings.h: Corvane's string table for portable code, and the ids
// of the messages more than one subsystem raises.
#pragma once

#include "common/error_slot.h"

const CStringTable& CorvaneStrings();

constexpr unsigned kMsgCipherInit = 208;           // "Could not initialise the Rijndael algorithm cipher"
constexpr unsigned kMsgDecryptionSize = 209;       // "Incorrect decryption size"
constexpr unsigned kMsgErrorAllocating = 210;      // "Error allocating '%s' in '%s'"
constexpr unsigned kMsgRandomKey = 212;            // "Error creating random key in 'GenerateRandomKey'"
constexpr unsigned kMsgTokenExpected = 213;        // "Error in parsing, token '%s' expected"
constexpr unsigned kMsgFunctionNotFound = 214;     // "Failed to find function %s"
constexpr unsigned kMsgOpenFile = 216;             // "Failed to open file '%s' (error %d)"
constexpr unsigned kMsgApiError = 217;             // "Calling API function '%s' resulted in error #%ld ..."
constexpr unsigned kMsgCallError = 218;            // "Calling function '%s' resulted in error 0x%x ..."
constexpr unsigned kMsgIncorrectArguments = 219;   // "Incorrect arguments passed to procedure '%s'."
constexpr unsigned kMsgLoadFailed = 221;           // "Failed to load '%s' with error code %d."
constexpr unsigned kMsgSpawnThread = 224;          // "Error %d spawning thread '%s'."
constexpr unsigned kMsgFunctionFailed = 225;       // "Function '%s' failed in '%s'."
constexpr unsigned kMsgConstructing = 227;         // "Error Constructing Object '%s' in file '%s'."
constexpr unsigned kMsgFunctionFailed2 = 228;      // "Function '%s' failed in '%s'."
constexpr unsigned kMsgNetworkError = 229;         // "A '%s' network error occured in '%s'"
constexpr unsigned kMsgAnErrorOccurred = 232;      // "An error occurred"
constexpr unsigned kMsgInitCaption = 233;          // "SMS - Addressbook Initialization Error"
constexpr unsigned kMsgRenderingFinalSMS = 338;    // "Rendering final SMSs..."
constexpr unsigned kMsgPackageNotRecognised = 339; // "Default mail package not recognised"
constexpr unsigned kMsgMapiObjectFailed = 340;     // "MAPI Object Failed to Initialise"
constexpr unsigned kMsgNoMessageStores = 341;      // "No Message stores returned"
constexpr unsigned kMsgNoDefaultStore = 342;       // "Could not find the default message store\n..."
constexpr unsigned kMsgStoreAccessDenied = 343;    // "Access denied to default message store.\n... (0x%x)."
