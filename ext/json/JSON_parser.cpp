// SPDX-License-Identifier: Zlib
// JSON_parser.cpp - push parser: character classes, a state table built at compile time, a stack
// of nesting modes and a growable token buffer. Plain data and functions behind a C interface.
#include "ext/json/JSON_parser.h"

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// ---------------------------------------------------------------------------------------------
// Character classes
// ---------------------------------------------------------------------------------------------

enum Class : int8_t {
    C_INVALID = -1,
    C_SPACE, C_WHITE, C_LCURB, C_RCURB, C_LSQRB, C_RSQRB, C_COLON, C_COMMA, C_QUOTE, C_BACKS,
    C_SLASH, C_PLUS, C_MINUS, C_POINT, C_STAR, C_ZERO, C_DIGIT,
    C_LOW_A, C_LOW_B, C_LOW_C, C_LOW_D, C_LOW_E, C_LOW_F, C_LOW_L, C_LOW_N, C_LOW_R, C_LOW_S,
    C_LOW_T, C_LOW_U, C_ABCDF, C_E, C_ETC,
    NR_CLASSES
};

struct ClassTable { int8_t c[128]; };

static constexpr ClassTable make_classes()
{
    ClassTable t{};
    for (int i = 0; i < 128; i++) t.c[i] = i < 0x20 ? C_INVALID : C_ETC;
    t.c[' '] = C_SPACE;
    t.c['\t'] = t.c['\n'] = t.c['\r'] = C_WHITE;
    t.c['{'] = C_LCURB; t.c['}'] = C_RCURB; t.c['['] = C_LSQRB; t.c[']'] = C_RSQRB;
    t.c[':'] = C_COLON; t.c[','] = C_COMMA; t.c['"'] = C_QUOTE; t.c['\\'] = C_BACKS;
    t.c['/'] = C_SLASH; t.c['+'] = C_PLUS; t.c['-'] = C_MINUS; t.c['.'] = C_POINT;
    t.c['*'] = C_STAR; t.c['0'] = C_ZERO;
    for (int i = '1'; i <= '9'; i++) t.c[i] = C_DIGIT;
    t.c['a'] = C_LOW_A; t.c['b'] = C_LOW_B; t.c['c'] = C_LOW_C; t.c['d'] = C_LOW_D;
    t.c['e'] = C_LOW_E; t.c['f'] = C_LOW_F; t.c['l'] = C_LOW_L; t.c['n'] = C_LOW_N;
    t.c['r'] = C_LOW_R; t.c['s'] = C_LOW_S; t.c['t'] = C_LOW_T; t.c['u'] = C_LOW_U;
    t.c['A'] = t.c['B'] = t.c['C'] = t.c['D'] = t.c['F'] = C_ABCDF;
    t.c['E'] = C_E;
    return t;
}

static constexpr ClassTable ascii_class = make_classes();

// ---------------------------------------------------------------------------------------------
// States and actions
// ---------------------------------------------------------------------------------------------

enum State : int8_t {
    GO, // start
    OK, // after a value
    OB, // after '{'
    KE, // key expected after ',' in an object
    CO, // colon expected
    VA, // value expected
    AR, // after '['
    ST, // in a string
    ES, // after '\' in a string
    U1, U2, U3, U4, // "\u" hex digits
    MI, // after '-'
    ZE, // after a leading '0'
    IN, // integer digits
    FS, // after '.'
    FR, // fraction digits
    E1, // after 'e'
    E2, // after the exponent sign
    E3, // exponent digits
    T1, T2, T3, // t tr tru
    F1, F2, F3, F4, // f fa fal fals
    N1, N2, N3, // n nu nul
    C1, // after '/'
    C2, // in a comment
    C3, // after '*' in a comment
    D1, // after a high surrogate escape
    D2, // after its following '\'
    NR_STATES
};

// Table entries >= 0 are the next state, these are actions, __ is "no transition".
enum Action : int8_t {
    __ = -1,
    A_OPEN_OBJECT = -2,   // {
    A_CLOSE_EMPTY = -3,   // } in object-open
    A_CLOSE_OBJECT = -4,  // }
    A_OPEN_ARRAY = -5,    // [
    A_CLOSE_ARRAY = -6,   // ]
    A_COMMA = -7,         // ,
    A_COLON = -8,         // :
    A_BEGIN_STRING = -9,  // " starting a string or key
    A_END_STRING = -10,   // " ending it
    A_ESCAPE = -11,       // \ in a string
    A_MINUS = -12,        // - starting a number
    A_ZERO = -13,         // 0 starting a number
    A_DIGIT = -14,        // 1-9 starting a number
    A_POINT = -15,        // .
    A_EXPONENT = -16,     // e E after integer digits
    A_TRUE = -17, A_FALSE = -18, A_NULL = -19,
    A_COMMENT = -20,      // / starting a comment
    A_COMMENT_END = -21,  // / after '*' in a comment
    A_UNICODE = -22,      // fourth hex digit
};

struct StateTable { int8_t t[NR_STATES][NR_CLASSES]; };

static constexpr void set_white(StateTable& s, int st, int to)
{
    s.t[st][C_SPACE] = (int8_t)to;
    s.t[st][C_WHITE] = (int8_t)to;
}

static constexpr void set_hex(StateTable& s, int st, int to)
{
    const int hex[] = {C_ZERO, C_DIGIT, C_LOW_A, C_LOW_B, C_LOW_C, C_LOW_D, C_LOW_E, C_LOW_F, C_ABCDF, C_E};
    for (int c : hex) s.t[st][c] = (int8_t)to;
}

// The end of a number: white space, '}' ']' ','.
static constexpr void set_number_end(StateTable& s, int st)
{
    set_white(s, st, OK);
    s.t[st][C_RCURB] = A_CLOSE_OBJECT;
    s.t[st][C_RSQRB] = A_CLOSE_ARRAY;
    s.t[st][C_COMMA] = A_COMMA;
}

static constexpr void set_value_start(StateTable& s, int st)
{
    set_white(s, st, st);
    s.t[st][C_LCURB] = A_OPEN_OBJECT;
    s.t[st][C_LSQRB] = A_OPEN_ARRAY;
    s.t[st][C_QUOTE] = A_BEGIN_STRING;
    s.t[st][C_MINUS] = A_MINUS;
    s.t[st][C_ZERO] = A_ZERO;
    s.t[st][C_DIGIT] = A_DIGIT;
    s.t[st][C_LOW_T] = A_TRUE;
    s.t[st][C_LOW_F] = A_FALSE;
    s.t[st][C_LOW_N] = A_NULL;
    s.t[st][C_SLASH] = A_COMMENT;
}

static constexpr StateTable make_states()
{
    StateTable s{};
    for (int i = 0; i < NR_STATES; i++)
        for (int c = 0; c < NR_CLASSES; c++) s.t[i][c] = __;

    set_white(s, GO, GO);
    s.t[GO][C_LCURB] = A_OPEN_OBJECT;
    s.t[GO][C_LSQRB] = A_OPEN_ARRAY;
    s.t[GO][C_SLASH] = A_COMMENT;

    set_number_end(s, OK);
    s.t[OK][C_SLASH] = A_COMMENT;

    set_white(s, OB, OB);
    s.t[OB][C_RCURB] = A_CLOSE_EMPTY;
    s.t[OB][C_QUOTE] = A_BEGIN_STRING;
    s.t[OB][C_SLASH] = A_COMMENT;

    set_white(s, KE, KE);
    s.t[KE][C_QUOTE] = A_BEGIN_STRING;
    s.t[KE][C_SLASH] = A_COMMENT;

    set_white(s, CO, CO);
    s.t[CO][C_COLON] = A_COLON;
    s.t[CO][C_SLASH] = A_COMMENT;

    set_value_start(s, VA);
    set_value_start(s, AR);
    s.t[AR][C_RSQRB] = A_CLOSE_ARRAY;

    for (int c = 0; c < NR_CLASSES; c++) s.t[ST][c] = ST;
    s.t[ST][C_WHITE] = __;
    s.t[ST][C_QUOTE] = A_END_STRING;
    s.t[ST][C_BACKS] = A_ESCAPE;

    s.t[ES][C_QUOTE] = s.t[ES][C_BACKS] = s.t[ES][C_SLASH] = ST;
    s.t[ES][C_LOW_B] = s.t[ES][C_LOW_F] = s.t[ES][C_LOW_N] = s.t[ES][C_LOW_R] = s.t[ES][C_LOW_T] = ST;
    s.t[ES][C_LOW_U] = U1;

    set_hex(s, U1, U2);
    set_hex(s, U2, U3);
    set_hex(s, U3, U4);
    set_hex(s, U4, A_UNICODE);

    s.t[MI][C_ZERO] = ZE;
    s.t[MI][C_DIGIT] = IN;

    set_number_end(s, ZE);
    s.t[ZE][C_SLASH] = A_COMMENT;
    s.t[ZE][C_POINT] = A_POINT;

    set_number_end(s, IN);
    s.t[IN][C_SLASH] = A_COMMENT;
    s.t[IN][C_ZERO] = s.t[IN][C_DIGIT] = IN;
    s.t[IN][C_POINT] = A_POINT;
    s.t[IN][C_LOW_E] = s.t[IN][C_E] = A_EXPONENT;

    set_number_end(s, FS);
    s.t[FS][C_ZERO] = s.t[FS][C_DIGIT] = FR;
    s.t[FS][C_LOW_E] = s.t[FS][C_E] = E1;

    set_number_end(s, FR);
    s.t[FR][C_SLASH] = A_COMMENT;
    s.t[FR][C_ZERO] = s.t[FR][C_DIGIT] = FR;
    s.t[FR][C_LOW_E] = s.t[FR][C_E] = E1;

    s.t[E1][C_PLUS] = s.t[E1][C_MINUS] = E2;
    s.t[E1][C_ZERO] = s.t[E1][C_DIGIT] = E3;
    s.t[E2][C_ZERO] = s.t[E2][C_DIGIT] = E3;
    set_number_end(s, E3);
    s.t[E3][C_ZERO] = s.t[E3][C_DIGIT] = E3;

    s.t[T1][C_LOW_R] = T2; s.t[T2][C_LOW_U] = T3; s.t[T3][C_LOW_E] = OK;
    s.t[F1][C_LOW_A] = F2; s.t[F2][C_LOW_L] = F3; s.t[F3][C_LOW_S] = F4; s.t[F4][C_LOW_E] = OK;
    s.t[N1][C_LOW_U] = N2; s.t[N2][C_LOW_L] = N3; s.t[N3][C_LOW_L] = OK;

    s.t[C1][C_STAR] = C2;
    for (int c = 0; c < NR_CLASSES; c++) s.t[C2][c] = C2;
    s.t[C2][C_STAR] = C3;
    for (int c = 0; c < NR_CLASSES; c++) s.t[C3][c] = C2;
    s.t[C3][C_STAR] = C3;
    s.t[C3][C_SLASH] = A_COMMENT_END;

    s.t[D1][C_BACKS] = D2;
    s.t[D2][C_LOW_U] = U1;
    return s;
}

static constexpr StateTable state_table = make_states();

enum Mode : int8_t { MODE_ARRAY = 1, MODE_DONE = 2, MODE_KEY = 3, MODE_OBJECT = 4 };

enum { JSON_PARSER_STACK_SIZE = 128, JSON_PARSER_PARSE_BUFFER_SIZE = 3500 };

struct JSON_parser_struct {
    JSON_parser_callback callback;
    void* ctx;
    int8_t state;
    int8_t before_comment_state;
    int8_t type;
    uint8_t escaped;
    uint8_t comment;
    uint8_t allow_comments;
    uint8_t handle_floats_manually;
    int8_t error;
    uint8_t failed; // a call failed: every later one fails too, until a reset
    char decimal_point;
    uint16_t utf16_high_surrogate;
    int current_char;
    int depth;
    int top;
    int stack_capacity;
    int8_t* stack;
    char* parse_buffer;
    size_t parse_buffer_capacity;
    size_t parse_buffer_count;
    int8_t static_stack[JSON_PARSER_STACK_SIZE];
    char static_parse_buffer[JSON_PARSER_PARSE_BUFFER_SIZE];
    JSON_malloc_t malloc;
    JSON_free_t free;
};

// Unreachable by any input; stops the program naming the broken check.
#define JSON_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            fprintf(stderr, "JSON_parser: internal check failed: %s (%s:%d)\n", #cond, __FILE__,   \
                __LINE__);                                                                         \
            abort();                                                                               \
        }                                                                                          \
    } while (0)

// ---------------------------------------------------------------------------------------------
// Stack and buffer
// ---------------------------------------------------------------------------------------------

static bool push(JSON_parser jc, int mode)
{
    if (jc->top + 1 >= jc->stack_capacity) {
        // Room for `depth` containers and the bottom entry; without a limit, up to 2^30 entries.
        // 64-bit sums: a depth near INT_MAX must not overflow.
        int64_t limit = jc->depth >= 0 ? (int64_t)jc->depth + 1 : (int64_t)1 << 30;
        if (jc->stack_capacity >= limit) {
            jc->error = jc->depth >= 0 ? JSON_E_NESTING_DEPTH_REACHED : JSON_E_OUT_OF_MEMORY;
            return false;
        }
        if (jc->stack_capacity >= (1 << 30)) {
            jc->error = JSON_E_OUT_OF_MEMORY;
            return false;
        }
        // The stack doubles as it fills, up to the limit. The built-in one is never freed.
        int64_t grown = (int64_t)jc->stack_capacity * 2;
        int capacity = (int)(grown < limit ? grown : limit);
        int8_t* bigger = (int8_t*)jc->malloc((size_t)capacity);
        if (!bigger) {
            jc->error = JSON_E_OUT_OF_MEMORY;
            return false;
        }
        memcpy(bigger, jc->stack, (size_t)jc->stack_capacity);
        if (jc->stack != jc->static_stack) jc->free(jc->stack);
        jc->stack = bigger;
        jc->stack_capacity = capacity;
    }
    jc->stack[++jc->top] = (int8_t)mode;
    return true;
}

static bool pop(JSON_parser jc, int mode)
{
    if (jc->top < 0 || jc->stack[jc->top] != mode) return false;
    jc->top--;
    return true;
}

static inline void buffer_clear(JSON_parser jc)
{
    jc->parse_buffer_count = 0;
    jc->parse_buffer[0] = 0;
}

static inline void buffer_pop_back(JSON_parser jc)
{
    JSON_CHECK(jc->parse_buffer_count >= 1);
    jc->parse_buffer[--jc->parse_buffer_count] = 0;
}

static inline void buffer_push_back(JSON_parser jc, char c)
{
    jc->parse_buffer[jc->parse_buffer_count++] = c;
    jc->parse_buffer[jc->parse_buffer_count] = 0;
}

static bool buffer_reserve(JSON_parser jc)
{
    if (jc->parse_buffer_count + 2 <= jc->parse_buffer_capacity) return true;
    size_t capacity = jc->parse_buffer_capacity * 2;
    char* bigger = capacity > jc->parse_buffer_capacity ? (char*)jc->malloc(capacity) : nullptr;
    if (!bigger) {
        jc->error = JSON_E_OUT_OF_MEMORY;
        return false;
    }
    memcpy(bigger, jc->parse_buffer, jc->parse_buffer_count + 1);
    if (jc->parse_buffer != jc->static_parse_buffer) jc->free(jc->parse_buffer);
    jc->parse_buffer = bigger;
    jc->parse_buffer_capacity = capacity;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Scalars
// ---------------------------------------------------------------------------------------------

// Reads a decimal integer ("-"? digits, then anything) into 32 bits. False when it does not fit.
static bool read_int32(const char* s, int* out)
{
    while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r') s++;
    bool neg = *s == '-';
    if (neg) s++;
    int64_t v = 0;
    const int64_t limit = neg ? 2147483648LL : 2147483647LL;
    for (; *s >= '0' && *s <= '9'; s++) {
        v = v * 10 + (*s - '0');
        if (v > limit) return false;
    }
    *out = (int)(neg ? -v : v);
    return true;
}

static bool send(JSON_parser jc, int type, const JSON_value* value)
{
    return jc->callback(jc->ctx, type, value) != 0;
}

// A float as a double, or as its text when floats are handled manually: the token buffer as it
// stands, so white space that followed the number is part of it ("1.5 "). strtod stops at that
// white space, and the buffer always ends in a zero byte.
static bool send_float_text(JSON_parser jc, JSON_value* value)
{
    if (jc->handle_floats_manually) {
        value->vu.str.value = jc->parse_buffer;
        value->vu.str.length = jc->parse_buffer_count;
    } else {
        value->vu.float_value = strtod(jc->parse_buffer, nullptr);
    }
    return send(jc, JSON_T_FLOAT, value);
}

// Sends the scalar collected in the buffer (if any), then empties the buffer.
static bool deliver(JSON_parser jc)
{
    int type = jc->type;
    jc->type = JSON_T_NONE;
    if (type != JSON_T_NONE && jc->callback) {
        JSON_value value;
        bool ok = true;
        switch (type) {
        case JSON_T_INTEGER:
            if (read_int32(jc->parse_buffer, &value.vu.integer_value)) {
                ok = send(jc, JSON_T_INTEGER, &value);
            } else {
                ok = send_float_text(jc, &value); // outside 32 bits: the nearest double, never wrapped
            }
            break;
        case JSON_T_FLOAT:
            ok = send_float_text(jc, &value);
            break;
        case JSON_T_STRING:
            value.vu.str.value = jc->parse_buffer;
            value.vu.str.length = jc->parse_buffer_count;
            ok = send(jc, JSON_T_STRING, &value);
            break;
        case JSON_T_NULL:
        case JSON_T_TRUE:
        case JSON_T_FALSE:
            ok = send(jc, type, nullptr);
            break;
        default:
            JSON_CHECK(!"scalar type");
        }
        if (!ok) return false;
    }
    buffer_clear(jc);
    return true;
}

static int hex_value(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The buffer ends with "\uXXXX": replace it by the UTF-8 bytes of the code point.
static bool decode_unicode(JSON_parser jc)
{
    JSON_CHECK(jc->parse_buffer_count >= 6);
    char* p = jc->parse_buffer + jc->parse_buffer_count - 6;
    JSON_CHECK(p[0] == '\\' && p[1] == 'u');
    unsigned unit = 0;
    for (int i = 2; i < 6; i++) {
        int h = hex_value(p[i]);
        JSON_CHECK(h >= 0);
        unit = unit * 16 + (unsigned)h;
    }
    jc->parse_buffer_count -= 6;
    jc->parse_buffer[jc->parse_buffer_count] = 0;

    uint32_t cp;
    if (jc->utf16_high_surrogate) {
        if (unit < 0xDC00 || unit > 0xDFFF) return false;
        cp = 0x10000 + ((uint32_t)(jc->utf16_high_surrogate - 0xD800) * 0x400) + (unit - 0xDC00);
        jc->utf16_high_surrogate = 0;
    } else if (unit >= 0xD800 && unit <= 0xDBFF) {
        jc->utf16_high_surrogate = (uint16_t)unit;
        return true;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
        return false;
    } else {
        cp = unit;
    }

    int extra = cp < 0x80 ? 0 : cp < 0x800 ? 1 : cp < 0x10000 ? 2 : 3;
    static const unsigned char lead[4] = {0x00, 0xC0, 0xE0, 0xF0};
    char* out = jc->parse_buffer + jc->parse_buffer_count;
    out[0] = (char)((cp >> (6 * extra)) | lead[extra]);
    for (int i = 1; i <= extra; i++) out[i] = (char)(((cp >> (6 * (extra - i))) & 0x3F) | 0x80);
    jc->parse_buffer_count += (size_t)extra + 1;
    jc->parse_buffer[jc->parse_buffer_count] = 0;
    return true;
}

// ---------------------------------------------------------------------------------------------
// The per-character step
// ---------------------------------------------------------------------------------------------

static int error_for_state(int state, int cls)
{
    switch (state) {
    case GO:
        return cls == C_LCURB || cls == C_RCURB || cls == C_LSQRB || cls == C_RSQRB ? JSON_E_UNBALANCED_COLLECTION
                                                                                   : JSON_E_INVALID_CHAR;
    case OB: case KE: return JSON_E_EXPECTED_KEY;
    case CO: return JSON_E_EXPECTED_COLON;
    case AR: return JSON_E_UNBALANCED_COLLECTION;
    case U1: case U2: case U3: case U4: case D1: case D2: return JSON_E_INVALID_UNICODE_SEQUENCE;
    case T1: case T2: case T3: case F1: case F2: case F3: case F4: case N1: case N2: case N3:
        return JSON_E_INVALID_KEYWORD;
    case MI: case ZE: case IN: case FR: case E1: case E2: case E3: return JSON_E_INVALID_NUMBER;
    default: return JSON_E_INVALID_CHAR;
    }
}

static bool fail(JSON_parser jc, int cls)
{
    jc->error = (int8_t)error_for_state(jc->state, cls);
    return false;
}

static bool run_action(JSON_parser jc, int action, int cls)
{
    switch (action) {
    case A_OPEN_OBJECT:
    case A_OPEN_ARRAY: {
        bool object = action == A_OPEN_OBJECT;
        JSON_CHECK(jc->type == JSON_T_NONE);
        buffer_pop_back(jc);
        if (jc->callback && !send(jc, object ? JSON_T_OBJECT_BEGIN : JSON_T_ARRAY_BEGIN, nullptr)) return false;
        if (!push(jc, object ? MODE_KEY : MODE_ARRAY)) return false;
        jc->state = object ? OB : AR;
        return true;
    }
    case A_CLOSE_EMPTY:
        buffer_clear(jc);
        if (jc->callback && !send(jc, JSON_T_OBJECT_END, nullptr)) return false;
        if (!pop(jc, MODE_KEY)) return false;
        jc->state = OK;
        return true;
    case A_CLOSE_OBJECT:
    case A_CLOSE_ARRAY: {
        bool object = action == A_CLOSE_OBJECT;
        buffer_pop_back(jc);
        if (!deliver(jc)) return false;
        if (jc->callback && !send(jc, object ? JSON_T_OBJECT_END : JSON_T_ARRAY_END, nullptr)) return false;
        if (!pop(jc, object ? MODE_OBJECT : MODE_ARRAY)) {
            jc->error = JSON_E_UNBALANCED_COLLECTION;
            return false;
        }
        jc->type = JSON_T_NONE;
        jc->state = OK;
        return true;
    }
    case A_COMMA:
        buffer_pop_back(jc);
        if (!deliver(jc)) return false;
        if (jc->top >= 0 && jc->stack[jc->top] == MODE_OBJECT) {
            jc->stack[jc->top] = MODE_KEY;
            jc->state = KE;
            return true;
        }
        if (jc->top >= 0 && jc->stack[jc->top] == MODE_ARRAY) {
            jc->state = VA;
            return true;
        }
        return false;
    case A_COLON:
        buffer_pop_back(jc);
        if (!pop(jc, MODE_KEY)) return false;
        jc->stack[++jc->top] = MODE_OBJECT; // replaces MODE_KEY in place
        jc->state = VA;
        return true;
    case A_BEGIN_STRING:
        buffer_clear(jc);
        jc->type = JSON_T_STRING;
        jc->state = ST;
        return true;
    case A_END_STRING: {
        buffer_pop_back(jc);
        int mode = jc->top >= 0 ? jc->stack[jc->top] : 0;
        if (mode == MODE_KEY) {
            jc->type = JSON_T_NONE;
            jc->state = CO;
            if (jc->callback) {
                JSON_value value;
                value.vu.str.value = jc->parse_buffer;
                value.vu.str.length = jc->parse_buffer_count;
                if (!send(jc, JSON_T_KEY, &value)) return false;
            }
            buffer_clear(jc);
            return true;
        }
        if (mode == MODE_ARRAY || mode == MODE_OBJECT) {
            if (!deliver(jc)) return false;
            jc->type = JSON_T_NONE;
            jc->state = OK;
            return true;
        }
        return false;
    }
    case A_ESCAPE:
        jc->escaped = 1;
        jc->state = ES;
        return true;
    case A_MINUS: jc->type = JSON_T_INTEGER; jc->state = MI; return true;
    case A_ZERO: jc->type = JSON_T_INTEGER; jc->state = ZE; return true;
    case A_DIGIT: jc->type = JSON_T_INTEGER; jc->state = IN; return true;
    case A_POINT:
        jc->type = JSON_T_FLOAT;
        if (!jc->handle_floats_manually) {
            JSON_CHECK(jc->parse_buffer_count >= 1 && jc->parse_buffer[jc->parse_buffer_count - 1] == '.');
            jc->parse_buffer[jc->parse_buffer_count - 1] = jc->decimal_point;
        }
        jc->state = FS;
        return true;
    case A_EXPONENT: jc->type = JSON_T_FLOAT; jc->state = E1; return true;
    case A_TRUE: jc->type = JSON_T_TRUE; jc->state = T1; return true;
    case A_FALSE: jc->type = JSON_T_FALSE; jc->state = F1; return true;
    case A_NULL: jc->type = JSON_T_NULL; jc->state = N1; return true;
    case A_COMMENT: {
        if (!jc->allow_comments) return false;
        buffer_pop_back(jc);
        if (!deliver(jc)) return false;
        int mode = jc->top >= 0 ? jc->stack[jc->top] : 0;
        if (mode == MODE_ARRAY || mode == MODE_OBJECT)
            jc->before_comment_state = jc->state == VA || jc->state == AR ? jc->state : (int8_t)OK;
        else
            jc->before_comment_state = jc->state;
        jc->type = JSON_T_NONE;
        jc->comment = 1;
        jc->state = C1;
        return true;
    }
    case A_COMMENT_END:
        jc->comment = 0;
        jc->state = jc->before_comment_state;
        return true;
    case A_UNICODE:
        if (!decode_unicode(jc)) {
            jc->error = JSON_E_INVALID_UNICODE_SEQUENCE;
            return false;
        }
        jc->state = jc->utf16_high_surrogate ? D1 : ST;
        return true;
    default:
        (void)cls;
        JSON_CHECK(!"action");
        return false;
    }
}

static inline bool step(JSON_parser jc, int c)
{
    if (c < 0 || c > 255) {
        jc->error = JSON_E_INVALID_CHAR;
        return false;
    }
    jc->current_char = c;
    int cls = c >= 128 ? (int)C_ETC : (int)ascii_class.c[c];
    if (cls < 0) return fail(jc, cls);

    if (!buffer_reserve(jc)) return false;
    if (jc->escaped) {
        jc->escaped = 0;
        char* last = &jc->parse_buffer[jc->parse_buffer_count - 1];
        switch (c) {
        case 'b': *last = '\b'; break;
        case 'f': *last = '\f'; break;
        case 'n': *last = '\n'; break;
        case 'r': *last = '\r'; break;
        case 't': *last = '\t'; break;
        case '"': case '\\': case '/': *last = (char)c; break;
        case 'u': buffer_push_back(jc, 'u'); break;
        default:
            jc->error = JSON_E_INVALID_ESCAPE_SEQUENCE;
            return false;
        }
    } else if (!jc->comment) {
        if (jc->type != JSON_T_NONE || !(cls == C_SPACE || cls == C_WHITE)) buffer_push_back(jc, (char)c);
    }

    int next = state_table.t[jc->state][cls];
    if (next >= 0) {
        jc->state = (int8_t)next;
        return true;
    }
    if (next == __) return fail(jc, cls);
    return run_action(jc, next, cls);
}

// ---------------------------------------------------------------------------------------------
// Interface
// ---------------------------------------------------------------------------------------------

void init_JSON_config(JSON_config* config)
{
    if (!config) return;
    memset(config, 0, sizeof *config);
    config->depth = JSON_PARSER_STACK_SIZE - 1;
}

JSON_parser JSON_parser_new(const JSON_config* config)
{
    JSON_config defaults;
    init_JSON_config(&defaults);
    if (!config) config = &defaults;
    JSON_malloc_t alloc = config->malloc;
    JSON_free_t release = config->free;
    if (!alloc || !release) {
        alloc = malloc;
        release = free;
    }
    JSON_parser jc = (JSON_parser)alloc(sizeof(JSON_parser_struct));
    if (!jc) return nullptr;
    memset(jc, 0, sizeof *jc);
    jc->malloc = alloc;
    jc->free = release;
    jc->callback = config->callback;
    jc->ctx = config->callback_ctx;
    jc->allow_comments = config->allow_comments != 0;
    jc->handle_floats_manually = config->handle_floats_manually != 0;
    const struct lconv* lc = localeconv();
    jc->decimal_point = lc && lc->decimal_point && lc->decimal_point[0] ? lc->decimal_point[0] : '.';
    jc->depth = config->depth == 0 ? 1 : config->depth;
    if (!JSON_parser_reset(jc)) {
        release(jc);
        return nullptr;
    }
    return jc;
}

int JSON_parser_reset(JSON_parser jc)
{
    if (!jc) return 0;
    jc->state = GO;
    jc->top = -1;
    if (!jc->stack) { // first reset: set up the stack and the buffer
        // The built-in stack first; push() grows it when a deeper limit allows more.
        if (jc->depth < 0) jc->depth = -1;
        jc->stack_capacity = jc->depth >= 0 && jc->depth < JSON_PARSER_STACK_SIZE ? jc->depth + 1
                                                                                 : JSON_PARSER_STACK_SIZE;
        jc->stack = jc->static_stack;
        jc->parse_buffer = jc->static_parse_buffer;
        jc->parse_buffer_capacity = JSON_PARSER_PARSE_BUFFER_SIZE;
    }
    // A fresh parse: no scalar, escape, comment, surrogate or error left from the last one.
    jc->type = JSON_T_NONE;
    jc->escaped = 0;
    jc->comment = 0;
    jc->utf16_high_surrogate = 0;
    jc->error = JSON_E_NONE;
    jc->failed = 0;
    if (!push(jc, MODE_DONE)) return 0;
    buffer_clear(jc);
    return 1;
}

// The state after a failure is not one any text leads to: nothing more is read from it.
static inline bool feed(JSON_parser jc, int c)
{
    if (jc->failed) return false;
    if (step(jc, c)) return true;
    jc->failed = 1;
    return false;
}

int JSON_parser_char(JSON_parser jc, int c)
{
    return feed(jc, c) ? 1 : 0;
}

// What a run of bytes can be after a step in each state: white space between tokens, the
// ordinary bytes of a string, the digits of a number. (Escapes and comments have states of their
// own, ES and C1 to C3, so no run starts inside one.)
enum Run : int8_t { RUN_NONE, RUN_WHITE, RUN_STRING, RUN_DIGITS };

struct RunTable { int8_t r[NR_STATES]; };

static constexpr RunTable make_runs()
{
    RunTable t{};
    for (int s = 0; s < NR_STATES; s++)
        if (s != ST && state_table.t[s][C_SPACE] == s && state_table.t[s][C_WHITE] == s) t.r[s] = RUN_WHITE;
    t.r[ST] = RUN_STRING;
    t.r[IN] = t.r[FR] = t.r[E3] = RUN_DIGITS;
    return t;
}

static constexpr RunTable run_table = make_runs();

// After a step in a state with a run kind: takes over the run of bytes at text that would each
// leave the state as it is and change nothing but the token buffer, exactly as stepping them one
// by one does (same state, same buffer, never a failure); returns its length.
static size_t run_ahead(JSON_parser jc, int run, const unsigned char* text, size_t n)
{
    size_t k = 0;
    if (run == RUN_WHITE) {
        if (jc->type != JSON_T_NONE) return 0;   // after a keyword white space is kept
        while (k < n) {
            unsigned char c = text[k];
            if (c == ' ' && k + 8 <= n) {
                // Indentation: eight bytes at a time, the run ending at the first that is no space.
                uint64_t word;
                memcpy(&word, text + k, 8);
                uint64_t other = word ^ 0x2020202020202020ull;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
                k += other ? (size_t)(__builtin_ctzll(other) >> 3) : 8;
#else
                k += other ? 1 : 8;
#endif
            } else if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
                k++;
            } else {
                break;
            }
        }
    } else {
        // Kept bytes: as many as fit without growing the buffer (each step leaves room for one
        // more byte and the terminator); the step after the run grows it as usual.
        size_t room = jc->parse_buffer_capacity - jc->parse_buffer_count - 1;
        if (n > room) n = room;
        char* out = jc->parse_buffer + jc->parse_buffer_count;
        if (run == RUN_STRING)
            for (unsigned char c; k < n && (c = text[k]) >= 0x20 && c != '"' && c != '\\'; k++) out[k] = (char)c;
        else
            for (unsigned char c; k < n && (c = text[k]) >= '0' && c <= '9'; k++) out[k] = (char)c;
        jc->parse_buffer_count += k;
        jc->parse_buffer[jc->parse_buffer_count] = 0;
    }
    if (k) jc->current_char = text[k - 1];
    return k;
}

// Whole tokens in one go for the bulk path. Each takes over bytes only when stepping them one by
// one would certainly go the same way: the same events in the same order, the same state and
// buffer afterwards, and no growth of the buffer on the way (the steps grow it, and may fail to).
// Otherwise it takes nothing and the bytes are stepped as usual. Preconditions: no failure, no
// escape and no comment pending (none is in the states the tokens start from).

// A string without escapes, opening quote at t[0], in a state that expects a key or a value.
// Returns the bytes taken (both quotes included, and a colon right after a key) or 0; *ok false
// when its event was refused, the closing quote then being the byte that failed.
static size_t fast_string(JSON_parser jc, const unsigned char* t, size_t n, bool* ok)
{
    size_t limit = jc->parse_buffer_capacity - 2; // the text, the quote pushed last, the terminator
    if (n - 1 < limit) limit = n - 1;
    const unsigned char* s = t + 1;
    size_t k = 0;
    while (k < limit && s[k] >= 0x20 && s[k] != '"' && s[k] != '\\') k++;
    if (k == limit || s[k] != '"') return 0;
    int mode = jc->top >= 0 ? jc->stack[jc->top] : 0;
    if (mode != MODE_KEY && mode != MODE_ARRAY && mode != MODE_OBJECT) return 0;
    memcpy(jc->parse_buffer, s, k);
    jc->parse_buffer_count = k;
    buffer_push_back(jc, '"');
    jc->type = JSON_T_STRING;
    jc->state = ST;
    jc->current_char = '"';
    *ok = run_action(jc, A_END_STRING, C_QUOTE);
    if (*ok && jc->state == CO && k + 2 < n && t[k + 2] == ':') {
        // A key and the colon right after it: the colon's step, which cannot fail here.
        jc->current_char = ':';
        jc->stack[jc->top] = MODE_OBJECT;
        jc->state = VA;
        return k + 3;
    }
    return k + 2;
}

// The integer part of a number ("-"? then "0" or digits) in a state that expects a value: leaves
// it in the buffer with the state the last digit leads to. Returns the bytes taken or 0.
static size_t fast_number(JSON_parser jc, const unsigned char* t, size_t n)
{
    size_t k = t[0] == '-' ? 1 : 0;
    if (k >= n || t[k] < '0' || t[k] > '9') return 0;
    int state = t[k] == '0' ? ZE : IN;
    k++;
    if (state == IN)
        while (k < n && t[k] >= '0' && t[k] <= '9') k++;
    if (k + 2 > jc->parse_buffer_capacity) return 0;
    memcpy(jc->parse_buffer, t, k);
    jc->parse_buffer_count = k;
    jc->parse_buffer[k] = 0;
    jc->type = JSON_T_INTEGER;
    jc->state = (int8_t)state;
    jc->current_char = t[k - 1];
    return k;
}

// Which bytes may start a whole token in each state: strings, numbers, and the punctuation
// , : { } [ ] (one step each, without the checks a byte of any kind needs).
enum Fast : int8_t { FAST_NONE, FAST_STRING = 1, FAST_NUMBER = 2, FAST_PUNCT = 4 };

struct FastTable { int8_t f[NR_STATES][128]; };

static constexpr FastTable make_fast()
{
    FastTable t{};
    const char punct[] = ",:{}[]";
    for (int s = 0; s < NR_STATES; s++) {
        if (s == ST || s == ES || s == C1 || s == C2 || s == C3) continue;
        for (const char* p = punct; *p; p++)
            if (state_table.t[s][ascii_class.c[(int)*p]] < __) t.f[s][(int)*p] = FAST_PUNCT;
    }
    const int expect_key_or_value[] = {OB, KE, VA, AR};
    for (int s : expect_key_or_value) t.f[s]['"'] = FAST_STRING;
    const int expect_value[] = {VA, AR};
    for (int s : expect_value) {
        t.f[s]['-'] = FAST_NUMBER;
        for (int c = '0'; c <= '9'; c++) t.f[s][c] = FAST_NUMBER;
    }
    return t;
}

static constexpr FastTable fast_table = make_fast();

size_t JSON_parser_chars(JSON_parser jc, const char* text, size_t n)
{
    const unsigned char* t = (const unsigned char*)text;
    size_t i = 0;
    while (i < n) {
        unsigned c = t[i];
        if (c == 0 || jc->failed) break;
        int fast = c < 128 ? (int)fast_table.f[jc->state][c] : (int)FAST_NONE;
        size_t used = 0;
        if (fast == FAST_STRING) {
            bool ok = true;
            used = fast_string(jc, t + i, n - i, &ok);
            if (!ok) {
                jc->failed = 1;
                i += used - 1;
                break;
            }
        } else if (fast == FAST_NUMBER) {
            used = fast_number(jc, t + i, n - i);
        } else if (c == ':' && fast == FAST_PUNCT && jc->top >= 0 && jc->stack[jc->top] == MODE_KEY &&
                   jc->parse_buffer_count + 2 <= jc->parse_buffer_capacity) {
            // What the colon's step comes to when it succeeds: the key's mode becomes the object's.
            jc->current_char = ':';
            jc->stack[jc->top] = MODE_OBJECT;
            jc->state = VA;
            used = 1;
        } else if (c == ',' && fast == FAST_PUNCT && jc->top >= 0 &&
                   (jc->stack[jc->top] == MODE_OBJECT || jc->stack[jc->top] == MODE_ARRAY) &&
                   jc->parse_buffer_count + 2 <= jc->parse_buffer_capacity) {
            // The comma's step when it succeeds: the value before it goes out, the next is expected.
            jc->current_char = ',';
            if (!deliver(jc)) {
                jc->failed = 1;
                break;
            }
            bool object = jc->stack[jc->top] == MODE_OBJECT;
            if (object) jc->stack[jc->top] = MODE_KEY;
            jc->state = object ? KE : VA;
            used = 1;
        } else if (fast == FAST_PUNCT && jc->parse_buffer_count + 2 <= jc->parse_buffer_capacity) {
            // What step() does for these bytes when the buffer needs no growth.
            int cls = ascii_class.c[c];
            jc->current_char = (int)c;
            buffer_push_back(jc, (char)c);
            if (!run_action(jc, state_table.t[jc->state][cls], cls)) {
                jc->failed = 1;
                break;
            }
            used = 1;
        }
        if (used) {
            i += used;
        } else {
            if (!feed(jc, (int)c)) break;
            i++;
        }
        int run = run_table.r[jc->state];
        if (run != RUN_NONE && i < n && (run != RUN_WHITE || t[i] <= ' ')) i += run_ahead(jc, run, t + i, n - i);
    }
    return i;
}

int JSON_parser_end(JSON_parser jc)
{
    if (jc->failed) return 0;
    if ((jc->state == OK || jc->state == GO) && pop(jc, MODE_DONE)) return 1;
    jc->error = JSON_E_UNBALANCED_COLLECTION;
    return 0;
}

void JSON_parser_delete(JSON_parser jc)
{
    if (!jc) return;
    if (jc->stack && jc->stack != jc->static_stack) jc->free(jc->stack);
    if (jc->parse_buffer && jc->parse_buffer != jc->static_parse_buffer) jc->free(jc->parse_buffer);
    jc->free(jc);
}

int JSON_parser_get_error(JSON_parser jc)
{
    return jc ? (int)jc->error : (int)JSON_E_NONE;
}
