// SPDX-License-Identifier: Zlib
// JSON push parser (events, error codes per state, buffer, depth, comments) and json_parse trees.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "ext/json/JSON_parser.h"
#include "util/zev_json.h"
#include "util/zev_var_object.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

namespace {

// Feeds `text` to a parser and records the events as text: "[ ]", "{ }", "k:a", "i:1", "f:2.5",
// "s:x", "n", "t", "F".
struct Outcome {
    std::string events;
    int failed_at = -1; // byte that failed, -1 when all were accepted
    bool ended = false; // JSON_parser_end result
    int error = 0;
    std::string last_string;
    bool floats_as_text = false; // "f:'<text>'" instead of "f:<value>"
};

int record(void* ctx, int type, const JSON_value* v)
{
    Outcome* r = (Outcome*)ctx;
    char buf[64];
    switch (type) {
    case JSON_T_ARRAY_BEGIN: r->events += "[ "; break;
    case JSON_T_ARRAY_END: r->events += "] "; break;
    case JSON_T_OBJECT_BEGIN: r->events += "{ "; break;
    case JSON_T_OBJECT_END: r->events += "} "; break;
    case JSON_T_INTEGER: snprintf(buf, sizeof buf, "i:%d ", v->vu.integer_value); r->events += buf; break;
    case JSON_T_FLOAT:
        if (r->floats_as_text) {
            r->events += "f:'" + std::string(v->vu.str.value, v->vu.str.length) + "' ";
            break;
        }
        snprintf(buf, sizeof buf, "f:%g ", v->vu.float_value);
        r->events += buf;
        break;
    case JSON_T_NULL: r->events += "n "; break;
    case JSON_T_TRUE: r->events += "t "; break;
    case JSON_T_FALSE: r->events += "F "; break;
    case JSON_T_STRING:
        r->last_string.assign(v->vu.str.value, v->vu.str.length);
        r->events += "s:" + r->last_string + " ";
        break;
    case JSON_T_KEY: r->events += "k:" + std::string(v->vu.str.value, v->vu.str.length) + " "; break;
    }
    return 1;
}

// One byte at a time, or (bulk) the whole text through JSON_parser_chars; `adjust` may change the
// configuration further (no callback, floats as text, memory functions).
Outcome parse_with(const std::string& text, bool comments, int depth, bool bulk,
                   void (*adjust)(JSON_config&))
{
    Outcome r;
    JSON_config config;
    init_JSON_config(&config);
    config.callback = record;
    config.callback_ctx = &r;
    config.allow_comments = comments;
    config.depth = depth;
    if (adjust) adjust(config);
    r.floats_as_text = config.handle_floats_manually;
    JSON_parser jc = JSON_parser_new(&config);
    if (bulk) {
        size_t fed = JSON_parser_chars(jc, text.data(), text.size());
        if (fed < text.size()) r.failed_at = (int)fed;
    }
    for (size_t i = 0; !bulk && i < text.size(); i++) {
        if (!JSON_parser_char(jc, (unsigned char)text[i])) {
            r.failed_at = (int)i;
            break;
        }
    }
    if (r.failed_at < 0) r.ended = JSON_parser_end(jc);
    r.error = JSON_parser_get_error(jc);
    JSON_parser_delete(jc);
    return r;
}

// A parser with the default configuration whose events go to `r`.
JSON_parser recording_parser(Outcome& r)
{
    JSON_config config;
    init_JSON_config(&config);
    config.callback = record;
    config.callback_ctx = &r;
    return JSON_parser_new(&config);
}

void no_callback(JSON_config& c) { c.callback = nullptr; }
void floats_as_text(JSON_config& c) { c.handle_floats_manually = 1; }

// Memory functions that count their calls and refuse every allocation after the first `allow`.
int allocs, frees, allow = INT_MAX;
void* counted_malloc(size_t n) { return allocs < allow ? (allocs++, malloc(n)) : nullptr; }
void counted_free(void* p) { frees++, free(p); }
void counted_memory(JSON_config& c) { c.malloc = counted_malloc, c.free = counted_free; }

// Every text is parsed both ways: the bulk path must give the same events, failure and error.
Outcome parse(const std::string& text, bool comments = true, int depth = 16,
              void (*adjust)(JSON_config&) = nullptr)
{
    Outcome r = parse_with(text, comments, depth, false, adjust);
    if (text.find('\0') == std::string::npos) {   // the bulk path stops before a zero byte
        Outcome b = parse_with(text, comments, depth, true, adjust);
        EXPECT_EQ(b.events, r.events) << text;
        EXPECT_EQ(b.failed_at, r.failed_at) << text;
        EXPECT_EQ(b.ended, r.ended) << text;
        EXPECT_EQ(b.error, r.error) << text;
    }
    return r;
}

} // namespace

TEST(JsonParser, EventOrder)
{
    EXPECT_EQ(parse("[]").events, "[ ] ");
    EXPECT_EQ(parse("{}").events, "{ } ");
    Outcome r = parse("{\"a\": [1, 2.5, \"x\", null]}");
    EXPECT_TRUE(r.ended);
    EXPECT_EQ(r.events, "{ k:a [ i:1 f:2.5 s:x n ] } ");
    EXPECT_EQ(parse("[true,false , -0, 1e2, 1E-2,0.5e+1, 1., 0.e1]").events,
        "[ t F i:0 f:100 f:0.01 f:5 f:1 f:0 ] ");
    EXPECT_EQ(parse("[\n\t1\r\n]").events, "[ i:1 ] ");
    // Without a callback the parser only checks: every kind of value still passes.
    for (const char* t : {"{\"a\": [1, 2.5, \"x\", null, {}, []]}", "[true/**/,false , -0, 1e2, 3000000000]"})
        EXPECT_TRUE(parse(t, true, 16, no_callback).ended) << t;
}

// A failure from every state: the text, the byte that fails and the error code it sets.
struct StateError { const char* text; int at; int error; };
const StateError kStateErrors[] = {
    {"]", 0, JSON_E_UNBALANCED_COLLECTION},      // start, bracket
    {"x", 0, JSON_E_INVALID_CHAR},               // start
    {"1", 0, JSON_E_INVALID_CHAR},               // top-level scalar
    {"\"s\"", 0, JSON_E_INVALID_CHAR},
    {"true", 0, JSON_E_INVALID_CHAR},
    {"[1]x", 3, JSON_E_INVALID_CHAR},            // after-value
    {"{1", 1, JSON_E_EXPECTED_KEY},              // object-open
    {"{\"a\":1,}", 7, JSON_E_EXPECTED_KEY},      // key
    {"{\"a\" 1", 5, JSON_E_EXPECTED_COLON},      // colon
    {"{\"a\":}", 5, JSON_E_INVALID_CHAR},        // value
    {"[,", 1, JSON_E_UNBALANCED_COLLECTION},     // array-open
    {"[1,]", 3, JSON_E_INVALID_CHAR},            // value after ','
    {"[\"a\tb\"]", 3, JSON_E_INVALID_CHAR},      // string: tab
    {"[\"a\nb\"]", 3, JSON_E_INVALID_CHAR},
    {"[\"\\x\"]", 3, JSON_E_INVALID_ESCAPE_SEQUENCE},
    {"[\"\\u12g4\"]", 6, JSON_E_INVALID_UNICODE_SEQUENCE},
    {"[\"\\ud800x\"]", 8, JSON_E_INVALID_UNICODE_SEQUENCE}, // surrogate 1
    {"[\"\\ud800\\n\"]", 9, JSON_E_INVALID_UNICODE_SEQUENCE}, // surrogate 2
    {"[\"\\ud800\\u0041\"]", 13, JSON_E_INVALID_UNICODE_SEQUENCE}, // not a low surrogate
    {"[\"\\udc00\"]", 7, JSON_E_INVALID_UNICODE_SEQUENCE}, // lone low surrogate
    {"[-]", 2, JSON_E_INVALID_NUMBER},           // minus
    {"[01]", 2, JSON_E_INVALID_NUMBER},          // zero
    {"[0e1]", 2, JSON_E_INVALID_NUMBER},
    {"[12a]", 3, JSON_E_INVALID_NUMBER},         // integer
    {"[1.5.]", 4, JSON_E_INVALID_NUMBER},        // fraction
    {"[1e]", 3, JSON_E_INVALID_NUMBER},          // exponent
    {"[1e+]", 4, JSON_E_INVALID_NUMBER},         // exponent sign
    {"[1e5/**/]", 4, JSON_E_INVALID_NUMBER},     // exponent digits: no comment
    {"[1/**/2]", 6, JSON_E_INVALID_CHAR},        // a comment ends a number: after-value
    {"{\"a\":1/**/2}", 10, JSON_E_INVALID_CHAR},
    {"[1.x]", 3, JSON_E_INVALID_CHAR},           // fraction start
    {"[+1]", 1, JSON_E_UNBALANCED_COLLECTION},   // array-open
    {"[1,+1]", 3, JSON_E_INVALID_CHAR},          // value
    {"[tru]", 4, JSON_E_INVALID_KEYWORD},
    {"[tru/**/e]", 4, JSON_E_INVALID_KEYWORD},
    {"[True]", 1, JSON_E_UNBALANCED_COLLECTION},
    {"[nul1]", 4, JSON_E_INVALID_KEYWORD},
    {"[/x", 2, JSON_E_INVALID_CHAR},             // comment start
    {"[1}", 2, JSON_E_UNBALANCED_COLLECTION},
    {"{\"a\":1]", 6, JSON_E_UNBALANCED_COLLECTION},
    {"[1]\x01", 3, JSON_E_INVALID_CHAR},         // invalid class
};

TEST(JsonParser, ErrorCodesByState)
{
    for (const StateError& c : kStateErrors) {
        Outcome r = parse(c.text);
        EXPECT_EQ(r.failed_at, c.at) << c.text;
        EXPECT_EQ(r.error, c.error) << c.text;
        Outcome checked = parse(c.text, true, 16, no_callback); // validation only: the same verdict
        EXPECT_EQ(checked.failed_at, c.at) << c.text;
        EXPECT_EQ(checked.error, c.error) << c.text;
    }
    // Failures that leave the error code alone.
    Outcome comma = parse("[1],");
    EXPECT_EQ(comma.failed_at, 3);
    EXPECT_EQ(comma.error, JSON_E_NONE);
    Outcome nocomment = parse("[/**/]", false);
    EXPECT_EQ(nocomment.failed_at, 1);
    EXPECT_EQ(nocomment.error, JSON_E_NONE);

    // Values outside a byte are invalid, also inside a string (never cut to a byte: 300 is not ',').
    for (int bad : {-1, 256, 300, 0x10041}) {
        Outcome r;
        JSON_parser jc = recording_parser(r);
        for (char c : std::string("[\"a")) ASSERT_TRUE(JSON_parser_char(jc, (unsigned char)c));
        EXPECT_FALSE(JSON_parser_char(jc, bad)) << bad;
        EXPECT_EQ(JSON_parser_get_error(jc), JSON_E_INVALID_CHAR) << bad;
        EXPECT_FALSE(JSON_parser_char(jc, '"'));
        EXPECT_EQ(r.events, "[ ") << bad;
        JSON_parser_delete(jc);
    }
}

TEST(JsonParser, EndAndEmptyInput)
{
    EXPECT_TRUE(parse("").ended);
    EXPECT_TRUE(parse("  \n\t ").ended);
    EXPECT_TRUE(parse("/* only */ ").ended);
    EXPECT_EQ(parse("/* only */").events, "");
    Outcome open = parse("[1");
    EXPECT_FALSE(open.ended);
    EXPECT_EQ(open.error, JSON_E_UNBALANCED_COLLECTION);
    EXPECT_FALSE(parse("[1] /* open").ended);
    Outcome r = parse("[1]  ");
    EXPECT_TRUE(r.ended);
}

TEST(JsonParser, NumbersAndComments)
{
    EXPECT_EQ(parse("[1/**/]").events, "[ i:1 ] ");
    EXPECT_EQ(parse("[1.]").events, "[ f:1 ] ");
    EXPECT_EQ(parse("[-2147483648, 2147483647]").events, "[ i:-2147483648 i:2147483647 ] ");
    // Outside 32 bits: the exact value as a float, never a wrapped integer.
    EXPECT_EQ(parse("[2147483648,-2147483649, 99999999999999999999]").events,
        "[ f:2.14748e+09 f:-2.14748e+09 f:1e+20 ] ");
    // Comments in each position.
    EXPECT_EQ(parse("/*a*/{/*b*/\"k\"/*c*/:/*d*/1/*e*/,/*f*/\"l\":[/*g*/2/*h*/]/*i*/}/*j*/").events,
        "{ k:k i:1 k:l [ i:2 ] } ");
    EXPECT_EQ(parse("[/***/1/* ** / */]").events, "[ i:1 ] ");
    EXPECT_EQ(parse("[\"a\"/**/,true/**/]").events, "[ s:a t ] ");
    // Floats as text: the buffer as it stands, with the white space that followed the number.
    EXPECT_EQ(parse("[1.5 ,2e3\n, 3000000000\t, -0.25 /**/, 7, \"a \"]", true, 16, floats_as_text).events,
        "[ f:'1.5 ' f:'2e3\n' f:'3000000000\t' f:'-0.25 ' i:7 s:a  ] ");
    EXPECT_EQ(parse("{\"k\":1.0\r\n}", true, 16, floats_as_text).events, "{ k:k f:'1.0\r\n' } ");
    // Converted, the same texts give their numbers.
    EXPECT_EQ(parse("[1.5 ,2e3\n, 3000000000\t, -0.25 /**/, 1.0\r\n]").events,
        "[ f:1.5 f:2000 f:3e+09 f:-0.25 f:1 ] ");
}

TEST(JsonParser, StringsAndUnicode)
{
    Outcome r = parse("[\"a\\tb\\\"\\\\\\/\\b\\f\\n\\r\"]");
    EXPECT_EQ(r.last_string, "a\tb\"\\/\b\f\n\r");
    EXPECT_EQ(parse("[\"\\u00e9\"]").last_string, "\xc3\xa9");
    EXPECT_EQ(parse("[\"\\u0041\\u07FF\\uFFFF\"]").last_string, "A\xdf\xbf\xef\xbf\xbf");
    EXPECT_EQ(parse("[\"\\ud83d\\ude00\"]").last_string, "\xf0\x9f\x98\x80");
    EXPECT_EQ(parse("[\"a\\u0000b\"]").last_string, std::string("a\0b", 3));
    EXPECT_EQ(parse("[\"\xff\x80 x\"]").last_string, "\xff\x80 x");

    std::string big(10000, 'q');
    Outcome b = parse("[\"" + big + "\", \"after\"]");
    EXPECT_TRUE(b.ended);
    EXPECT_EQ(b.events.substr(4, 10000), big);
    EXPECT_EQ(b.last_string, "after");
    std::string longnum = "[1." + std::string(8000, '5') + "]";
    EXPECT_TRUE(parse(longnum).ended);
}

TEST(JsonParser, DepthAndReset)
{
    std::string a16(16, '['), c16(16, ']');
    EXPECT_TRUE(parse(a16 + c16).ended);
    Outcome deep = parse(a16 + "[" + c16 + "]");
    EXPECT_EQ(deep.failed_at, 16);
    EXPECT_EQ(deep.error, JSON_E_NESTING_DEPTH_REACHED);
    std::string seventeen;
    for (int i = 0; i < 17; i++) seventeen += "[ ";
    EXPECT_EQ(deep.events, seventeen); // the 17th begin event is sent before the failure

    // No limit: the stack grows past its built-in 128 levels.
    std::string a300(300, '['), c300(300, ']');
    EXPECT_TRUE(parse(a300 + c300, true, -1).ended);
    Outcome limited = parse(a300 + c300, true, 200);
    EXPECT_EQ(limited.failed_at, 200);
    EXPECT_EQ(parse("[[]]", true, 0).failed_at, 1); // depth 0 means 1
    // Limits near INT_MAX: no overflow, no stack of that size set aside, the nesting still grows.
    for (int depth : {INT_MAX, INT_MAX - 1}) {
        Outcome r = parse(a300 + c300, true, depth);
        EXPECT_TRUE(r.ended) << depth;
        EXPECT_EQ(r.error, JSON_E_NONE) << depth;
    }

    JSON_parser jc = JSON_parser_new(nullptr);
    for (char c : std::string("[\"abc")) JSON_parser_char(jc, (unsigned char)c);
    EXPECT_FALSE(JSON_parser_char(jc, '\n'));
    EXPECT_TRUE(JSON_parser_reset(jc));
    for (char c : std::string("{\"k\": 1}")) EXPECT_TRUE(JSON_parser_char(jc, (unsigned char)c));
    EXPECT_TRUE(JSON_parser_end(jc));
    JSON_parser_delete(jc);
}

// Each event refused in turn: the parse fails at the byte that caused it and sends nothing more.
TEST(JsonParser, RefusedEventStopsTheParse)
{
    struct Refusing { int refuse = -1, events = 0; size_t byte = 0; std::vector<size_t> at; };
    const std::string text = "{\"k\":[1,2.5,\"s\",null,true/**/,false],\"e\":{},\"m\":{\"x\":-3}}";
    auto run = [&](Refusing& r) {
        JSON_config config;
        init_JSON_config(&config);
        config.allow_comments = 1;
        config.callback_ctx = &r;
        config.callback = [](void* ctx, int, const JSON_value*) {
            Refusing* r = (Refusing*)ctx;
            r->at.push_back(r->byte);
            return r->events++ == r->refuse ? 0 : 1;
        };
        JSON_parser jc = JSON_parser_new(&config);
        int failed = -1;
        for (r.byte = 0; r.byte < text.size() && failed < 0; r.byte++)
            if (!JSON_parser_char(jc, (unsigned char)text[r.byte])) failed = (int)r.byte;
        JSON_parser_delete(jc);
        return failed;
    };
    Refusing all;
    ASSERT_EQ(run(all), -1);
    ASSERT_EQ(all.events, 19);
    for (int n = 0; n < all.events; n++) {
        Refusing r;
        r.refuse = n;
        EXPECT_EQ(run(r), (int)all.at[(size_t)n]) << n;
        EXPECT_EQ(r.events, n + 1) << n;
    }
}

// The caller's memory functions serve the parser, its grown buffer and stack, and get every block back.
TEST(JsonParser, CallerMemoryFunctions)
{
    const std::string deep = std::string(300, '[') + std::string(300, ']');
    const std::string big = "[\"" + std::string(10000, 'q') + "\"," + deep + "]";
    allocs = frees = 0, allow = INT_MAX;
    EXPECT_TRUE(parse(big, true, -1, counted_memory).ended);
    EXPECT_GE(allocs, 3);
    EXPECT_EQ(frees, allocs);
    EXPECT_TRUE(parse("[[]]", true, 200, counted_memory).ended);
    EXPECT_EQ(frees, allocs);

    // Refused: no parser, or the growth fails with its error code; what was taken goes back.
    allocs = frees = 0, allow = 0;
    JSON_config config;
    init_JSON_config(&config);
    counted_memory(config);
    EXPECT_EQ(JSON_parser_new(&config), nullptr);
    allow = 1;
    for (const std::string& text : {big, deep})
        for (bool bulk : {false, true}) {
            allocs = frees = 0;
            Outcome r = parse_with(text, true, -1, bulk, counted_memory);
            EXPECT_EQ(r.error, JSON_E_OUT_OF_MEMORY);
            EXPECT_GT(r.failed_at, 100);
            EXPECT_EQ(frees, 1);
        }

    // Only one of the two given: the standard allocator.
    allocs = frees = 0, allow = INT_MAX;
    EXPECT_TRUE(parse(big, true, -1, [](JSON_config& c) { c.malloc = counted_malloc; }).ended);
    EXPECT_TRUE(parse(big, true, -1, [](JSON_config& c) { c.free = counted_free; }).ended);
    EXPECT_EQ(allocs + frees, 0);
}

// ---- Recovery: what a parser does after a reset or a failure, from every state it can be in ----

namespace {

// Feeds text one byte at a time (bulk false) or through JSON_parser_chars; the bytes accepted.
size_t feed_text(JSON_parser jc, const std::string& text, bool bulk)
{
    if (bulk) return JSON_parser_chars(jc, text.data(), text.size());
    size_t i = 0;
    while (i < text.size() && JSON_parser_char(jc, (unsigned char)text[i])) i++;
    return i;
}

const char* path_name(bool bulk) { return bulk ? "JSON_parser_chars" : "JSON_parser_char"; }

} // namespace

// A reset after every prefix of a text that passes through every state (comments, escapes, both
// halves of a surrogate pair, every part of a number, literals, keys) leaves nothing behind: no
// pending escape, surrogate, comment, scalar, buffer byte or nesting.
TEST(JsonParserRecovery, ResetInEveryState)
{
    const std::string text = "/*c**/{\"k\\\\\\ud83d\\ude00\": [-0.5e+1, 10, 0, 1., 2E-3, \"\\u00e9\\/\", "
                             "true, false, null, {}, []], \"m\": {\"n\": 1}}";
    ASSERT_TRUE(parse(text).ended);
    const std::string fresh = "[\"\\u00e9x\", 7, {\"k\": 1}]";
    for (size_t cut = 0; cut <= text.size(); cut++) {
        for (bool bulk_before : {false, true}) {
            for (bool bulk_after : {false, true}) {
                SCOPED_TRACE(testing::Message() << "reset after \"" << text.substr(0, cut) << "\" fed by "
                    << path_name(bulk_before) << ", then fed by " << path_name(bulk_after));
                Outcome r;
                JSON_config config;
                init_JSON_config(&config);
                config.callback = record;
                config.callback_ctx = &r;
                config.allow_comments = 1;
                JSON_parser jc = JSON_parser_new(&config);
                ASSERT_EQ(feed_text(jc, text.substr(0, cut), bulk_before), cut);
                ASSERT_TRUE(JSON_parser_reset(jc));
                r.events.clear();
                EXPECT_EQ(feed_text(jc, fresh, bulk_after), fresh.size());
                EXPECT_TRUE(JSON_parser_end(jc));
                EXPECT_EQ(r.events, "[ s:\xc3\xa9x i:7 { k:k i:1 } ] ");
                EXPECT_EQ(JSON_parser_get_error(jc), JSON_E_NONE);
                JSON_parser_delete(jc);
            }
        }
    }
}

// A failure in every state, reached through either feeding path, sticks whichever path feeds more:
// nothing more is accepted or sent, the error code stays, and the text cannot end. A reset starts
// afresh. Fed on, some texts would otherwise reach a state no text leads to (an escape buffer that
// does not start with "\u", a scalar still pending at a bracket).
TEST(JsonParserRecovery, FailureInEveryStateSticks)
{
    std::vector<StateError> cases(std::begin(kStateErrors), std::end(kStateErrors));
    for (const char* text : {"[\"\\u12g34\"]", "[\"\\q\\u0041\"]", "[1x.5]", "{\"a\"x:[]}"})
        cases.push_back({text, -1, -1});   // where and how they fail is ErrorCodesByState's business
    for (const StateError& c : cases) {
        for (bool bulk_before : {false, true}) {
            for (bool bulk_after : {false, true}) {
                SCOPED_TRACE(testing::Message() << c.text << ": failed through " << path_name(bulk_before)
                    << ", then fed by " << path_name(bulk_after));
                Outcome r;
                JSON_parser jc = recording_parser(r);
                const std::string text = c.text;
                size_t failed = feed_text(jc, text, bulk_before);
                ASSERT_LT(failed, text.size());
                int error = JSON_parser_get_error(jc);
                const std::string events = r.events;
                const std::string more = text.substr(failed) + " [1, \"s\"] ]}";
                if (bulk_after) {
                    EXPECT_EQ(JSON_parser_chars(jc, more.data(), more.size()), 0u);
                } else {
                    for (char ch : more) EXPECT_FALSE(JSON_parser_char(jc, (unsigned char)ch)) << ch;
                }
                EXPECT_FALSE(JSON_parser_end(jc));
                EXPECT_EQ(JSON_parser_get_error(jc), error);
                EXPECT_EQ(r.events, events);
                EXPECT_TRUE(JSON_parser_reset(jc));
                EXPECT_EQ(feed_text(jc, "[2]", bulk_after), 3u);
                EXPECT_TRUE(JSON_parser_end(jc));
                EXPECT_EQ(r.events, events + "[ i:2 ] ");
                JSON_parser_delete(jc);
            }
        }
    }
}

TEST(JsonParse, TreeShape)
{
    var d;
    const char* text = "{\"a\": [1, 2.5, true, false, null, \"x\"], \"b\": {}, \"a2\": 1, \"a2\": \"second\"}";
    ASSERT_EQ(json_parse(d, text, (int)strlen(text)), 0);
    ASSERT_EQ(d.type(), VAR_DICT);
    EXPECT_EQ(d.len(), 3);
    var a = d["a"];
    ASSERT_EQ(a.len(), 6);
    EXPECT_EQ(a[0].num(), 1);
    EXPECT_EQ(a[1].num(), 2.5);
    EXPECT_EQ(a[2].type(), VAR_NUMBER);
    EXPECT_EQ(a[2].num(), 1);
    EXPECT_EQ(a[3].num(), 0);
    EXPECT_EQ(a[4].obj, nullptr);
    EXPECT_EQ(a[5].str(), "x");
    EXPECT_EQ(d["b"].type(), VAR_DICT);
    EXPECT_EQ(d["b"].len(), 0);
    EXPECT_EQ(d["a2"].str(), "second");

    var s;
    const char* scalars = "[\"\\u00e9\", \"a\\u0000b\", \"\xe2\x82\xac\", 1e10 , 3000000000\n]";
    ASSERT_EQ(json_parse(s, scalars, (int)strlen(scalars)), 0);
    EXPECT_EQ(s[0].str(), "\xc3\xa9");
    EXPECT_EQ(s[1].str(), "a");
    EXPECT_EQ(s[2].str(), "\xe2\x82\xac");
    EXPECT_EQ(s[3].num(), 1e10);
    EXPECT_EQ(s[4].num(), 3000000000.0);

    var keys;
    json_parse(keys, "{\"k\\u0000cut\": 1}", 17);
    EXPECT_TRUE(keys.has("k"));
}

TEST(JsonParse, ErrorsKeepPartialTrees)
{
    var out;
    CaptureStderr();
    EXPECT_EQ(json_parse(out, "[1, 2", 5), 1);
    EXPECT_EQ(GetCapturedStderr(), "JSON_parser_end: syntax error\n");
    ASSERT_EQ(out.len(), 1);
    EXPECT_EQ(out[0].num(), 1);

    CaptureStderr();
    EXPECT_EQ(json_parse(out, "[1, ]", 5), 1);
    EXPECT_EQ(GetCapturedStderr(), "JSON_parser_char: syntax error, byte 4\n");
    EXPECT_EQ(out.len(), 1);

    CaptureStderr();
    std::string deep = std::string(17, '[') + std::string(17, ']');
    EXPECT_EQ(json_parse(out, deep.data(), (int)deep.size()), 1);
    EXPECT_EQ(GetCapturedStderr(), "JSON_parser_char: syntax error, byte 16\n");
    EXPECT_EQ(out.len(), 1); // 16 nested lists built so far

    CaptureStderr();
    EXPECT_EQ(json_parse(out, "{\"a\": {\"b\": [7, x", 17), 1);
    EXPECT_EQ(GetCapturedStderr(), "JSON_parser_char: syntax error, byte 16\n");
    EXPECT_EQ(out["a"]["b"][0].num(), 7);

    CaptureStderr();
    EXPECT_EQ(json_parse(out, "[1] [2]", 7), 1);
    EXPECT_EQ(GetCapturedStderr(), "JSON_parser_char: syntax error, byte 4\n");

    CaptureStderr();
    EXPECT_EQ(json_parse(out, "42", 2), 1);
    EXPECT_EQ(GetCapturedStderr(), "JSON_parser_char: syntax error, byte 0\n");

    // The quiet form hands over the line instead, and only this parse's: a message string that
    // held an earlier parse's line is emptied by a good parse.
    std::string message = "stale\n";
    CaptureStderr();
    EXPECT_EQ(json_parse_quiet(out, "[1, 2", 5, message), 1);
    EXPECT_EQ(message, "JSON_parser_end: syntax error\n");
    EXPECT_EQ(json_parse_quiet(out, "[1] [2]", 7, message), 1);
    EXPECT_EQ(message, "JSON_parser_char: syntax error, byte 4\n");
    EXPECT_EQ(json_parse_quiet(out, "[3]", 3, message), 0);
    EXPECT_EQ(message, "");
    EXPECT_EQ(json_parse_quiet(out, "", 0, message), 0);
    EXPECT_EQ(message, "");
    EXPECT_EQ(GetCapturedStderr(), "");
    EXPECT_EQ(out[0].num(), 3);
}

TEST(JsonParse, EmptyTextAndZeroByte)
{
    var keep("kept");
    EXPECT_EQ(json_parse(keep, "", 0), 0);
    EXPECT_EQ(json_parse(keep, " /* c */ \n", 10), 0);
    EXPECT_EQ(json_parse(keep, nullptr, 5), 0);
    EXPECT_EQ(json_parse(keep, "[1]", -4), 0);
    EXPECT_EQ(keep.str(), "kept");

    // A zero byte at offset 10 of 20 ends the input there.
    std::string text("[1, 2, 3]", 9);
    text += ' ';
    text += '\0';
    text += "garbage!!";
    ASSERT_EQ(text.size(), 20u);
    var out;
    EXPECT_EQ(json_parse(out, text.data(), (int)text.size()), 0);
    EXPECT_EQ(out.len(), 3);
    CaptureStderr();
    EXPECT_EQ(json_parse(out, "[1,\0 2]", 7), 1); // cut inside the list
    EXPECT_EQ(GetCapturedStderr(), "JSON_parser_end: syntax error\n");
}

// Equal numbers of one document (true and false among them) are values of their own: whatever a
// caller does to one, through the handle or its object, leaves the others as they were.
TEST(JsonParse, EqualNumbersNeverShareAnObject)
{
    const struct {
        const char* name;
        void (*change)(var& h);
    } ops[] = {
        {"__setnum__", [](var& h) { h.get()->__setnum__(7); }},
        {"__setstr__", [](var& h) { h.get()->__setstr__("7"); }},
        {"set", [](var& h) { h.set(0, var(7)); }},
        {"del", [](var& h) { h.del(0); }},
        {"element assignment", [](var& h) { h[0] = var(7); }},
        {"append", [](var& h) { h.append(var(7)); }},
        {"assignment", [](var& h) { h = var(7); }},
    };
    const char* text = "{\"a\":5,\"b\":5,\"c\":[5,1,0],\"t\":true,\"one\":1,\"f\":false,\"zero\":0}";
    // Each pair: the value changed, then every other value equal to it before.
    const std::vector<std::vector<std::string>> pairs = {{"a", "b", "c0"}, {"t", "one", "c1"}, {"one", "t"},
                                                         {"f", "zero", "c2"}, {"zero", "f"}};
    for (const auto& op : ops) {
        for (const auto& names : pairs) {
            SCOPED_TRACE(std::string(op.name) + " on " + names[0]);
            var doc;
            ASSERT_EQ(json_parse(doc, text, (int)strlen(text)), 0);
            auto at = [&](const std::string& n) -> var& { return n[0] == 'c' ? doc["c"][n[1] - '0'] : doc[n]; };
            double before = at(names[0]).num();
            CaptureStderr();
            op.change(at(names[0]));
            GetCapturedStderr();
            for (size_t i = 1; i < names.size(); i++) EXPECT_EQ(at(names[i]).num(), before) << names[i];
        }
    }
}
