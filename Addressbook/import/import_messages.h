// Addressbook/import/import_messages.h: string-table ids of recipient import and text compression.
#pragma once

constexpr unsigned kMsgNoExcel = 220;                // "Cannot start Excel. ..."
constexpr unsigned kMsgAutomationError = 234;        // "Automation Error"
constexpr unsigned kMsgEmptyFileCaption = 700;       // "This is an empty file"
constexpr unsigned kMsgEmptyFile = 701;              // "This is an empty file. Please choose a file with contents."
constexpr unsigned kMsgCharacterCount = 702;         // "Number of characters: %d"
constexpr unsigned kMsgCharacterCountOneToken = 703; // "... (excluding token): %d"
constexpr unsigned kMsgCharacterCountTokens = 704;   // "... (excluding tokens): %d"
constexpr unsigned kMsgWizardTextStep1 = 705;        // "Bulk Import Wizard (Step 1 of 3)"
constexpr unsigned kMsgWizardTextStep2 = 706;
constexpr unsigned kMsgWizardTextStep3 = 707;
constexpr unsigned kMsgWizardBookStep1 = 708; // "Bulk Import Wizard (Step 1 of 2)"
constexpr unsigned kMsgWizardBookStep2 = 709;
constexpr unsigned kMsgImportFilter = 710;     // "All Import Files (*.csv,*.txt,*.xls)"
constexpr unsigned kMsgDefaultError = 711;     // "Default error #%d"
constexpr unsigned kMsgImportReadFailed = 712; // "The file '%s' could not be read. Nothing was imported."
