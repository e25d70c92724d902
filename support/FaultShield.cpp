#include "support/FaultShield.h"

#include <winternl.h>

#include <atomic>
#include <cstdio>

#include "support/FloatingPoint.h"
#include "support/Raii.h"

namespace support {

namespace {

struct Shield {
  void* jump[5];  // __builtin_setjmp's buffer
  HardwareFault fault;
  Shield* outer = nullptr;
  bool tripped = false;
};

// The innermost shield of each thread, in a TLS slot rather than thread_local: the filter must
// not allocate, and the emulated thread-locals of this compiler may. The slot lives while the
// filter is installed.
std::atomic<DWORD> g_slot{TLS_OUT_OF_INDEXES};
std::atomic<bool> g_installed{false};
LPTOP_LEVEL_EXCEPTION_FILTER g_previousFilter = nullptr;

CriticalSection& installLock() {
  static CriticalSection lock;
  return lock;
}

bool isHardwareFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case 0xC00002B4:  // STATUS_FLOAT_MULTIPLE_FAULTS: unmasked SSE exceptions on x64
    case 0xC00002B5:  // STATUS_FLOAT_MULTIPLE_TRAPS
      return true;
    default:
      return false;  // C++ exceptions and the system's own signals go their usual way
  }
}

// Whether this thread holds the loader lock (it is inside a DllMain or a module load). The PEB
// keeps the lock's address at this offset on x86-64.
bool holdsLoaderLock() {
  const auto* peb = reinterpret_cast<const BYTE*>(NtCurrentTeb()->ProcessEnvironmentBlock);
  const auto* lock = *reinterpret_cast<RTL_CRITICAL_SECTION* const*>(peb + 0x110);
  return lock && reinterpret_cast<DWORD_PTR>(lock->OwningThread) == GetCurrentThreadId();
}

// Entered in place of the faulting instruction, on a fresh part of the faulting thread's stack.
[[noreturn]] void landAfterFault(Shield* shield) { __builtin_longjmp(shield->jump, 1); }

// Reached only by faults that no handler of the faulting code took.
LONG WINAPI onUnhandledException(EXCEPTION_POINTERS* info) {
  const DWORD lastError = GetLastError();
  const EXCEPTION_RECORD* record = info->ExceptionRecord;
  const DWORD slot = g_slot;
  auto* shield = slot == TLS_OUT_OF_INDEXES ? nullptr : static_cast<Shield*>(TlsGetValue(slot));
  SetLastError(lastError);
  if (!shield || shield->tripped || !isHardwareFault(record->ExceptionCode) || holdsLoaderLock())
    return g_previousFilter ? g_previousFilter(info) : EXCEPTION_CONTINUE_SEARCH;
  shield->tripped = true;
  shield->fault = {record->ExceptionCode, record->ExceptionAddress};
  // Resume in landAfterFault(shield) as if it had been called: 16-byte aligned stack below the
  // faulting frame, minus the return address slot.
  CONTEXT* context = info->ContextRecord;
  context->Rsp = ((context->Rsp - 1024) & ~static_cast<DWORD64>(15)) - 8;
  context->Rip = reinterpret_cast<DWORD64>(&landAfterFault);
  context->Rcx = reinterpret_cast<DWORD64>(shield);
  return EXCEPTION_CONTINUE_EXECUTION;
}

void installFilter() {
  if (g_installed) return;
  Lock lock(installLock());
  if (g_installed) return;
  g_slot = TlsAlloc();
  g_previousFilter = SetUnhandledExceptionFilter(onUnhandledException);
  g_installed = true;
}

// The process's filter now, left as it is.
LPTOP_LEVEL_EXCEPTION_FILTER currentFilter() {
  const LPTOP_LEVEL_EXCEPTION_FILTER current = SetUnhandledExceptionFilter(onUnhandledException);
  SetUnhandledExceptionFilter(current);
  return current;
}

// The work itself, in a frame of its own so that a C++ exception from it unwinds normally and
// puts the outer shield back.
__attribute__((noinline)) void runWork(Shield& shield, void (*work)(void*), void* context) {
  struct Restore {
    Shield& shield;
    ~Restore() { TlsSetValue(g_slot, shield.outer); }
  } restore{shield};
  work(context);
}

}  // namespace

bool runShieldedCall(void (*work)(void*), void* context, HardwareFault& fault) {
  installFilter();
  const DWORD slot = g_slot;
  Shield shield;  // in memory (its address is published), so still valid after the jump back
  shield.outer = static_cast<Shield*>(TlsGetValue(slot));
  const FloatingPointControl entry = FloatingPointControl::current();
  TlsSetValue(slot, &shield);
  if (__builtin_setjmp(shield.jump) == 0) {
    runWork(shield, work, context);
    return true;
  }
  TlsSetValue(slot, shield.outer);
  entry.apply();  // as it was, without the flags the fault left pending
  fault = shield.fault;
  return false;
}

bool faultShieldRemovable() { return !g_installed || currentFilter() == onUnhandledException; }

bool releaseFaultShield() {
  Lock lock(installLock());
  if (!g_installed) return true;
  const LPTOP_LEVEL_EXCEPTION_FILTER current = SetUnhandledExceptionFilter(g_previousFilter);
  if (current != onUnhandledException) {
    SetUnhandledExceptionFilter(current);  // another filter came after ours and calls it: it stays
    return false;
  }
  g_installed = false;
  TlsFree(g_slot.exchange(TLS_OUT_OF_INDEXES));
  g_previousFilter = nullptr;
  return true;
}

std::string faultText(const HardwareFault& fault) {
  const char* name = "system exception";
  switch (fault.code) {
    case EXCEPTION_ACCESS_VIOLATION: name = "access violation"; break;
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO: name = "division by zero"; break;
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION: name = "illegal instruction"; break;
    default: break;
  }
  char text[96];
  std::snprintf(text, sizeof text, "%s (exception code 0x%08lX)", name, static_cast<unsigned long>(fault.code));
  return text;
}

bool faultInThisModule(const HardwareFault& fault) {
  HMODULE faulting = nullptr, own = nullptr;
  const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  if (!GetModuleHandleExW(flags, static_cast<LPCWSTR>(fault.address), &faulting)) return false;
  GetModuleHandleExW(flags, reinterpret_cast<LPCWSTR>(&faultInThisModule), &own);
  return faulting == own;
}

}  // namespace support
