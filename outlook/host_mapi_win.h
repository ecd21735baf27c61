// outlook/host_mapi_win.h: the MAPI library the client has loaded, so the plug-in frees what the
// client's callbacks hand out (selection entry ids, property values) with that library's allocator.
#pragma once

// Finds the client's MAPI library (the DLLPathEx of the mail client key, else mapi32.dll) among the
// loaded modules and records its free functions for the MAPI owners; loads nothing.
void RecordHostMapiFreeFunctions();
