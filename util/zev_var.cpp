// SPDX-License-Identifier: Zlib
// zev_var.cpp - the dynamic value type: handle, base object, the five kinds and the iterators.
#include "util/zev_var_object.h"

#include <cctype>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

// ---------------------------------------------------------------------------------------------
// Helpers
// ---------------------------------------------------------------------------------------------

void var_report(const char* file, int line, const char* msg)
{
    fprintf(stderr, "%s:%d: %s\n", file, line, msg);
}

const char* var_kind_name(int kind)
{
    switch (kind) {
    case VAR_NONE: return "none";
    case VAR_NUMBER: return "number";
    case VAR_STRING: return "string";
    case VAR_LIST: return "list";
    case VAR_DICT: return "dict";
    default: return "invalid";
    }
}

std::string var_described(const var& v)
{
    switch (v.type()) {
    case VAR_NUMBER: return var_number_text(v.num());
    case VAR_STRING: return "the text \"" + v.str().substr(0, 40) + "\"";
    case VAR_LIST: return "a list";
    case VAR_DICT: return "an object";
    default: return "null";
    }
}

bool var_num_exact(const var& v, double* out)
{
    double n = v.num();
    if (out) *out = n;
    if (!std::isfinite(n)) return false;
    if (v.type() == VAR_NUMBER) return true;
    if (v.type() != VAR_STRING) return false;
    // num() converts a text with atof, which is strtod without the end: the same reading, and
    // the end says whether it took the whole text. A zero byte inside ends what atof sees.
    std::string s = v.str();
    const char* text = s.c_str();
    char* end = nullptr;
    strtod(text, &end);
    if (end == text) return false;
    while (isspace((unsigned char)*end)) end++;
    return end == text + s.size();
}

bool var_str_exact(const var& v, std::string* out)
{
    if (out) *out = v.str();
    return v.type() == VAR_STRING || v.type() == VAR_NUMBER;
}

// "TypeError: '<kind>' object does not support '<op>'" at the given line of this file.
static void type_error(var_object* o, const char* op, int line)
{
    char msg[128];
    snprintf(msg, sizeof msg, "TypeError: '%s' object does not support '%s'", var_kind_name(o->__type__()), op);
    var_report(__FILE__, line, msg);
}

// Truncate toward zero to 32 bits; out of range or NaN gives INT32_MIN (never an undefined cast).
static int32_t trunc32(double d)
{
    if (!(d > -2147483649.0 && d < 2147483648.0))
        return INT32_MIN;
    return (int32_t)d;
}

std::string var_number_text(double n)
{
    int32_t i = trunc32(n);
    char buf[400]; // "%f" of the largest double is 317 characters
    if ((double)i == n) {
        snprintf(buf, sizeof buf, "%ld", (long)i);
        return buf;
    }
    int len = snprintf(buf, sizeof buf, "%f", n);
    if (len < 0) return std::string();
    if (len >= (int)sizeof buf) len = (int)sizeof buf - 1;
    while (len > 2 && buf[len - 1] == '0' && buf[len - 2] != '.')
        len--;
    return std::string(buf, (size_t)len);
}

var& var_scratch()
{
    static var scratch;
    scratch = var();
    return scratch;
}

// The object an empty handle stands for. Its count starts high so that a handle taken on it
// by accident can never free it.
static var_object* none_object()
{
    static _var_none none;
    if (none.refs < (1 << 29)) none.refs = 1 << 30;
    return &none;
}

static inline void take(var_object* o)
{
    if (o) o->refs++;
}

static inline void let_go(var_object* o)
{
    if (o && --o->refs == 0) delete o;
}

// Slice bounds: negative ones count from the end once, then clamp to [0, n]. Crossed bounds
// give an empty range.
static void slice_bounds(int n, int& start, int& end)
{
    if (start < 0) start += n;
    if (end < 0) end += n;
    if (start < 0) start = 0;
    if (end > n) end = n;
    if (start > n) start = n;
    if (end < start) end = start;
}

// ---------------------------------------------------------------------------------------------
// Pool
// ---------------------------------------------------------------------------------------------

// Under AddressSanitizer the pool tells it which bytes are in use: a block is addressable only
// while it is handed out, and then only the bytes asked for. Reading a block after it came back,
// or past the size asked for, is reported like any use after free or overflow.
#if defined(__SANITIZE_ADDRESS__)
#define VAR_POOL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VAR_POOL_ASAN 1
#endif
#endif
#ifdef VAR_POOL_ASAN
#include <sanitizer/asan_interface.h>
#define POOL_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define POOL_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define POOL_POISON(p, n) ((void)(p), (void)(n))
#define POOL_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace {
enum { POOL_GRAIN = 8, POOL_MAX = 256, POOL_CHUNK = 64 * 1024 };
struct pool_block { pool_block* next; };
// Free lists per size class and the chunk being carved. Chunks are chained through their first
// block so that they stay reachable; they are never returned. When the last block comes back,
// the free lists are dropped and the chunks carved again from the start: a freed tree leaves
// no scattered free lists behind, so the next one is laid out in address order again.
struct var_pool {
    pool_block* free_list[POOL_MAX / POOL_GRAIN + 1];
    char* cur;
    char* end;
    pool_block* chunks; // every chunk, newest first
    pool_block* spare;  // after a reset: the next chunk to carve again
    size_t live;        // blocks handed out and not yet returned
};
var_pool pool; // zero-initialised, no destructor: usable by values destroyed at exit

// The link of a free block (poisoned while it is free).
inline pool_block* link_of(pool_block* b)
{
    POOL_UNPOISON(b, sizeof *b);
    pool_block* next = b->next;
    POOL_POISON(b, sizeof *b);
    return next;
}

inline void set_link(pool_block* b, pool_block* next)
{
    POOL_UNPOISON(b, sizeof *b);
    b->next = next;
    POOL_POISON(b, sizeof *b);
}
} // namespace

size_t var_pool_blocks_in_use() { return pool.live; }

void* var_pool_alloc(size_t n)
{
    if (n == 0) n = 1;
    if (n > POOL_MAX) {
        void* p = malloc(n);
        if (!p) throw std::bad_alloc();
        return p;
    }
    size_t cls = (n + POOL_GRAIN - 1) / POOL_GRAIN;
    pool.live++;
    if (pool_block* b = pool.free_list[cls]) {
        pool.free_list[cls] = link_of(b);
        __builtin_prefetch(pool.free_list[cls]); // the next pop of this size reads it
        POOL_UNPOISON(b, n);
        return b;
    }
    size_t size = cls * POOL_GRAIN;
    if ((size_t)(pool.end - pool.cur) < size) {
        char* chunk;
        if (pool.spare) {
            chunk = (char*)pool.spare;
            pool.spare = pool.spare->next;
        } else {
            chunk = (char*)malloc(POOL_CHUNK);
            if (!chunk) {
                pool.live--;
                throw std::bad_alloc();
            }
            ((pool_block*)chunk)->next = pool.chunks;
            pool.chunks = (pool_block*)chunk;
            POOL_POISON(chunk + POOL_GRAIN, POOL_CHUNK - POOL_GRAIN); // the chain link stays readable
        }
        pool.cur = chunk + POOL_GRAIN;
        pool.end = chunk + POOL_CHUNK;
    }
    void* p = pool.cur;
    pool.cur += size;
    POOL_UNPOISON(p, n);
    return p;
}

void var_pool_free(void* p, size_t n)
{
    if (!p) return;
    if (n == 0) n = 1;
    if (n > POOL_MAX) {
        free(p);
        return;
    }
    size_t cls = (n + POOL_GRAIN - 1) / POOL_GRAIN;
    pool_block* b = (pool_block*)p;
    POOL_POISON(b, cls * POOL_GRAIN);
    set_link(b, pool.free_list[cls]);
    pool.free_list[cls] = b;
    if (--pool.live == 0) {
        for (pool_block*& f : pool.free_list) f = nullptr;
        pool.spare = pool.chunks;
        pool.cur = pool.end = nullptr;
    }
}

#ifdef VAR_POOL_ASAN
// At exit, after the static values are gone (LeakSanitizer checks later still). Blocks still
// handed out are values nobody released, or values something else still holds. The pool lets go
// of every pointer it has into its chunks, so LeakSanitizer judges each chunk that holds such
// blocks like any allocation: reached from live memory it is fine, otherwise it is reported as
// a leak allocated from var_pool_alloc. Chunks with nothing handed out are freed.
__attribute__((destructor)) static void var_pool_exit()
{
    if (pool.live == 0) return;
    for (pool_block* f : pool.free_list)
        while (f) {
            pool_block* next = link_of(f);
            set_link(f, nullptr);
            f = next;
        }
    pool_block* chunk = pool.chunks;
    pool = var_pool();
    while (chunk) {
        pool_block* next = chunk->next;
        chunk->next = nullptr;
        bool used = false;
        for (char* b = (char*)chunk + POOL_GRAIN; b < (char*)chunk + POOL_CHUNK && !used; b += POOL_GRAIN)
            used = !__asan_address_is_poisoned(b);
        if (!used) {
            POOL_UNPOISON(chunk, POOL_CHUNK);
            free(chunk);
        }
        chunk = next;
    }
}
#endif

// ---------------------------------------------------------------------------------------------
// var: the handle
// ---------------------------------------------------------------------------------------------

var::var(double n) : obj(new _var_number(n)) { obj->refs = 1; }
var::var(int n) : obj(new _var_number((double)n)) { obj->refs = 1; }
var::var(const char* s) : obj(s ? new _var_string(std::string(s)) : new _var_string()) { obj->refs = 1; }
var::var(const std::string& s) : obj(new _var_string(s)) { obj->refs = 1; }
var::var(var_object* o) : obj(o) { take(o); }
var::var(const var& v) : obj(v.obj) { take(obj); }

var::var(int kind, int count, const var* const* items) : obj(nullptr)
{
    if (count < 0 || !items) count = 0;
    if (kind == VAR_LIST) {
        _var_list* l = new _var_list();
        l->items.reserve((size_t)count);
        for (int i = 0; i < count; i++)
            l->items.push_back(items[i] ? *items[i] : var());
        obj = l;
        obj->refs = 1;
    } else if (kind == VAR_DICT) {
        _var_dict* d = new _var_dict();
        obj = d;
        obj->refs = 1;
        if (count & 1)
            VAR_REPORT("ValueError: dict construction needs key, value pairs; last key ignored");
        for (int i = 0; i + 1 < count; i += 2) {
            std::string k = items[i] ? items[i]->str() : std::string();
            d->items[k] = items[i + 1] ? *items[i + 1] : var();
        }
    }
}

var::var(int kind, std::initializer_list<var> items) : obj(nullptr)
{
    std::vector<const var*> ptrs;
    ptrs.reserve(items.size());
    for (const var& v : items) ptrs.push_back(&v);
    var built(kind, (int)ptrs.size(), ptrs.data());
    obj = built.obj;
    built.obj = nullptr;
}

var& var::operator=(const var& v)
{
    if (obj != v.obj) {
        var_object* old = obj;
        obj = v.obj;
        take(obj);
        let_go(old);
    }
    return *this;
}

var& var::operator=(var&& v) noexcept
{
    if (obj != v.obj) {
        var_object* old = obj;
        obj = v.obj;
        v.obj = nullptr;
        let_go(old);
    }
    return *this;
}

void var::release(var_object* o)
{
    if (--o->refs == 0) delete o;
}

var_object* var::get() const { return obj ? obj : none_object(); }

var& var::operator[](const var& key) const { return get()->__get__(key); }
var& var::operator[](const char* key) const { return get()->__get__(var(key)); }
var& var::operator[](const std::string& key) const { return get()->__get__(var(key)); }
var& var::operator[](int index) const { return get()->__get__(var(index)); }

int var::type() const { return get()->__type__(); }
void var::set(const var& key, const var& value) const { get()->__set__(key, value); }
bool var::has(const var& key) const { return get()->__has__(key); }
bool var::has(const char* key) const { return get()->__has__(var(key)); }
bool var::has(const std::string& key) const { return get()->__has__(var(key)); }
void var::del(const var& key) const { get()->__del__(key); }
int var::len() const { return get()->__len__(); }
var var::slice(int start, int end) const { return get()->__slice__(start, end); }
var var::iter() const { return var(get()->__iter__()); }
bool var::next(var& out) const { return get()->__next__(out); }
bool var::next(var& key, var& value) const { return get()->__nextpair__(key, value); }
std::string var::str() const { return get()->__str__(); }
double var::num() const { return get()->__num__(); }
var::operator bool() const { return get()->__bool__(); }
bool var::operator<(const var& other) const { return get()->__lt__(other); }
bool var::operator==(const var& other) const { return get()->__eq__(other); }
var var::operator+(const var& other) const { return get()->__add__(other); }
var var::operator-(const var& other) const { return get()->__sub__(other); }
var var::operator*(const var& other) const { return get()->__mul__(other); }
var var::operator/(const var& other) const { return get()->__div__(other); }
var var::copy() const { return var(get()->__copy__()); }

void var::append(const var& v) const
{
    if (obj && obj->__type__() == VAR_LIST)
        static_cast<_var_list*>(obj)->items.push_back(v);
    else
        VAR_REPORT("UnsupportedError");
}

// ---------------------------------------------------------------------------------------------
// var_object: base behaviour
// ---------------------------------------------------------------------------------------------

int var_object::__type__() { return VAR_INVALID; }
void var_object::__setstr__(const std::string&) {}
void var_object::__setnum__(double) {}
var_object* var_object::__copy__() { return new var_object(); }
var& var_object::__get__(const var&)
{
    type_error(this, "__get__", __LINE__);
    return var_scratch();
}
void var_object::__set__(const var&, const var&) { type_error(this, "__set__", __LINE__); }
bool var_object::__has__(const var&)
{
    type_error(this, "__has__", __LINE__);
    return false;
}
void var_object::__del__(const var&) { type_error(this, "__del__", __LINE__); }
int var_object::__len__()
{
    type_error(this, "__len__", __LINE__);
    return 0;
}
var var_object::__slice__(int, int)
{
    type_error(this, "__slice__", __LINE__);
    return var();
}
var_object* var_object::__iter__() { return new var_object(); }
bool var_object::__next__(var&) { return false; }
bool var_object::__nextpair__(var&, var&) { return false; }
std::string var_object::__str__() { return std::string(); }
double var_object::__num__() { return 0; }
bool var_object::__bool__() { return false; }
bool var_object::__lt__(const var&) { return false; }
bool var_object::__eq__(const var&) { return false; }
var var_object::__add__(const var&)
{
    type_error(this, "__add__", __LINE__);
    return var();
}
var var_object::__mul__(const var&)
{
    type_error(this, "__mul__", __LINE__);
    return var();
}
var var_object::__sub__(const var&)
{
    type_error(this, "__sub__", __LINE__);
    return var();
}
var var_object::__div__(const var&)
{
    type_error(this, "__div__", __LINE__);
    return var();
}

// ---------------------------------------------------------------------------------------------
// none
// ---------------------------------------------------------------------------------------------

int _var_none::__type__() { return VAR_NONE; }
var_object* _var_none::__copy__() { return new _var_none(); }
std::string _var_none::__str__() { return std::string(); }
bool _var_none::__eq__(const var& other) { return other.type() == VAR_NONE; }

// ---------------------------------------------------------------------------------------------
// number
// ---------------------------------------------------------------------------------------------

int _var_number::__type__() { return VAR_NUMBER; }
void _var_number::__setnum__(double n) { value = n; }
var_object* _var_number::__copy__() { return new _var_number(value); }
std::string _var_number::__str__() { return var_number_text(value); }
double _var_number::__num__() { return value; }
bool _var_number::__bool__() { return value != 0; } // NaN != 0 is true
bool _var_number::__lt__(const var& other) { return value < other.num(); }
bool _var_number::__eq__(const var& other) { return value == other.num(); }
var _var_number::__add__(const var& other) { return var(value + other.num()); }
var _var_number::__mul__(const var& other) { return var(value * other.num()); }
var _var_number::__sub__(const var& other) { return var(value - other.num()); }
var _var_number::__div__(const var& other) { return var(value / other.num()); }

// ---------------------------------------------------------------------------------------------
// string
// ---------------------------------------------------------------------------------------------

int _var_string::__type__() { return VAR_STRING; }
void _var_string::__setstr__(const std::string& s) { value = s; }
var_object* _var_string::__copy__() { return new _var_string(value); }
bool _var_string::__has__(const var& key) { return value.find(key.str()) != std::string::npos; }
int _var_string::__len__() { return value.size() > (size_t)INT32_MAX ? INT32_MAX : (int)value.size(); }
var _var_string::__slice__(int start, int end)
{
    slice_bounds(__len__(), start, end);
    return var(value.substr((size_t)start, (size_t)(end - start)));
}
var_object* _var_string::__iter__()
{
    _var_string_iter* it = new _var_string_iter();
    it->cur = value.data();
    it->end = value.data() + value.size();
    return it;
}
std::string _var_string::__str__() { return value; }
double _var_string::__num__() { return atof(value.c_str()); }
bool _var_string::__bool__() { return !value.empty(); }
bool _var_string::__lt__(const var& other) { return value < other.str(); }
bool _var_string::__eq__(const var& other) { return value == other.str(); }
var _var_string::__add__(const var& other) { return var(value + other.str()); }

bool _var_string_iter::__next__(var& out)
{
    if (cur >= end) return false;
    out = var((int)(int8_t)*cur++);
    return true;
}

bool _var_string_iter::__nextpair__(var& key, var& value)
{
    if (cur >= end) return false;
    key = var(index++);
    value = var((int)(int8_t)*cur++);
    return true;
}

// ---------------------------------------------------------------------------------------------
// list
// ---------------------------------------------------------------------------------------------

// The list index of a key: truncated, negative counts from the end once; -1 when out of range.
static int list_index(const var& key, size_t size)
{
    int n = size > (size_t)INT32_MAX ? INT32_MAX : (int)size;
    int32_t i = trunc32(key.num());
    if (i < 0) i += n; // INT32_MIN + n cannot overflow
    if (i < 0 || i >= n) return -1;
    return i;
}

// Elements go last first: the pool then hands their blocks out again in address order.
_var_list::~_var_list()
{
    while (!items.empty()) items.pop_back();
}

int _var_list::__type__() { return VAR_LIST; }
var_object* _var_list::__copy__()
{
    _var_list* l = new _var_list();
    l->items = items;
    return l;
}
var& _var_list::__get__(const var& key)
{
    int i = list_index(key, items.size());
    if (i < 0) {
        VAR_REPORT("IndexError: list index out of range");
        return var_scratch();
    }
    return items[(size_t)i];
}
void _var_list::__set__(const var& key, const var& value)
{
    int i = list_index(key, items.size());
    if (i < 0) {
        VAR_REPORT("IndexError: list assignment index out of range");
        return;
    }
    items[(size_t)i] = value;
}
bool _var_list::__has__(const var& key)
{
    for (size_t i = 0; i < items.size(); i++)
        if (items[i].get()->__eq__(key)) return true;
    return false;
}
void _var_list::__del__(const var& key)
{
    int i = list_index(key, items.size());
    if (i < 0) {
        VAR_REPORT("IndexError: list assignment index out of range");
        return;
    }
    items.erase(items.begin() + i);
}
int _var_list::__len__() { return items.size() > (size_t)INT32_MAX ? INT32_MAX : (int)items.size(); }
var _var_list::__slice__(int start, int end)
{
    slice_bounds(__len__(), start, end);
    _var_list* l = new _var_list();
    l->items.assign(items.begin() + start, items.begin() + end);
    return var(l);
}
var_object* _var_list::__iter__()
{
    _var_list_iter* it = new _var_list_iter();
    it->cur = items.data();
    it->end = items.data() + items.size();
    return it;
}
std::string _var_list::__str__()
{
    char buf[64];
    snprintf(buf, sizeof buf, "<list instance at %p>", (void*)this);
    return buf;
}
bool _var_list::__bool__() { return !items.empty(); }
bool _var_list::__lt__(const var& other)
{
    if (VAR_LIST < other.type()) return true;
    return (uintptr_t)this < (uintptr_t)other.obj;
}
bool _var_list::__eq__(const var& other) { return other.obj == this; }
var _var_list::__add__(const var& other)
{
    if (other.type() != VAR_LIST) {
        VAR_REPORT("TypeError: can only concatenate list to list");
        return var();
    }
    const auto& b = static_cast<_var_list*>(other.obj)->items;
    _var_list* l = new _var_list();
    l->items.reserve(items.size() + b.size());
    l->items.insert(l->items.end(), items.begin(), items.end());
    l->items.insert(l->items.end(), b.begin(), b.end()); // b may be items: self + self is fine
    return var(l);
}

bool _var_list_iter::__next__(var& out)
{
    if (cur >= end) return false;
    out = *cur++;
    return true;
}

bool _var_list_iter::__nextpair__(var& key, var& value)
{
    if (cur >= end) return false;
    key = var(index++);
    value = *cur++;
    return true;
}

// ---------------------------------------------------------------------------------------------
// dict
// ---------------------------------------------------------------------------------------------

// Here, beside the pool, so that freeing the nodes does not go through a call each.
_var_dict::~_var_dict() {}

int _var_dict::__type__() { return VAR_DICT; }
var_object* _var_dict::__copy__()
{
    _var_dict* d = new _var_dict();
    d->items = items;
    return d;
}
var& _var_dict::__get__(const var& key) { return items[key.str()]; }
void _var_dict::__set__(const var& key, const var& value) { items[key.str()] = value; }
bool _var_dict::__has__(const var& key) { return items.find(key.str()) != items.end(); }
void _var_dict::__del__(const var& key)
{
    var_dict_map::iterator it = items.find(key.str());
    if (it == items.end()) {
        VAR_REPORT("dict::__del__:KeyError");
        return;
    }
    items.erase(it);
}
int _var_dict::__len__() { return items.size() > (size_t)INT32_MAX ? INT32_MAX : (int)items.size(); }
var_object* _var_dict::__iter__()
{
    _var_dict_iter* it = new _var_dict_iter();
    it->cur = items.begin();
    it->end = items.end();
    return it;
}
std::string _var_dict::__str__()
{
    char buf[64];
    snprintf(buf, sizeof buf, "<dict instance at %p>", (void*)this);
    return buf;
}
bool _var_dict::__bool__() { return !items.empty(); }
bool _var_dict::__lt__(const var& other)
{
    if (VAR_DICT < other.type()) return true;
    return (uintptr_t)this < (uintptr_t)other.obj;
}
bool _var_dict::__eq__(const var& other) { return other.obj == this; }

bool _var_dict_iter::__next__(var& out)
{
    if (cur == end) return false;
    out = var(cur->first);
    ++cur;
    return true;
}

bool _var_dict_iter::__nextpair__(var& key, var& value)
{
    if (cur == end) return false;
    key = var(cur->first);
    value = cur->second;
    ++cur;
    return true;
}
