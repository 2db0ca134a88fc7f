// SPDX-License-Identifier: Zlib
// Value type: number text, comparisons, containers, iteration, reference counting, error lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>

#include "util/log.h"
#include "util/zev_var_object.h"

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

static var L(std::initializer_list<var> items) { return var(VAR_LIST, items); }

// Counts its own destruction, to watch reference counting.
struct counted : var_object {
    int* deaths;
    explicit counted(int* d) : deaths(d) {}
    ~counted() override { ++*deaths; }
};

TEST(Var, EmptyAndNoneBehaveAlike)
{
    var empty, none = var().copy(); // copy of none is a new none object
    ASSERT_NE(none.obj, nullptr);
    for (const var& v : {empty, none}) {
        EXPECT_EQ(v.type(), VAR_NONE);
        EXPECT_EQ(v.str(), "");
        EXPECT_EQ(v.num(), 0);
        EXPECT_FALSE(bool(v));
        CaptureStderr();
        EXPECT_FALSE(v.has("x"));
        std::string err = GetCapturedStderr();
        // The whole line, its file named from the project's top (-fmacro-prefix-map): no build folder.
        const std::string file = "util/zev_var.cpp:", what = ": TypeError: 'none' object does not support '__has__'\n";
        ASSERT_GT(err.size(), file.size() + what.size()) << err;
        EXPECT_EQ(err.substr(0, file.size()), file) << err;
        std::string line = err.substr(file.size(), err.size() - file.size() - what.size());
        EXPECT_EQ(line.find_first_not_of("0123456789"), std::string::npos) << err;
        EXPECT_EQ(err.substr(err.size() - what.size()), what) << err;
    }
}

TEST(Var, FailedAccessGivesFreshScratch)
{
    var n(5);
    CaptureStderr();
    var& s = n[0];
    EXPECT_NE(GetCapturedStderr().find("TypeError: 'number' object does not support '__get__'"), std::string::npos);
    EXPECT_EQ(s.type(), VAR_NONE);
    s = var("written");
    EXPECT_EQ(n.num(), 5);
    CaptureStderr();
    var& again = var()["x"];
    EXPECT_NE(GetCapturedStderr().find("'none' object does not support '__get__'"), std::string::npos);
    EXPECT_EQ(again.type(), VAR_NONE); // reset before it is handed out again
}

TEST(Var, NumberText)
{
    EXPECT_EQ(var(2).str(), "2");
    EXPECT_EQ(var(-3).str(), "-3");
    EXPECT_EQ(var(-0.0).str(), "0");
    EXPECT_EQ(var(2.25).str(), "2.25");
    EXPECT_EQ(var(2.5).str(), "2.5");
    EXPECT_EQ(var(0.1).str(), "0.1");
    EXPECT_EQ(var(1e-7).str(), "0.0");
    EXPECT_EQ(var(-1e-7).str(), "-0.0");
    EXPECT_EQ(var(-0.25).str(), "-0.25");
    EXPECT_EQ(var(3000000000.0).str(), "3000000000.0");
    EXPECT_EQ(var(-2147483648.0).str(), "-2147483648");
    EXPECT_EQ(var(2147483648.0).str(), "2147483648.0");
    // Beyond a 64-byte buffer: the whole integral part, no truncation.
    std::string big = var(1e300).str();
    EXPECT_EQ(big.size(), 303u);
    EXPECT_EQ(big.substr(0, 2), "10");
    EXPECT_EQ(big.substr(big.size() - 2), ".0");
    EXPECT_EQ(var(-1.7976931348623157e308).str().size(), 312u);
    EXPECT_EQ(var(INFINITY).str(), "inf");
    EXPECT_EQ(var(NAN).str().find("nan") != std::string::npos, true);
}

TEST(Var, StringNumbersAndTruth)
{
    EXPECT_EQ(var("12abc").num(), 12);
    EXPECT_EQ(var("abc").num(), 0);
    EXPECT_TRUE(bool(var(NAN)));
    EXPECT_FALSE(bool(var(0)));
    EXPECT_FALSE(bool(var("")));
    EXPECT_TRUE(bool(var(std::string("\0", 1))));
    std::string bytes("a\0b", 3);
    EXPECT_EQ(var(bytes).len(), 3);
    EXPECT_EQ(var("a\0b").len(), 1);
    EXPECT_EQ(var((const char*)nullptr).len(), 0);
}

TEST(Var, ComparisonsAreFromTheLeft)
{
    EXPECT_TRUE(var(5) == var("5"));
    EXPECT_TRUE(var("5") == var(5));
    EXPECT_TRUE(var(5) == var("5.0"));
    EXPECT_FALSE(var("5.0") == var(5));
    EXPECT_TRUE(var(0) == var());
    EXPECT_FALSE(var() == var(0));
    EXPECT_TRUE(var() == var());
    EXPECT_FALSE(var(5) != var("5"));   // != is the left operand's == negated
    EXPECT_TRUE(var("5.0") != var(5));
    EXPECT_TRUE(var() != var(0));
    EXPECT_TRUE(var(1) < var("2"));
    EXPECT_TRUE(var("10") < var(9)); // bytewise: "10" < "9"
    EXPECT_TRUE(var("ab") < var("abc"));
    EXPECT_TRUE(var("z") < var(std::string("\xff")));
    EXPECT_FALSE(var() < var(1));
}

TEST(Var, Arithmetic)
{
    EXPECT_EQ((var("a") + var(1.5)).str(), "a1.5");
    var three = var(1) + var("2");
    EXPECT_EQ(three.type(), VAR_NUMBER);
    EXPECT_EQ(three.num(), 3);
    EXPECT_EQ((var(7) - var(2)).num(), 5);
    EXPECT_EQ((var(3) * var("4")).num(), 12);
    EXPECT_TRUE(std::isinf((var(1) / var(0)).num()));
    CaptureStderr();
    var bad = var("a") * var(2);
    EXPECT_NE(GetCapturedStderr().find("TypeError: 'string' object does not support '__mul__'"), std::string::npos);
    EXPECT_EQ(bad.type(), VAR_NONE);
    CaptureStderr();
    EXPECT_EQ((var() + var(1)).type(), VAR_NONE);
    EXPECT_NE(GetCapturedStderr().find("'none' object does not support '__add__'"), std::string::npos);
}

TEST(Var, StringSliceHasIterate)
{
    var h("hello");
    EXPECT_EQ(h.slice(1, -1).str(), "ell");
    EXPECT_EQ(h.slice(-3, 100).str(), "llo");
    EXPECT_EQ(h.slice(-100, 2).str(), "he");
    // Crossed bounds and starts past the end give the empty string.
    EXPECT_EQ(h.slice(3, 1).str(), "");
    EXPECT_EQ(h.slice(10, 20).str(), "");
    EXPECT_EQ(h.slice(-1, -2).str(), "");
    EXPECT_TRUE(h.has("ell"));
    EXPECT_FALSE(h.has("elo"));
    EXPECT_EQ(var("abc").len(), 3);

    var bytes(std::string("A\xff", 2)); // iterators hold no reference: keep it alive
    var it = bytes.iter(), k, v;
    EXPECT_EQ(it.type(), VAR_INVALID);
    ASSERT_TRUE(it.next(k, v));
    EXPECT_EQ(k.num(), 0);
    EXPECT_EQ(v.num(), 65);
    ASSERT_TRUE(it.next(k, v));
    EXPECT_EQ(k.num(), 1);
    EXPECT_EQ(v.num(), -1);
    EXPECT_FALSE(it.next(k, v));
    EXPECT_EQ(v.num(), -1); // untouched at the end

    var s("xy"), it2 = s.iter(), c;
    EXPECT_TRUE(it2.next(c));
    EXPECT_EQ(c.num(), 'x');
    EXPECT_TRUE(it2.next(c));
    EXPECT_FALSE(it2.next(c));
    EXPECT_EQ(c.num(), 'y');
    EXPECT_FALSE(var(1).iter().next(c)); // base iterator: nothing
}

TEST(Var, AssignmentAndReferenceCounting)
{
    int deaths = 0;
    {
        var a(new counted(&deaths));
        EXPECT_EQ(a.obj->refs, 1);
        {
            var b = a;
            EXPECT_EQ(a.obj, b.obj);
            EXPECT_EQ(a.obj->refs, 2);
            var &same = b;
            b = same; // self: no change
            EXPECT_EQ(a.obj->refs, 2);
        }
        EXPECT_EQ(deaths, 0);
        EXPECT_EQ(a.obj->refs, 1);
        var l = L({a, a});
        a = var("5"); // replaces the handle's object, the list still holds it
        EXPECT_EQ(a.type(), VAR_STRING);
        EXPECT_EQ(deaths, 0);
        l.del(0);
        EXPECT_EQ(deaths, 0);
        l.set(0, var(1));
        EXPECT_EQ(deaths, 1); // the last handle let go
    }
    EXPECT_EQ(deaths, 1);
    var n(5);
    n = var("5");
    EXPECT_EQ(n.type(), VAR_STRING);
    // The list holds the only handle on its element, and the new value is read from inside it.
    var l = L({L({var(7)})}), m = L({L({var(8)})});
    l = l[0];
    m = std::move(m[0]);
    ASSERT_EQ(l.type(), VAR_LIST);
    ASSERT_EQ(m.type(), VAR_LIST);
    EXPECT_EQ(l.obj->refs, 1);
    EXPECT_EQ(m.obj->refs, 1);
    EXPECT_EQ(l[0].num(), 7);
    EXPECT_EQ(m[0].num(), 8);
    // A handle on the shared none object of an empty handle never frees it.
    { var x(var().get()); }
    EXPECT_EQ(var().type(), VAR_NONE);
}

TEST(VarList, IndexRules)
{
    var l = L({var(10), var(20), var(30)});
    EXPECT_EQ(l[-1].num(), 30);
    EXPECT_EQ(l[-3].num(), 10);
    EXPECT_EQ(l[var(1.9)].num(), 20);
    EXPECT_EQ(l[var(-0.5)].num(), 10);
    EXPECT_EQ(l[var("2")].num(), 30);
    EXPECT_EQ(l[var()].num(), 10);
    for (var key : {var(3), var(-4), var(1e12), var(NAN)}) {
        CaptureStderr();
        EXPECT_EQ(l[key].type(), VAR_NONE);
        EXPECT_NE(GetCapturedStderr().find(": IndexError: list index out of range\n"), std::string::npos);
    }
    CaptureStderr();
    l.set(5, var(1));
    l.del(5);
    std::string err = GetCapturedStderr();
    const std::string line = ": IndexError: list assignment index out of range\n";
    size_t first = err.find(line);
    ASSERT_NE(first, std::string::npos) << err;
    EXPECT_NE(err.find(line, first + 1), std::string::npos) << err; // __set__ and __del__
    EXPECT_EQ(l.len(), 3);
    l[1] = var("x"); // writes through the reference
    EXPECT_EQ(l[1].str(), "x");
    l.del(-1);
    EXPECT_EQ(l.len(), 2);
    EXPECT_EQ(l[1].str(), "x");
}

TEST(VarList, HasEqualsConcatSliceCopy)
{
    EXPECT_TRUE(L({var("5")}).has(var(5)));
    EXPECT_TRUE(L({var(5)}).has(var("5.0")));
    EXPECT_FALSE(L({var("5.0")}).has(var(5)));
    EXPECT_TRUE(L({var()}).has(var()));

    var a = L({var(1), var(2)}), b = L({var(1), var(2)});
    EXPECT_FALSE(a == b);
    var a2 = a;
    EXPECT_TRUE(a == a2);
    EXPECT_FALSE(var(VAR_DICT, 0, nullptr) == a);
    EXPECT_TRUE(a < var(VAR_DICT, 0, nullptr));

    var c = a + L({var(3)});
    EXPECT_EQ(c.len(), 3);
    EXPECT_EQ(c[2].num(), 3);
    EXPECT_EQ(a.len(), 2);
    var twice = a + a;
    EXPECT_EQ(twice.len(), 4);
    EXPECT_EQ(twice[3].num(), 2);
    CaptureStderr();
    EXPECT_EQ((a + var(5)).type(), VAR_NONE);
    EXPECT_NE(GetCapturedStderr().find("TypeError: can only concatenate list to list"), std::string::npos);

    var d(VAR_DICT, 0, nullptr);
    var five = L({var(0), d, var(2), var(3), var(4)});
    var mid = five.slice(1, -1);
    ASSERT_EQ(mid.len(), 3);
    mid[0]["k"] = var(1);
    EXPECT_TRUE(five[1].has("k"));
    EXPECT_EQ(five.slice(4, 1).len(), 0); // crossed
    EXPECT_EQ(five.slice(9, 12).len(), 0);
    EXPECT_EQ(five.slice(-2, 100).len(), 2);

    var cp = a.copy();
    cp.append(var(9));
    EXPECT_EQ(a.len(), 2);
    EXPECT_EQ(cp.len(), 3);
    EXPECT_EQ(cp[0].obj, a[0].obj); // shallow

    std::string s = a.str();
    char expect[64];
    snprintf(expect, sizeof expect, "<list instance at %p>", (void*)a.obj);
    EXPECT_EQ(s, expect);
    CaptureStderr();
    a * var(2);
    EXPECT_NE(GetCapturedStderr().find("'list' object does not support '__mul__'"), std::string::npos);
}

TEST(VarList, IterationStoresShareElements)
{
    var inner = L({});
    var l = L({var("a"), inner}), it = l.iter(), k, v;
    ASSERT_TRUE(it.next(k, v));
    EXPECT_EQ(k.num(), 0);
    EXPECT_EQ(v.str(), "a");
    ASSERT_TRUE(it.next(k, v));
    EXPECT_EQ(k.num(), 1);
    EXPECT_EQ(v.obj, inner.obj);
    EXPECT_FALSE(it.next(k, v));
    int n = 0;
    for (var i = l.iter(), e; i.next(e);) n++;
    EXPECT_EQ(n, 2);
}

TEST(VarDict, KeysOrderAndAccess)
{
    var d(VAR_DICT, 0, nullptr);
    EXPECT_EQ(d["missing"].type(), VAR_NONE);
    EXPECT_TRUE(d.has("missing"));
    EXPECT_EQ(d.len(), 1);

    d[1] = var("one");
    EXPECT_EQ(d["1"].str(), "one");
    d[var(2.5)] = var(1);
    EXPECT_TRUE(d.has("2.5"));
    d.set(var("b"), var(1));
    d.set(var("B"), var(2));
    d.set(var("a"), var(3));
    d.set(var(std::string("\xc3", 1)), var(4));

    std::string order;
    for (var it = d.iter(), k; it.next(k);) {
        EXPECT_EQ(k.type(), VAR_STRING);
        order += k.str() + ",";
    }
    EXPECT_EQ(order, "1,2.5,B,a,b,missing,\xc3,");

    var it = d.iter(), k, v;
    ASSERT_TRUE(it.next(k, v));
    EXPECT_EQ(k.str(), "1");
    EXPECT_EQ(v.str(), "one");

    CaptureStderr();
    d.del("nope");
    EXPECT_NE(GetCapturedStderr().find(": dict::__del__:KeyError\n"), std::string::npos);
    EXPECT_EQ(d.len(), 7);
    d.del("b");
    EXPECT_FALSE(d.has("b"));

    CaptureStderr();
    d.append(var(1));
    var().append(var(1));
    var(3).append(var(1));
    std::string err = GetCapturedStderr();
    EXPECT_EQ(err.find(": UnsupportedError\n") != std::string::npos, true);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 3);

    var cp = d.copy();
    cp["new"] = var(1);
    EXPECT_FALSE(d.has("new"));
    EXPECT_EQ(cp["a"].obj, d["a"].obj);
    CaptureStderr();
    d.slice(0, 1);
    EXPECT_NE(GetCapturedStderr().find("'dict' object does not support '__slice__'"), std::string::npos);
}

TEST(VarDict, ConstructionWithInitialElements)
{
    var k1("x"), v1(1), k2(2), v2("two"), k3("x"), v3(3);
    const var* pairs[] = {&k1, &v1, &k2, &v2, &k3, &v3};
    var d(VAR_DICT, 6, pairs);
    EXPECT_EQ(d.len(), 2);
    EXPECT_EQ(d["x"].num(), 3); // later pairs overwrite
    EXPECT_EQ(d["2"].str(), "two");

    // Odd count: the unpaired last key is ignored, with an error line.
    CaptureStderr();
    var odd(VAR_DICT, 5, pairs);
    EXPECT_NE(GetCapturedStderr().find("ValueError"), std::string::npos);
    EXPECT_EQ(odd.len(), 2);
    EXPECT_EQ(odd["x"].num(), 1);

    var l(VAR_LIST, 3, pairs);
    EXPECT_EQ(l.len(), 3);
    EXPECT_EQ(l[1].obj, v1.obj);
    EXPECT_EQ(var(VAR_LIST, 0, nullptr).len(), 0);
    EXPECT_EQ(var(VAR_NUMBER, 2, pairs).type(), VAR_NONE);
    EXPECT_EQ(var(VAR_LIST, -3, pairs).len(), 0);
}

TEST(VarDict, FreedWithLastHandle)
{
    int deaths = 0;
    {
        var d(VAR_DICT, 0, nullptr);
        d["a"] = var(new counted(&deaths));
        d["b"] = d["a"];
        var l = L({d});
        d = var();
        EXPECT_EQ(deaths, 0);
        l[0].del("a");
        EXPECT_EQ(deaths, 0);
        l.del(0);
        EXPECT_EQ(deaths, 1);
    }
}

// The pool: a block returns to the next request of its size class; when the last one is back,
// the chunk is carved again from its start, so what comes next is laid out in address order.
TEST(VarPool, RecycleAndReset)
{
    ASSERT_EQ(var_pool_blocks_in_use(), 0u);
    // Sizes go up to the next multiple of 8.
    char* a = (char*)var_pool_alloc(20);
    char* b = (char*)var_pool_alloc(17);
    char* c = (char*)var_pool_alloc(32);
    void* big = var_pool_alloc(300); // beyond the pool: malloc, not counted
    EXPECT_EQ(b, a + 24);
    EXPECT_EQ(c, b + 24);
    EXPECT_EQ(var_pool_blocks_in_use(), 3u);
    var_pool_free(b, 17);
    var_pool_free(a, 20);
    char* d = (char*)var_pool_alloc(16);
    EXPECT_NE(d, a);
    EXPECT_NE(d, b);
    EXPECT_EQ(var_pool_alloc(23), a); // the last one back goes out first
    EXPECT_EQ(var_pool_alloc(24), b);
    var_pool_free(big, 300);
    var_pool_free(c, 32);
    for (char* p : {b, d, a}) var_pool_free(p, p == d ? 16 : 24); // any order: the reset ignores it
    EXPECT_EQ(var_pool_blocks_in_use(), 0u);
    for (char* p : {a, b, c}) EXPECT_EQ(var_pool_alloc(20), p);
    for (char* p : {a, b, c}) var_pool_free(p, 20);

    // A tree gives every block back, and the same tree built again takes the same places.
    var_object *list = nullptr, *inner = nullptr, *dict = nullptr;
    for (int round = 0; round < 2; round++) {
        var tree(VAR_DICT, 0, nullptr);
        tree["k"] = L({var("text"), L({})});
        if (round == 1) {
            EXPECT_EQ(tree.obj, dict);
            EXPECT_EQ(tree["k"].obj, list);
            EXPECT_EQ(tree["k"][1].obj, inner);
        }
        dict = tree.obj, list = tree["k"].obj, inner = tree["k"][1].obj;
        EXPECT_GT(var_pool_blocks_in_use(), 5u);
    }
    EXPECT_EQ(var_pool_blocks_in_use(), 0u);
}

#if defined(__SANITIZE_ADDRESS__)
#define TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TEST_ASAN 1
#endif
#endif
#ifdef TEST_ASAN
// Under AddressSanitizer a pooled block is only addressable while it is handed out, and only as
// far as asked for; what the pool holds neither hides a leaked value nor shows up as a leak.
TEST(VarPoolDeathTest, SanitizerSeesPooledBlocks)
{
    var keep(1); // one block stays out: nothing is carved again meanwhile
    volatile char* p = (char*)var_pool_alloc(20);
    p[19] = 1;
    EXPECT_DEATH(p[20] = 1, "use-after-poison");
    var_pool_free((void*)p, 20);
    EXPECT_DEATH(p[0] = 1, "use-after-poison");
    EXPECT_DEATH(
        {
            var l = L({var(5)});
            var_object* o = l[0].obj;
            l = var();
            (void)*(volatile int32_t*)&o->refs;
        },
        "use-after-poison");
    // Blocks the pool keeps, and values still held at exit, are no leak.
    EXPECT_EXIT(
        {
            [] { L({}).append(L({var(1)})); }();
            var held = L({var("held at exit")});
            exit(0);
        },
        testing::ExitedWithCode(0), "");
}

// A value nobody can reach is reported although its blocks sit in a pool chunk. Stale pointers
// on the stack could keep a whole chunk alive, so the child (a fresh run of this program) looks
// for leaks from the globals and the heap only.
TEST(VarPoolDeathTest, LeakedValueIsReported)
{
    const char* asan = getenv("ASAN_OPTIONS");
    if (asan && strstr(asan, "detect_leaks=0")) GTEST_SKIP() << "leak checking is off";
    const char* lsan = getenv("LSAN_OPTIONS");
    std::string options = std::string(lsan ? lsan : "") + ":use_stacks=0:use_registers=0";
    setenv("LSAN_OPTIONS", options.c_str(), 1);
    std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            [] { var l = L({}); l.append(l); }(); // holds itself: never freed
            exit(0);
        },
        [](int status) { return WIFEXITED(status) && WEXITSTATUS(status) != 0; }, "allocated from:\n[^\n]*malloc[^\n]*\n[^\n]*var_pool_alloc");
    GTEST_FLAG_SET(death_test_style, style);
    if (lsan) setenv("LSAN_OPTIONS", lsan, 1);
    else unsetenv("LSAN_OPTIONS");
}
#endif

// The call decides over the environment, both ways, and a quiet program's information is dropped
// while what it writes itself still goes out.
TEST(Log, SetQuietSwitchesInformationOffAndOn) {
    FILE *f = tmpfile();
    if (!f) GTEST_SKIP() << "no temporary file";
    const bool before = glitz_quiet();
    glitz_set_quiet(true);
    EXPECT_TRUE(glitz_quiet());
    glitz_info_to(f, "hidden %d\n", 1);
    fputs("own\n", f);
    glitz_set_quiet(false);
    EXPECT_FALSE(glitz_quiet());
    glitz_info_to(f, "shown %d\n", 2);
    glitz_set_quiet(before);
    rewind(f);
    char text[64] = {};
    size_t n = fread(text, 1, sizeof text - 1, f);
    fclose(f);
    EXPECT_EQ("own\nshown 2\n", std::string(text, n));
}
