// SPDX-License-Identifier: Zlib
// zev_var.h - the dynamic value type: a reference-counted `var` of kind none, number, string,
// list or dict, modelled on the values of a dynamically typed scripting language.
//
// USAGE
//   var d(VAR_DICT, 0, nullptr);          // new empty dict (kind, count, elements)
//   d["name"] = "ball";                   // dict keys are the text (str()) of the key
//   d["size"] = 12.5;
//   var l(VAR_LIST, {var(1), var("x")});  // list with initial elements
//   l.append(d);                          // shares d's object, copies nothing
//   if (d.has("name")) puts(d["name"].str().c_str());
//   float s = (float)d["size"].num();
//   for (var it = d.iter(), k, v; it.next(k, v); ) ...   // dict: ascending key order
//
// RULES
// - A `var` is one pointer. Copying or assigning a handle shares the object (count + 1);
//   `copy()` makes a new object (shallow for lists and dicts).
// - An empty handle (default constructed) behaves exactly like a handle to a none object.
// - Operations a kind does not support print "<file>:<line>: TypeError: '<kind>' object does
//   not support '<op>'" on stderr and give none / false / 0. Nothing throws.
// - A failed element access returns a reference to a process-wide scratch value, reset to none
//   each time it is handed out: writing through it changes nothing else.
// - Comparisons are made from the left operand's kind: number 5 == string "5.0" but not back.
// - Number text: integral values in 32-bit range print as integers ("5"), others as "%f"
//   trimmed of trailing zeros ("2.5", "3000000000.0").
// - Not thread-safe: plain reference counts. A container that holds itself is never freed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

enum {
    VAR_INVALID = -1, // base object and iterators
    VAR_NONE = 0,
    VAR_NUMBER = 1,
    VAR_STRING = 2,
    VAR_LIST = 3,
    VAR_DICT = 4,
};

struct var_object;

// Small-block pool behind every value object, dict node and list array (single-threaded, like
// the values). Blocks up to 256 bytes are recycled per size; bigger ones go to malloc. Memory
// handed to the pool stays with the process. Under AddressSanitizer free blocks are poisoned.
void* var_pool_alloc(size_t n);
void var_pool_free(void* p, size_t n);
size_t var_pool_blocks_in_use(); // small blocks handed out and not yet returned

template <class T> struct var_pool_allocator {
    typedef T value_type;
    var_pool_allocator() noexcept {}
    template <class U> var_pool_allocator(const var_pool_allocator<U>&) noexcept {}
    T* allocate(size_t n) { return static_cast<T*>(var_pool_alloc(n * sizeof(T))); }
    void deallocate(T* p, size_t n) noexcept { var_pool_free(p, n * sizeof(T)); }
    template <class U> bool operator==(const var_pool_allocator<U>&) const noexcept { return true; }
    template <class U> bool operator!=(const var_pool_allocator<U>&) const noexcept { return false; }
};

class var {
public:
    var_object* obj; // the only field: null (none) or a counted object

    var() : obj(nullptr) {}
    var(double n);
    var(int n);
    var(const char* s);        // bytes up to the first zero byte; null gives ""
    var(const std::string& s); // copies the bytes (any byte, zeros included)
    // A list or dict with initial elements: `count` pointers in `items`. For VAR_DICT they are
    // taken in key, value pairs (an odd last key is ignored with an error line). Any other kind
    // gives none. count 0 (items may be null) gives an empty container.
    var(int kind, int count, const var* const* items);
    var(int kind, std::initializer_list<var> items);
    explicit var(var_object* o); // takes a handle on o (may be null)

    var(const var& v);
    var(var&& v) noexcept : obj(v.obj) { v.obj = nullptr; }
    var& operator=(const var& v);
    var& operator=(var&& v) noexcept;
    ~var();

    // Element access: list index (truncated, negative counts from the end) or dict key text.
    // A dict adds a missing key with a none value. Failure: error line, scratch value.
    var& operator[](const var& key) const;
    var& operator[](const char* key) const;
    var& operator[](const std::string& key) const;
    var& operator[](int index) const;

    int type() const;
    void set(const var& key, const var& value) const;
    bool has(const var& key) const; // string: substring; list: some element == key; dict: key
    bool has(const char* key) const;
    bool has(const std::string& key) const;
    void del(const var& key) const;
    int len() const;
    var slice(int start, int end) const; // string or list; negative bounds count from the end
    var iter() const;                    // a new iterator over a string, list or dict
    bool next(var& out) const;           // on an iterator: element (string: byte as number)
    bool next(var& key, var& value) const;
    std::string str() const;
    double num() const;
    explicit operator bool() const;
    bool operator<(const var& other) const;
    bool operator==(const var& other) const;
    bool operator!=(const var& other) const { return !(*this == other); }
    var operator+(const var& other) const;
    var operator-(const var& other) const;
    var operator*(const var& other) const;
    var operator/(const var& other) const;
    var copy() const;
    void append(const var& v) const; // list only; else "UnsupportedError"

    var_object* get() const; // the object, or the shared none object for an empty handle
};

// Base of every kind and iterator. A new object has count 0; handles add and remove 1.
struct var_object {
    int32_t refs = 0;

    static void* operator new(size_t n) { return var_pool_alloc(n); }
    static void operator delete(void* p, size_t n) { var_pool_free(p, n); }
    virtual ~var_object() {}
    virtual int __type__();
    virtual void __setstr__(const std::string& s);
    virtual void __setnum__(double n);
    virtual var_object* __copy__();
    virtual var& __get__(const var& key);
    virtual void __set__(const var& key, const var& value);
    virtual bool __has__(const var& key);
    virtual void __del__(const var& key);
    virtual int __len__();
    virtual var __slice__(int start, int end);
    virtual var_object* __iter__();
    virtual bool __next__(var& out);
    virtual bool __nextpair__(var& key, var& value);
    virtual std::string __str__();
    virtual double __num__();
    virtual bool __bool__();
    virtual bool __lt__(const var& other);
    virtual bool __eq__(const var& other);
    virtual var __add__(const var& other);
    virtual var __mul__(const var& other);
    virtual var __sub__(const var& other);
    virtual var __div__(const var& other);
};

// Inline: freeing a tree drops one handle per element.
inline var::~var()
{
    if (obj && --obj->refs == 0) delete obj;
}

struct _var_none : var_object {
    int __type__() override;
    var_object* __copy__() override;
    std::string __str__() override;
    bool __eq__(const var& other) override;
};

struct _var_number : var_object {
    double value = 0;
    explicit _var_number(double n = 0) : value(n) {}
    int __type__() override;
    void __setnum__(double n) override;
    var_object* __copy__() override;
    std::string __str__() override;
    double __num__() override;
    bool __bool__() override;
    bool __lt__(const var& other) override;
    bool __eq__(const var& other) override;
    var __add__(const var& other) override;
    var __mul__(const var& other) override;
    var __sub__(const var& other) override;
    var __div__(const var& other) override;
};

struct _var_string : var_object {
    std::string value;
    _var_string() {}
    explicit _var_string(const std::string& s) : value(s) {}
    _var_string(const char* s, size_t n) : value(s, n) {}
    int __type__() override;
    void __setstr__(const std::string& s) override;
    var_object* __copy__() override;
    bool __has__(const var& key) override;
    int __len__() override;
    var __slice__(int start, int end) override;
    var_object* __iter__() override;
    std::string __str__() override;
    double __num__() override;
    bool __bool__() override;
    bool __lt__(const var& other) override;
    bool __eq__(const var& other) override;
    var __add__(const var& other) override;
};

struct _var_list : var_object {
    std::vector<var, var_pool_allocator<var>> items;
    ~_var_list() override;
    int __type__() override;
    var_object* __copy__() override;
    var& __get__(const var& key) override;
    void __set__(const var& key, const var& value) override;
    bool __has__(const var& key) override;
    void __del__(const var& key) override;
    int __len__() override;
    var __slice__(int start, int end) override;
    var_object* __iter__() override;
    std::string __str__() override;
    bool __bool__() override;
    bool __lt__(const var& other) override;
    bool __eq__(const var& other) override;
    var __add__(const var& other) override;
};

// Dict key order: bytewise (unsigned), a prefix first, as std::string compares. Keys mostly
// differ within their first bytes, which are compared here without a call.
struct var_key_less {
    bool operator()(const std::string& a, const std::string& b) const noexcept
    {
        size_t n = a.size() < b.size() ? a.size() : b.size();
        const unsigned char* p = (const unsigned char*)a.data();
        const unsigned char* q = (const unsigned char*)b.data();
        size_t i = 0;
        for (size_t head = n < 8 ? n : 8; i < head; i++)
            if (p[i] != q[i]) return p[i] < q[i];
        if (i < n) {
            int r = std::char_traits<char>::compare(a.data() + i, b.data() + i, n - i);
            if (r) return r < 0;
        }
        return a.size() < b.size();
    }
};

typedef std::map<std::string, var, var_key_less, var_pool_allocator<std::pair<const std::string, var>>>
    var_dict_map;

struct _var_dict : var_object {
    var_dict_map items;
    ~_var_dict() override;
    int __type__() override;
    var_object* __copy__() override;
    var& __get__(const var& key) override;
    void __set__(const var& key, const var& value) override;
    bool __has__(const var& key) override;
    void __del__(const var& key) override;
    int __len__() override;
    var_object* __iter__() override;
    std::string __str__() override;
    bool __bool__() override;
    bool __lt__(const var& other) override;
    bool __eq__(const var& other) override;
};

// Iterators hold no reference to their container: keep it alive and unchanged meanwhile.
struct _var_string_iter : var_object {
    int32_t index = 0;
    const char* cur = nullptr;
    const char* end = nullptr;
    bool __next__(var& out) override;
    bool __nextpair__(var& key, var& value) override;
};

struct _var_list_iter : var_object {
    int32_t index = 0;
    const var* cur = nullptr;
    const var* end = nullptr;
    bool __next__(var& out) override;
    bool __nextpair__(var& key, var& value) override;
};

struct _var_dict_iter : var_object {
    var_dict_map::const_iterator cur, end;
    bool __next__(var& out) override;
    bool __nextpair__(var& key, var& value) override;
};

// Print "<file>:<line>: <msg>" on stderr, the value type's one error line format.
void var_report(const char* file, int line, const char* msg);
#define VAR_REPORT(msg) var_report(__FILE__, __LINE__, (msg))

// Kind name for error texts: "none", "number", "string", "list", "dict", else "invalid".
const char* var_kind_name(int kind);

// Number text: "%ld" when the value is an exact 32-bit integer, else "%f" trimmed.
std::string var_number_text(double n);

// num() with a verdict, for readers of outside data such as the asset catalogue: *out (when
// given) gets v.num(), and the result says whether that is the number the value holds: true for
// a finite number, or a string whose whole text, spaces around it aside, is one finite number as
// num() converts it ("256", " 2.5", "1e3", "0x10"). False where num() falls back: none, a list
// or a dict (0), any other text (the number it starts with, else 0), infinities and NaN.
bool var_num_exact(const var& v, double* out);

// str() with a verdict, as var_num_exact: true for a string, or a number (its text, "5"); false
// where str() gives no text of the value: none (""), a list or a dict ("<list instance at ...>").
bool var_str_exact(const var& v, std::string* out);

// A value as messages about outside data name it: `null`, `-3`, `the text "big"` (at most 40
// bytes of it), `a list`, `an object`.
std::string var_described(const var& v);

// The scratch value, reset to none each time it is returned.
var& var_scratch();
