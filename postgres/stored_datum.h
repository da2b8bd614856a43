/* A stored kolvi_version as the C half sees it (stored_value.h has the layout): its parts and the
 * order of two of them, for kolvi.c and sort_support.c. Include after postgres.h. */
#ifndef KOLVI_STORED_DATUM_H
#define KOLVI_STORED_DATUM_H

#include <string.h>

#include "stored_value.h"

/* The parts of a value that is not toasted (a short header is fine). */
static inline KolviStoredParts stored_parts_of(const struct varlena* value) {
  return kolvi_stored_parts(VARDATA_ANY(value), VARSIZE_ANY_EXHDR(value));
}

/* The order of two values: their keys as unsigned bytes, a key that is a prefix of the other
 * first. Equal keys are equal values. */
static inline int compare_stored(const struct varlena* a, const struct varlena* b) {
  const KolviStoredParts pa = stored_parts_of(a);
  const KolviStoredParts pb = stored_parts_of(b);
  const size_t common = pa.key_size < pb.key_size ? pa.key_size : pb.key_size;
  const int order = memcmp(pa.key, pb.key, common);
  if (order != 0) return order;
  return (pa.key_size > pb.key_size) - (pa.key_size < pb.key_size);
}

#endif /* KOLVI_STORED_DATUM_H */
