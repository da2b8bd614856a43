/* The SQL face of kolvi: the kolvi_version type's input, output, casts, comparisons, hashes and
 * aggregate steps, and the functions on text. Written in C and calling the C++ core through
 * core_bridge.h, which says how errors of either side stay on it. */
#include "postgres.h"

#include "common/hashfn.h"
#include "core_bridge.h"
#include "fmgr.h"
#include "lib/stringinfo.h"
#include "libpq/pqformat.h"
#include "mb/pg_wchar.h"
#include "stored_datum.h"
#include "utils/builtins.h"

PG_MODULE_MAGIC;

#define TYPE_NAME "kolvi_version"
/* The type parses with the Version grammar: the parse table's first row. */
#define VERSION_TARGET 0

PG_FUNCTION_INFO_V1(kolvi_version_in);
PG_FUNCTION_INFO_V1(kolvi_version_out);
PG_FUNCTION_INFO_V1(kolvi_version_recv);
PG_FUNCTION_INFO_V1(kolvi_version_send);
PG_FUNCTION_INFO_V1(kolvi_version_from_text);
PG_FUNCTION_INFO_V1(kolvi_version_to_text);
PG_FUNCTION_INFO_V1(kolvi_version_cmp);
PG_FUNCTION_INFO_V1(kolvi_version_lt);
PG_FUNCTION_INFO_V1(kolvi_version_le);
PG_FUNCTION_INFO_V1(kolvi_version_eq);
PG_FUNCTION_INFO_V1(kolvi_version_ne);
PG_FUNCTION_INFO_V1(kolvi_version_ge);
PG_FUNCTION_INFO_V1(kolvi_version_gt);
PG_FUNCTION_INFO_V1(kolvi_version_hash);
PG_FUNCTION_INFO_V1(kolvi_version_hash_extended);
PG_FUNCTION_INFO_V1(kolvi_version_smaller);
PG_FUNCTION_INFO_V1(kolvi_version_larger);
PG_FUNCTION_INFO_V1(kolvi_kind);
PG_FUNCTION_INFO_V1(kolvi_key);
PG_FUNCTION_INFO_V1(kolvi_is_valid);
PG_FUNCTION_INFO_V1(kolvi_report);

/* --- errors ------------------------------------------------------------------------------ */

/* The core reads UTF-8 and its reports are UTF-8, so texts pass unconverted; a database in any
 * other encoding is refused rather than misread. The extension script refuses it too. */
static void require_utf8_database(void) {
  if (GetDatabaseEncoding() != PG_UTF8)
    ereport(ERROR, (errcode(ERRCODE_FEATURE_NOT_SUPPORTED),
                    errmsg("kolvi needs a database whose encoding is UTF8, not %s",
                           GetDatabaseEncodingName())));
}

static const char* target_name(int target, int* size) {
  size_t name_size = 0;
  const char* name = kolvi_core_target_name((size_t)target, &name_size);
  *size = (int)name_size;
  return name;
}

/* A text that does not parse: the primary message quotes it, the detail is its report. */
static pg_attribute_noreturn() void raise_invalid(KolviResult result, int target, const char* text,
                                                  int size) {
  int name_size = 0;
  const char* name = target_name(target, &name_size);
  /* The report ends in a line feed, as the command prints it; a message's detail does not. */
  int detail_size = (int)result.size;
  if (detail_size > 0 && result.bytes[detail_size - 1] == '\n') --detail_size;
  if (target == VERSION_TARGET)
    ereport(ERROR, (errcode(ERRCODE_INVALID_TEXT_REPRESENTATION),
                    errmsg("invalid input syntax for type %s: \"%.*s\"", TYPE_NAME, size, text),
                    errdetail("%.*s", detail_size, result.bytes)));
  ereport(ERROR, (errcode(ERRCODE_INVALID_TEXT_REPRESENTATION),
                  errmsg("invalid input syntax for kolvi kind %.*s: \"%.*s\"", name_size, name,
                         size, text),
                  errdetail("%.*s", detail_size, result.bytes)));
}

/* Raises the error of any outcome but KOLVI_VALID. */
static pg_attribute_noreturn() void raise_outcome(KolviResult result, int target, const char* text,
                                                  int size) {
  switch (result.outcome) {
    case KOLVI_INVALID:
      raise_invalid(result, target, text, size);
    case KOLVI_OUT_OF_MEMORY:
      ereport(ERROR, (errcode(ERRCODE_OUT_OF_MEMORY), errmsg("out of memory"),
                      errdetail("kolvi ran out of memory reading a text of %d bytes.", size)));
    default:
      ereport(ERROR, (errcode(ERRCODE_INTERNAL_ERROR),
                      errmsg("kolvi failed: %.*s", (int)result.size,
                             result.bytes ? result.bytes : "unknown error")));
  }
}

/* The target of a kind name, as the command's --kind takes it. */
static int target_of_kind(const text* kind) {
  const int target = kolvi_core_target_named(VARDATA_ANY(kind), VARSIZE_ANY_EXHDR(kind));
  StringInfoData names;
  if (target >= 0) return target;
  initStringInfo(&names);
  for (size_t index = 0; index < kolvi_core_target_count(); ++index) {
    int size = 0;
    const char* name = target_name((int)index, &size);
    appendStringInfo(&names, "%s%.*s", index ? ", " : "", size, name);
  }
  ereport(ERROR,
          (errcode(ERRCODE_INVALID_PARAMETER_VALUE),
           errmsg("unknown kolvi kind \"%.*s\"", (int)VARSIZE_ANY_EXHDR(kind), VARDATA_ANY(kind)),
           errhint("The kinds are %s.", names.data)));
  return -1;
}

/* --- the type ---------------------------------------------------------------------------- */

static Datum stored_datum(const char* text, int size) {
  KolviResult result;
  struct varlena* value;
  require_utf8_database();
  result = kolvi_core_stored_value(text, (size_t)size);
  if (result.outcome != KOLVI_VALID) raise_outcome(result, VERSION_TARGET, text, size);
  value = (struct varlena*)palloc(VARHDRSZ + result.size);
  SET_VARSIZE(value, VARHDRSZ + result.size);
  memcpy(VARDATA(value), result.bytes, result.size);
  PG_RETURN_POINTER(value);
}

Datum kolvi_version_in(PG_FUNCTION_ARGS) {
  const char* text = PG_GETARG_CSTRING(0);
  return stored_datum(text, (int)strlen(text));
}

Datum kolvi_version_from_text(PG_FUNCTION_ARGS) {
  const text* source = PG_GETARG_TEXT_PP(0);
  return stored_datum(VARDATA_ANY(source), (int)VARSIZE_ANY_EXHDR(source));
}

/* The binary form is the display form, as text's is its text. */
Datum kolvi_version_recv(PG_FUNCTION_ARGS) {
  StringInfo message = (StringInfo)PG_GETARG_POINTER(0);
  int size = 0;
  const char* text = pq_getmsgtext(message, message->len - message->cursor, &size);
  return stored_datum(text, size);
}

Datum kolvi_version_out(PG_FUNCTION_ARGS) {
  const KolviStoredParts parts = stored_parts_of(PG_GETARG_VARLENA_PP(0));
  PG_RETURN_CSTRING(pnstrdup(parts.display, parts.display_size));
}

Datum kolvi_version_to_text(PG_FUNCTION_ARGS) {
  const KolviStoredParts parts = stored_parts_of(PG_GETARG_VARLENA_PP(0));
  PG_RETURN_TEXT_P(cstring_to_text_with_len(parts.display, (int)parts.display_size));
}

Datum kolvi_version_send(PG_FUNCTION_ARGS) {
  const KolviStoredParts parts = stored_parts_of(PG_GETARG_VARLENA_PP(0));
  StringInfoData message;
  pq_begintypsend(&message);
  pq_sendtext(&message, parts.display, (int)parts.display_size);
  PG_RETURN_BYTEA_P(pq_endtypsend(&message));
}

/* The --kind name of the value's kind: the key's second byte is the kind rank. */
Datum kolvi_kind(PG_FUNCTION_ARGS) {
  const KolviStoredParts parts = stored_parts_of(PG_GETARG_VARLENA_PP(0));
  int size = 0;
  const char* name;
  if (parts.key_size < 2 || (size_t)parts.key[1] + 1 >= kolvi_core_target_count())
    ereport(ERROR, (errcode(ERRCODE_DATA_CORRUPTED), errmsg("corrupt %s value", TYPE_NAME)));
  name = target_name(parts.key[1] + 1, &size);
  PG_RETURN_TEXT_P(cstring_to_text_with_len(name, size));
}

/* --- order and hashing ------------------------------------------------------------------- */

static int compare_arguments(FunctionCallInfo fcinfo) {
  struct varlena* a = PG_GETARG_VARLENA_PP(0);
  struct varlena* b = PG_GETARG_VARLENA_PP(1);
  const int order = compare_stored(a, b);
  /* Index builds and scans call these in long-lived memory: detoasted copies go at once. */
  PG_FREE_IF_COPY(a, 0);
  PG_FREE_IF_COPY(b, 1);
  return order;
}

Datum kolvi_version_cmp(PG_FUNCTION_ARGS) {
  const int order = compare_arguments(fcinfo);
  PG_RETURN_INT32((order > 0) - (order < 0));
}

Datum kolvi_version_lt(PG_FUNCTION_ARGS) {
  PG_RETURN_BOOL(compare_arguments(fcinfo) < 0);
}
Datum kolvi_version_le(PG_FUNCTION_ARGS) {
  PG_RETURN_BOOL(compare_arguments(fcinfo) <= 0);
}
Datum kolvi_version_eq(PG_FUNCTION_ARGS) {
  PG_RETURN_BOOL(compare_arguments(fcinfo) == 0);
}
Datum kolvi_version_ne(PG_FUNCTION_ARGS) {
  PG_RETURN_BOOL(compare_arguments(fcinfo) != 0);
}
Datum kolvi_version_ge(PG_FUNCTION_ARGS) {
  PG_RETURN_BOOL(compare_arguments(fcinfo) >= 0);
}
Datum kolvi_version_gt(PG_FUNCTION_ARGS) {
  PG_RETURN_BOOL(compare_arguments(fcinfo) > 0);
}

/* The aggregates' steps return an argument itself, as PostgreSQL's own min and max do. */
Datum kolvi_version_smaller(PG_FUNCTION_ARGS) {
  struct varlena* a = PG_GETARG_VARLENA_PP(0);
  struct varlena* b = PG_GETARG_VARLENA_PP(1);
  PG_RETURN_POINTER(compare_stored(a, b) <= 0 ? a : b);
}

Datum kolvi_version_larger(PG_FUNCTION_ARGS) {
  struct varlena* a = PG_GETARG_VARLENA_PP(0);
  struct varlena* b = PG_GETARG_VARLENA_PP(1);
  PG_RETURN_POINTER(compare_stored(a, b) >= 0 ? a : b);
}

/* Equal values are exactly those with equal keys, so the key alone is hashed. */
Datum kolvi_version_hash(PG_FUNCTION_ARGS) {
  struct varlena* value = PG_GETARG_VARLENA_PP(0);
  const KolviStoredParts parts = stored_parts_of(value);
  const Datum hash = hash_any(parts.key, (int)parts.key_size);
  PG_FREE_IF_COPY(value, 0);
  return hash;
}

Datum kolvi_version_hash_extended(PG_FUNCTION_ARGS) {
  struct varlena* value = PG_GETARG_VARLENA_PP(0);
  const KolviStoredParts parts = stored_parts_of(value);
  const Datum hash = hash_any_extended(parts.key, (int)parts.key_size, PG_GETARG_INT64(1));
  PG_FREE_IF_COPY(value, 0);
  return hash;
}

/* --- functions on text ------------------------------------------------------------------- */

Datum kolvi_key(PG_FUNCTION_ARGS) {
  const text* source = PG_GETARG_TEXT_PP(0);
  const int target = target_of_kind(PG_GETARG_TEXT_PP(1));
  const int size = (int)VARSIZE_ANY_EXHDR(source);
  KolviResult result;
  bytea* key;
  require_utf8_database();
  result = kolvi_core_exact_key(target, VARDATA_ANY(source), (size_t)size);
  if (result.outcome != KOLVI_VALID) raise_outcome(result, target, VARDATA_ANY(source), size);
  key = (bytea*)palloc(VARHDRSZ + result.size);
  SET_VARSIZE(key, VARHDRSZ + result.size);
  memcpy(VARDATA(key), result.bytes, result.size);
  PG_RETURN_BYTEA_P(key);
}

Datum kolvi_is_valid(PG_FUNCTION_ARGS) {
  const text* source = PG_GETARG_TEXT_PP(0);
  const int target = target_of_kind(PG_GETARG_TEXT_PP(1));
  const int size = (int)VARSIZE_ANY_EXHDR(source);
  KolviResult result = {KOLVI_VALID, NULL, 0};
  require_utf8_database();
  result.outcome = kolvi_core_check(target, VARDATA_ANY(source), (size_t)size);
  if (result.outcome != KOLVI_VALID && result.outcome != KOLVI_INVALID)
    raise_outcome(result, target, VARDATA_ANY(source), size);
  PG_RETURN_BOOL(result.outcome == KOLVI_VALID);
}

/* The report exactly as the command and the Python class give it, final line feed included. */
Datum kolvi_report(PG_FUNCTION_ARGS) {
  const text* source = PG_GETARG_TEXT_PP(0);
  const int target = target_of_kind(PG_GETARG_TEXT_PP(1));
  const int size = (int)VARSIZE_ANY_EXHDR(source);
  KolviResult result;
  require_utf8_database();
  result = kolvi_core_report(target, VARDATA_ANY(source), (size_t)size);
  if (result.outcome == KOLVI_VALID) PG_RETURN_NULL();
  if (result.outcome != KOLVI_INVALID) raise_outcome(result, target, VARDATA_ANY(source), size);
  PG_RETURN_TEXT_P(cstring_to_text_with_len(result.bytes, (int)result.size));
}
