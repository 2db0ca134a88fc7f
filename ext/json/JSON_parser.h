// SPDX-License-Identifier: Zlib
/* JSON_parser.h - a push parser for JSON text (RFC 4627), optionally with comments.
 *
 * USAGE
 *   static int on_event(void* ctx, int type, const JSON_value* value) { ...; return 1; }
 *
 *   JSON_config config;
 *   init_JSON_config(&config);            // depth 127, no comments, floats converted
 *   config.callback = on_event;
 *   config.callback_ctx = my_state;
 *   config.allow_comments = 1;            // accept C-style comments
 *   JSON_parser jc = JSON_parser_new(&config);
 *   for (i = 0; i < n; i++)
 *       if (!JSON_parser_char(jc, (unsigned char)text[i])) { ...syntax error at byte i...; break; }
 *   if (i == n && !JSON_parser_end(jc)) { ...text ended early... }
 *   JSON_parser_delete(jc);
 *
 * - The parser checks the text one character at a time, with no look-ahead, and sends events
 *   (containers opening and closing, keys, scalars already converted) to the callback. It builds
 *   no tree. A callback returning 0 stops the parse with a failure.
 * - Text values point into the parser's token buffer: copy them during the callback.
 * - The top level must be an object or an array. Tokens of any length are fine (the buffer grows).
 * - Integers outside the 32-bit signed range arrive as JSON_T_FLOAT holding the nearest double
 *   (or the text, when floats are handled manually) instead of a wrapped or clamped integer.
 * - A float handed over as text is the token buffer as it stands: white space that followed the
 *   number stays at its end ("[1.5 ]" gives "1.5 ").
 * - A failure sticks: every later JSON_parser_char, JSON_parser_chars and JSON_parser_end fails
 *   and changes nothing, until JSON_parser_reset. JSON_parser_get_error tells what went wrong.
 */
#ifndef JSON_PARSER_H
#define JSON_PARSER_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    JSON_T_NONE = 0,
    JSON_T_ARRAY_BEGIN,  /* 1 */
    JSON_T_ARRAY_END,    /* 2 */
    JSON_T_OBJECT_BEGIN, /* 3 */
    JSON_T_OBJECT_END,   /* 4 */
    JSON_T_INTEGER,      /* 5 */
    JSON_T_FLOAT,        /* 6 */
    JSON_T_NULL,         /* 7 */
    JSON_T_TRUE,         /* 8 */
    JSON_T_FALSE,        /* 9 */
    JSON_T_STRING,       /* 10 */
    JSON_T_KEY,          /* 11 */
    JSON_T_MAX
} JSON_type;

typedef enum {
    JSON_E_NONE = 0,
    JSON_E_INVALID_CHAR,
    JSON_E_INVALID_KEYWORD,
    JSON_E_INVALID_ESCAPE_SEQUENCE,
    JSON_E_INVALID_UNICODE_SEQUENCE,
    JSON_E_INVALID_NUMBER,
    JSON_E_NESTING_DEPTH_REACHED,
    JSON_E_UNBALANCED_COLLECTION,
    JSON_E_EXPECTED_KEY,
    JSON_E_EXPECTED_COLON,
    JSON_E_OUT_OF_MEMORY
} JSON_error;

typedef struct JSON_value_struct {
    union {
        int integer_value; /* JSON_T_INTEGER */
        double float_value; /* JSON_T_FLOAT */
        struct {
            const char* value; /* zero-terminated; may hold zero bytes before `length` */
            size_t length;
        } str; /* JSON_T_STRING, JSON_T_KEY, JSON_T_FLOAT when floats are handled manually */
    } vu;
} JSON_value;

/* Returns nonzero to continue, 0 to stop the parse with a failure. value is null for the
 * container, null, true and false events. */
typedef int (*JSON_parser_callback)(void* ctx, int type, const JSON_value* value);
typedef void* (*JSON_malloc_t)(size_t n);
typedef void (*JSON_free_t)(void* p);

typedef struct {
    JSON_parser_callback callback; /* null: check only */
    void* callback_ctx;
    int depth;                    /* most containers open at once; 0 means 1; < 0 no limit */
    int allow_comments;           /* accept comments */
    int handle_floats_manually;   /* deliver floats as text */
    JSON_malloc_t malloc;         /* both or neither; the standard allocator otherwise */
    JSON_free_t free;
} JSON_config;

typedef struct JSON_parser_struct* JSON_parser;

/* The defaults: no callback, depth 127, no comments, floats converted, standard allocator. */
void init_JSON_config(JSON_config* config);

JSON_parser JSON_parser_new(const JSON_config* config); /* null config: the defaults */
int JSON_parser_reset(JSON_parser jc);                  /* 0 only when an allocation fails */
int JSON_parser_char(JSON_parser jc, int c);            /* 0 on failure; c outside 0..255 is an
                                                           invalid character */
int JSON_parser_end(JSON_parser jc);                    /* 0 when the text is incomplete */
void JSON_parser_delete(JSON_parser jc);
int JSON_parser_get_error(JSON_parser jc);              /* a JSON_error code */

/* Feeds up to n bytes, stopping before a zero byte, exactly as that many JSON_parser_char calls.
 * Returns the number of bytes accepted; when that is below n and the byte there is not zero,
 * that byte failed. */
size_t JSON_parser_chars(JSON_parser jc, const char* text, size_t n);

#ifdef __cplusplus
}
#endif

#endif /* JSON_PARSER_H */
