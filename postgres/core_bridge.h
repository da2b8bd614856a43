/* The boundary between the extension's two halves: plain C types and functions only.
 *
 * core_bridge.cpp is C++ and includes no PostgreSQL header, so it cannot raise a PostgreSQL error
 * (a long jump). Every function below is noexcept there and catches whatever the core throws,
 * handing back an outcome instead. kolvi.c and sort_support.c are C, so they hold no object with
 * a destructor for a PostgreSQL error to jump over; they alone call PostgreSQL, and they raise
 * its errors only after the C++ call has returned. So a C++ exception never unwinds into
 * PostgreSQL, and a PostgreSQL error never crosses a C++ frame. (PostgreSQL's signal handlers
 * only set flags, so no signal jumps out of the C++ half while it runs either.)
 *
 * Results that are bytes live in a buffer of the C++ half that lasts as long as the backend (a
 * backend runs one thread). They stay valid until the next call into this interface, which is
 * time for the C half to copy them into memory that PostgreSQL owns. */
#ifndef KOLVI_CORE_BRIDGE_H
#define KOLVI_CORE_BRIDGE_H

#include <stddef.h>

#ifdef __cplusplus
#define KOLVI_NOEXCEPT noexcept
extern "C" {
#else
#define KOLVI_NOEXCEPT
#endif

typedef enum KolviOutcome {
  KOLVI_VALID,         /* the bytes are what was asked for */
  KOLVI_INVALID,       /* the text does not parse; the bytes are its report, without colour */
  KOLVI_OUT_OF_MEMORY, /* the core ran out of memory; no bytes */
  KOLVI_FAILED         /* the core threw anything else; the bytes say what */
} KolviOutcome;

typedef struct KolviResult {
  KolviOutcome outcome;
  const char* bytes;
  size_t size;
} KolviResult;

/* A parse target is a row of the core's parse table: Version first, then each kind in rank
 * order. Texts are UTF-8 and need not end in NUL. */

/* How many targets there are, and the name the command's --kind gives target `index`. */
size_t kolvi_core_target_count(void) KOLVI_NOEXCEPT;
const char* kolvi_core_target_name(size_t index, size_t* size) KOLVI_NOEXCEPT;
/* The index of the target with that name, or -1. */
int kolvi_core_target_named(const char* name, size_t size) KOLVI_NOEXCEPT;
/* The kind rank bits at the top of an abbreviated key: as few as hold every rank. */
unsigned kolvi_core_rank_bits(void) KOLVI_NOEXCEPT;

/* The stored form of the Version the text parses to (stored_value.h), or its report. */
KolviResult kolvi_core_stored_value(const char* text, size_t size) KOLVI_NOEXCEPT;
/* The exact order key of the value the target parses the text to, or its report. */
KolviResult kolvi_core_exact_key(int target, const char* text, size_t size) KOLVI_NOEXCEPT;
/* Whether the target parses the text: KOLVI_VALID or KOLVI_INVALID, with no bytes. */
KolviOutcome kolvi_core_check(int target, const char* text, size_t size) KOLVI_NOEXCEPT;
/* KOLVI_VALID with no bytes when the target parses the text; else KOLVI_INVALID and its report. */
KolviResult kolvi_core_report(int target, const char* text, size_t size) KOLVI_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* KOLVI_CORE_BRIDGE_H */
