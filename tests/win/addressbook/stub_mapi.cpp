// tests/win/addressbook/stub_mapi.cpp: a MAPI library whose export table lacks two functions, for
// the binding's stop at the first missing one. Every export is the same stub; none is called.
extern "C" int StubExport()
{
    return 0;
}
