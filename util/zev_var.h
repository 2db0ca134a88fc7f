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

// Kinds (var::type()).
enum {
    VAR_INVALID = -1, // an iterator, or an object of no kind
    VAR_NONE = 0,     // no value (JSON null; an empty handle)
    VAR_NUMBER = 1,   // a double (JSON numbers, true as 1, false as 0)
    VAR_STRING = 2,   // bytes, any byte value
    VAR_LIST = 3,     // a list of values
    VAR_DICT = 4,     // string keys to values, in bytewise key order
};

struct var_object; // the counted object behind a handle (util/zev_var_object.h, not installed)

// A handle on a reference-counted value of kind none, number, string, list or dict (see RULES).
class var {
public:
    var_object* obj; // the only field: null (none) or a counted object; leave it to the methods

    var() : obj(nullptr) {}    // none
    var(double n);             // a number
    var(int n);                // a number
    var(const char* s);        // a string of the bytes up to the first zero byte; null: empty
    var(const std::string& s); // a string: copies the bytes (any byte, zeros included)
    // A list or dict with initial elements: `count` pointers in `items`. For VAR_DICT they are
    // taken in key, value pairs (an odd last key is ignored with an error line). Any other kind
    // gives none. count 0 (items may be null) gives an empty container.
    var(int kind, int count, const var* const* items);
    var(int kind, std::initializer_list<var> items); // as above, from a braced list of values
    explicit var(var_object* o); // takes a handle on o (may be null): for the framework's insides

    var(const var& v);                                       // shares v's object
    var(var&& v) noexcept : obj(v.obj) { v.obj = nullptr; }  // takes v's object; v becomes none
    var& operator=(const var& v);                            // shares v's object, lets go of its own
    var& operator=(var&& v) noexcept;                        // takes v's object, lets go of its own
    ~var() { if (obj) release(obj); }   // lets go; the last handle frees the object

    // Element access: list index (truncated, negative counts from the end) or dict key text.
    // A dict adds a missing key with a none value. Failure: error line, scratch value.
    var& operator[](const var& key) const;
    var& operator[](const char* key) const;        // as operator[](var(key))
    var& operator[](const std::string& key) const; // as operator[](var(key))
    var& operator[](int index) const;              // as operator[](var(index))

    int type() const; // the kind: VAR_NONE to VAR_DICT, VAR_INVALID for an iterator
    // Sets a list element (index as operator[]; out of range: error line, nothing changes) or a
    // dict key (added when missing).
    void set(const var& key, const var& value) const;
    bool has(const var& key) const; // string: substring; list: some element == key; dict: key
    bool has(const char* key) const;        // as has(var(key))
    bool has(const std::string& key) const; // as has(var(key))
    // Removes a list element (index as operator[]) or a dict key; missing: error line.
    void del(const var& key) const;
    int len() const; // bytes of a string, elements of a list or dict; other kinds: error line, 0
    var slice(int start, int end) const; // string or list; negative bounds count from the end
    var iter() const;                    // a new iterator over a string, list or dict
    bool next(var& out) const;           // on an iterator: element (string: byte as number)
    // On an iterator: the next key and value (dict: key text; list, string: the index); false at
    // the end.
    bool next(var& key, var& value) const;
    // The text: a string's bytes, a number's text (RULES), "" for none, "<list instance at ...>"
    // for a list or dict.
    std::string str() const;
    double num() const; // a number; a string's leading number as atof reads it; else 0
    explicit operator bool() const; // nonzero number, non-empty string, list or dict; none: false
    // Order: numbers by value, strings bytewise (against the other's str()); lists and dicts by
    // kind, then by address.
    bool operator<(const var& other) const;
    // Equal as the left operand's kind sees it: a number to other.num(), a string to other.str(),
    // lists and dicts only to themselves (same object), none only to none.
    bool operator==(const var& other) const;
    bool operator!=(const var& other) const { return !(*this == other); } // !(a == b)
    // Number + other.num(); string + other.str(); list + list (a new list). Other kinds: error, none.
    var operator+(const var& other) const;
    var operator-(const var& other) const; // numbers only: number - other.num()
    var operator*(const var& other) const; // numbers only: number * other.num()
    var operator/(const var& other) const; // numbers only: number / other.num() (IEEE: 1/0 is inf)
    var copy() const; // a new object of the same value; a list's or dict's elements are shared
    void append(const var& v) const; // list only (shares v); other kinds: an UnsupportedError line

    var_object* get() const; // the object, or the shared none object: for the framework's insides

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

