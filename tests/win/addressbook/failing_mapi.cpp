// tests/win/addressbook/failing_mapi.cpp: a MAPI library with every export, each failing with
// E_FAIL, for the set-up's stop when MAPIInitialize fails.
extern "C" long FailingExport()
{
    return static_cast<long>(0x80004005L);
}
