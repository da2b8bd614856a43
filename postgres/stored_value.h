/* How a kolvi_version is stored, shared by the C++ half that writes it and the C half that reads
 * it. After PostgreSQL's varlena header (one byte or four) come:
 *
 *   key length  the length of the exact key: one byte 0x00 to 0x7F when it is below 128, else
 *               four bytes, big-endian, of the length with the top bit set
 *   key         the Version's exact order key (format 1, src/version/exact_key.hpp)
 *   display     the Version's display form in UTF-8, to the end of the value
 *
 * Comparison and hashing read the key alone, a memcmp away from the start; output copies the
 * display form and parses nothing. Equal values may differ in display form (1.0.0+a, 1.0.0+b),
 * so the b-tree class offers no equal-image support and indexes do not deduplicate them. */
#ifndef KOLVI_STORED_VALUE_H
#define KOLVI_STORED_VALUE_H

#include <stddef.h>
#include <stdint.h>

#define KOLVI_SHORT_KEY_LIMIT 0x80u
#define KOLVI_LONG_KEY_FLAG 0x80u
#define KOLVI_LONG_LENGTH_SIZE 4u
/* The key length field holds 31 bits; PostgreSQL's values are all shorter than that. */
#define KOLVI_LARGEST_KEY 0x7FFFFFFFu

typedef struct KolviStoredParts {
  const unsigned char* key;
  size_t key_size;
  const char* display;
  size_t display_size;
} KolviStoredParts;

static inline size_t kolvi_key_length_size(size_t key_size) {
  return key_size < KOLVI_SHORT_KEY_LIMIT ? 1 : KOLVI_LONG_LENGTH_SIZE;
}

/* Writes the key length field, kolvi_key_length_size(key_size) bytes; key_size must not pass
 * KOLVI_LARGEST_KEY. */
static inline void kolvi_write_key_length(unsigned char* out, size_t key_size) {
  if (key_size < KOLVI_SHORT_KEY_LIMIT) {
    out[0] = (unsigned char)key_size;
    return;
  }
  out[0] = (unsigned char)(KOLVI_LONG_KEY_FLAG | (key_size >> 24));
  out[1] = (unsigned char)(key_size >> 16);
  out[2] = (unsigned char)(key_size >> 8);
  out[3] = (unsigned char)key_size;
}

/* The parts of a stored value's bytes after the varlena header. */
static inline KolviStoredParts kolvi_stored_parts(const char* data, size_t size) {
  const unsigned char* bytes = (const unsigned char*)data;
  KolviStoredParts parts;
  size_t length_size = 1;
  parts.key_size = bytes[0];
  if (bytes[0] & KOLVI_LONG_KEY_FLAG) {
    length_size = KOLVI_LONG_LENGTH_SIZE;
    parts.key_size = ((size_t)(bytes[0] & ~KOLVI_LONG_KEY_FLAG) << 24) | ((size_t)bytes[1] << 16)
                     | ((size_t)bytes[2] << 8) | bytes[3];
  }
  parts.key = bytes + length_size;
  parts.display = (const char*)parts.key + parts.key_size;
  parts.display_size = size - length_size - parts.key_size;
  return parts;
}

#endif /* KOLVI_STORED_VALUE_H */
