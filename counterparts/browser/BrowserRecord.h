#pragma once
// The browser's own extra interface: what the adapter told it, for tests and the main job.
// Custom and in-process only (no proxy is registered): use it in the browser's apartment.
#include <windows.h>
#include <unknwn.h>

// {5C0B7E21-3A4D-4F6B-9E2A-1D7C9B0E6A41}
MIDL_INTERFACE("5C0B7E21-3A4D-4F6B-9E2A-1D7C9B0E6A41")
IBrowserRecord : public IUnknown {
 public:
  // One line per recorded call, in order: "<method> <arguments>".
  virtual HRESULT STDMETHODCALLTYPE Calls(BSTR* lines) = 0;
  // The import report collected by AddReportLine: complete lines end with "\n".
  virtual HRESULT STDMETHODCALLTYPE ReportText(BSTR* text) = 0;
};
__CRT_UUID_DECL(IBrowserRecord, 0x5C0B7E21, 0x3A4D, 0x4F6B, 0x9E, 0x2A, 0x1D, 0x7C, 0x9B, 0x0E, 0x6A, 0x41)
