// tests/win/compose/missing_export_core.cpp: a stand-in core library whose export table lacks one
// name, for the binding's stop at the first missing export. Every export is the same stub.
extern "C" int StubExport()
{
    return 0;
}
