// SPDX-License-Identifier: Zlib
// zev_var_object.h - the value type's insides: the counted objects behind a `var` (one class per
// kind and per iterator, each operation a virtual method named after the scripting language's
// own), the small-block pool they live in, and the helpers of its messages. The framework's own
// files and its tests include it; a program needs only util/zev_var.h, and it is not installed.
//
// A `var` holds one `var_object*`. A new object has count 0; each handle adds and removes 1 and
// the last one deletes it (var::release). Operations a kind does not support fall to the base
// class, which prints the TypeError line and gives none / false / 0.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>
#include "util/zev_var.h"

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

// The scratch value, reset to none each time it is returned.
var& var_scratch();
