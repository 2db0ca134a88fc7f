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
#include <string>

enum {
    VAR_INVALID = -1, // base object and iterators
    VAR_NONE = 0,
    VAR_NUMBER = 1,
    VAR_STRING = 2,
    VAR_LIST = 3,
    VAR_DICT = 4,
};

struct var_object; // the counted object behind a handle (util/zev_var_object.h)

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
    ~var() { if (obj) release(obj); }   // a moved-from or empty handle costs no call

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

private:
    static void release(var_object* o); // one handle less on o; the last one deletes it
};


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

