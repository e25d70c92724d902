#pragma once
/* Vtable offsets of the generated C interface structs, measured in capeopen_header_check.c. */
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

struct CapeVtableSlot {
  const char* iface;
  const char* member;
  int slot;        /* expected vtable slot */
  size_t offset;   /* offsetof the member in the C vtable struct */
};

extern const struct CapeVtableSlot capeVtableSlots[];
extern const size_t capeVtableSlotCount;

#ifdef __cplusplus
}
#endif
