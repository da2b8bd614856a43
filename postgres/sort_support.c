/* Sort support for kolvi_version: the comparison of stored keys, and abbreviated keys made of the
 * keys' first bits, given up when they tell too few rows apart to pay for themselves. */
#include "postgres.h"

#include <math.h>

#include "common/hashfn.h"
#include "core_bridge.h"
#include "fmgr.h"
#include "lib/hyperloglog.h"
#include "port/pg_bswap.h"
#include "stored_datum.h"
#include "utils/guc.h"
#include "utils/memutils.h"
#include "utils/sortsupport.h"

PG_FUNCTION_INFO_V1(kolvi_version_sortsupport);

static int compare_stored_datums(Datum a, Datum b, SortSupport ssup) {
  struct varlena* value_a = PG_DETOAST_DATUM_PACKED(a);
  struct varlena* value_b = PG_DETOAST_DATUM_PACKED(b);
  const int order = compare_stored(value_a, value_b);
  (void)ssup;
  if ((Pointer)value_a != DatumGetPointer(a)) pfree(value_a);
  if ((Pointer)value_b != DatumGetPointer(b)) pfree(value_b);
  return order;
}

#if SIZEOF_DATUM == 8

/* An abbreviated key is 64 bits: the kind rank in the top rank_bits, then the first bits of the
 * key's body (the bytes after the format and rank bytes), zero-filled. Every stored key has the
 * same format byte, and the rank byte is below 2^rank_bits, so the bits are the key with its
 * constant first byte and the rank byte's unused top bits left out: an abbreviation orders like
 * a prefix of the key, and two that differ order their values exactly. Equal ones (a key that
 * runs on past them, or ends in zero bytes) leave the order to the full comparison. */
typedef struct Abbreviation {
  unsigned rank_bits;
  hyperLogLogState distinct; /* of the abbreviated keys made so far */
} Abbreviation;

/* Rows too few to judge the abbreviations by: such sorts are quick either way. */
#define ROWS_TO_JUDGE 10000
/* A comparison of abbreviations costs a few instructions; a full one reads both values' key
 * lengths and a memcmp of keys in other cache lines, about ten times as much. With D distinct
 * abbreviations among n rows, quicksort settles about log D / log n of its comparisons on the
 * abbreviations alone, and the full comparison does the rest whether abbreviated or not, so
 * abbreviations pay unless log D / log n falls below about a tenth: D < n^0.1, such as fewer
 * than 4 distinct abbreviations among 1,000,000 rows. Making them costs little next to the
 * sort, so only the comparisons are weighed. */
#define USEFUL_DISTINCT_EXPONENT 0.1
/* 2^10 registers: about 3% error, far finer than the bound above needs. */
#define DISTINCT_REGISTER_BITS 10

static Datum abbreviate(Datum original, SortSupport ssup) {
  Abbreviation* state = (Abbreviation*)ssup->ssup_extra;
  struct varlena* value = PG_DETOAST_DATUM_PACKED(original);
  const KolviStoredParts parts = stored_parts_of(value);
  const uint64 rank = parts.key_size > 1 ? parts.key[1] : 0;
  uint64 body = 0;
  uint64 abbreviated;
  if (parts.key_size > 2) memcpy(&body, parts.key + 2, Min(parts.key_size - 2, sizeof body));
  body = pg_ntoh64(body);
  abbreviated = (rank << (64 - state->rank_bits)) | (body >> state->rank_bits);
  addHyperLogLog(&state->distinct,
                 DatumGetUInt32(hash_uint32((uint32)(abbreviated ^ (abbreviated >> 32)))));
  if ((Pointer)value != DatumGetPointer(original)) pfree(value);
  return UInt64GetDatum(abbreviated);
}

/* tuplesort asks at every doubling of the rows; true gives abbreviations up for this sort. */
static bool abbreviations_do_not_pay(int rows, SortSupport ssup) {
  Abbreviation* state = (Abbreviation*)ssup->ssup_extra;
  double distinct;
  bool give_up;
  if (rows < ROWS_TO_JUDGE) return false;
  distinct = estimateHyperLogLog(&state->distinct);
  give_up = distinct < pow((double)rows, USEFUL_DISTINCT_EXPONENT);
  if (trace_sort)
    elog(LOG, "kolvi_version abbreviated keys: about %.0f distinct in %d rows, %s", distinct, rows,
         give_up ? "given up" : "kept");
  return give_up;
}

static void add_abbreviations(SortSupport ssup) {
  const MemoryContext caller = MemoryContextSwitchTo(ssup->ssup_cxt);
  Abbreviation* state = (Abbreviation*)palloc(sizeof(Abbreviation));
  state->rank_bits = kolvi_core_rank_bits();
  initHyperLogLog(&state->distinct, DISTINCT_REGISTER_BITS);
  ssup->ssup_extra = state;
  ssup->abbrev_full_comparator = compare_stored_datums;
  ssup->comparator = ssup_datum_unsigned_cmp;
  ssup->abbrev_converter = abbreviate;
  ssup->abbrev_abort = abbreviations_do_not_pay;
  MemoryContextSwitchTo(caller);
}

#endif /* SIZEOF_DATUM == 8 */

Datum kolvi_version_sortsupport(PG_FUNCTION_ARGS) {
  SortSupport ssup = (SortSupport)PG_GETARG_POINTER(0);
  ssup->comparator = compare_stored_datums;
#if SIZEOF_DATUM == 8
  if (ssup->abbreviate) add_abbreviations(ssup);
#endif
  PG_RETURN_VOID();
}
