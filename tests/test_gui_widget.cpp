// SPDX-License-Identifier: Zlib
// Containers: routing of presses, moves, releases and clicks; focus, hover, TAB; find; remove.
#include "test_gui_support.h"
#include "sound/sound_layer.h"
#include "tests/test_sound_files.h"

// Records every event that reaches it (through on_event), with the position it saw.
struct Probe : Widget {
    std::vector<int32_t> seen;
    std::vector<Event> events;
    Probe(int32_t x_, int32_t y_, int32_t w_, int32_t h_) {
        x = x_; y = y_;
        style_base.width = w_;
        style_base.height = h_;
    }
    int32_t on_event(Event *e) override {
        seen.push_back(e->type);
        events.push_back(*e);
        return Widget::on_event(e);
    }
    bool got(int32_t type) const { return std::find(seen.begin(), seen.end(), type) != seen.end(); }
    long count(int32_t type) const { return std::count(seen.begin(), seen.end(), type); }
    void forget() { seen.clear(); events.clear(); }
};

static int32_t send(Container &root, Event e) { return root.on_event(&e); }

struct Routing : ::testing::Test {
    Container root;
    Probe *a = nullptr, *b = nullptr;
    void SetUp() override {
        a = root.add(new Probe(0, 0, 50, 50));
        b = root.add(new Probe(40, 0, 50, 50));   // overlaps a at x 40..49
        a->on_click = 11; a->on_press = 12;
        b->on_click = 21; b->on_press = 22;
        root.measure_content();
    }
};

TEST_F(Routing, PressOnOverlapFocusesTheLaterChildAndEmptySpaceBlurs) {
    // Hit tests read both coordinates: below the children, with x over b, is empty space.
    send(root, mouse(EV_MOUSEMOVE, 80, 60));
    EXPECT_EQ(nullptr, root.hover_child);
    EXPECT_EQ(0, send(root, mouse(EV_MOUSEDOWN, 80, 60)));
    EXPECT_EQ(nullptr, root.focus_child);
    EXPECT_EQ(22, send(root, mouse(EV_MOUSEDOWN, 45, 10)));
    EXPECT_EQ(b, root.focus_child);
    EXPECT_EQ(b, root.hover_child);
    EXPECT_EQ(WIDGET_FOCUS_HOVER, b->state);
    ASSERT_GE(b->events.size(), 3u);   // focus made by a press carries key 8, then hover, then the press
    EXPECT_EQ(EV_FOCUS, b->events[0].type);
    EXPECT_EQ(8, b->events[0].key);
    EXPECT_EQ(EV_HOVER, b->events[1].type);
    EXPECT_EQ(EV_MOUSEDOWN, b->events[2].type);
    EXPECT_EQ(5.0f, b->events[2].pos[0]);   // relative to b
    EXPECT_TRUE(a->seen.empty());

    EXPECT_EQ(0, send(root, mouse(EV_MOUSEDOWN, 200, 10)));
    EXPECT_EQ(nullptr, root.focus_child);
    EXPECT_EQ(nullptr, root.hover_child);
    EXPECT_TRUE(b->got(EV_BLUR));
    EXPECT_TRUE(b->got(EV_UNHOVER));
    EXPECT_EQ(WIDGET_NORMAL, b->state);

    b->hidden = 1;   // hidden children are passed over by hit tests
    EXPECT_EQ(12, send(root, mouse(EV_MOUSEDOWN, 45, 10)));
    EXPECT_EQ(a, root.focus_child);
}

TEST_F(Routing, ReleaseMakesAClickOnlyOverTheFocusedChild) {
    send(root, mouse(EV_MOUSEDOWN, 10, 10));
    send(root, mouse(EV_MOUSEMOVE, 80, 10));   // now over b
    EXPECT_EQ(b, root.hover_child);
    EXPECT_EQ(a, root.focus_child);
    EXPECT_TRUE(b->got(EV_MOUSEMOVE));   // motion goes to the child under the pointer ...
    EXPECT_TRUE(a->got(EV_MOUSEMOVE));   // ... and to the focused one
    EXPECT_EQ(0, send(root, mouse(EV_MOUSEUP, 80, 10)));
    EXPECT_FALSE(a->got(EV_CLICK));
    EXPECT_FALSE(b->got(EV_CLICK));
    EXPECT_TRUE(a->got(EV_MOUSEUP));

    a->forget();
    send(root, mouse(EV_MOUSEDOWN, 10, 10));
    EXPECT_EQ(11, send(root, mouse(EV_MOUSEUP, 12, 10)));
    ASSERT_GE(a->seen.size(), 2u);
    EXPECT_EQ(EV_MOUSEUP, a->seen[a->seen.size() - 2]);
    EXPECT_EQ(EV_CLICK, a->seen.back());
    EXPECT_EQ(12.0f, a->events.back().pos[0]);
}

TEST_F(Routing, KeysGoToTheFocusedChildOnly) {
    send(root, mouse(EV_MOUSEDOWN, 10, 10));
    send(root, mouse(EV_MOUSEMOVE, 80, 10));
    b->forget();
    send(root, key(KEY_A, 0, 'a'));
    EXPECT_TRUE(a->got(EV_KEYDOWN));
    EXPECT_FALSE(b->got(EV_KEYDOWN));
}

TEST(GuiRouting, NestedContainersPassLocalCoordinatesAndFocusTheWholePath) {
    Container root;
    Container *outer = root.add(new Container);
    outer->x = 100; outer->y = 100;
    outer->style_base.set_padding(5);           // content starts 5 further in
    Probe *p = outer->add(new Probe(10, 10, 20, 20));
    Probe *q = outer->add(new Probe(40, 10, 20, 20));
    p->on_press = 3;
    root.measure_content();
    EXPECT_EQ(3, send(root, mouse(EV_MOUSEDOWN, 118, 117)));
    ASSERT_FALSE(p->events.empty());
    EXPECT_EQ(EV_MOUSEDOWN, p->events.back().type);
    EXPECT_EQ(3.0f, p->events.back().pos[0]);   // 118 - 100 - 5 - 10
    EXPECT_EQ(2.0f, p->events.back().pos[1]);
    EXPECT_EQ(outer, root.focus_child);
    EXPECT_EQ(p, outer->focus_child);
    EXPECT_TRUE(outer->focused);
    EXPECT_TRUE(p->focused);

    // Press on q: the focus moves inside the same container.
    send(root, mouse(EV_MOUSEDOWN, 150, 120));
    EXPECT_EQ(q, outer->focus_child);
    EXPECT_FALSE(p->focused);
    EXPECT_TRUE(q->focused);

    // Leaving the container unhovers down its chain; a press outside blurs down its chain.
    send(root, mouse(EV_MOUSEMOVE, 500, 500));
    EXPECT_EQ(nullptr, outer->hover_child);
    EXPECT_FALSE(q->hovered);
    send(root, mouse(EV_MOUSEDOWN, 500, 500));
    EXPECT_EQ(nullptr, root.focus_child);
    EXPECT_EQ(nullptr, outer->focus_child);
    EXPECT_FALSE(q->focused);
}

TEST(GuiRouting, FocusAndTabMoveTheWholePath) {
    Container root;
    Container *left = root.add(new Container);
    Container *right = root.add(new Container);
    Probe *a = left->add(new Probe(0, 0, 10, 10));
    Probe *b = right->add(new Probe(0, 0, 10, 10));
    a->focus();
    EXPECT_EQ(left, root.focus_child);
    EXPECT_EQ(a, left->focus_child);
    EXPECT_TRUE(a->focused && left->focused && root.focused);
    EXPECT_EQ(0, a->events.back().key);   // not made by a press

    a->next = b;
    send(root, key(KEY_TAB));
    EXPECT_EQ(right, root.focus_child);
    EXPECT_EQ(b, right->focus_child);
    EXPECT_EQ(nullptr, left->focus_child);
    EXPECT_FALSE(a->focused);
    EXPECT_FALSE(left->focused);
    EXPECT_TRUE(b->focused && right->focused && root.focused);

    // TAB without next: the focus stays.
    send(root, key(KEY_TAB));
    EXPECT_TRUE(b->focused);
}

// Motion and wheel go to the child under the pointer and to the focused child: once to each, and
// once in all to a child that is both.
TEST(GuiRouting, MotionAndWheelReachTheHoveredAndTheFocusedChildOnceEach) {
    Container root;
    Probe *a = root.add(new Probe(0, 0, 10, 10));
    Probe *b = root.add(new Probe(20, 0, 10, 10));
    root.measure_content();
    a->focus();
    for (Probe *over : {b, a}) {
        send(root, mouse(EV_MOUSEMOVE, (float)over->x + 5, 5));
        a->forget();
        b->forget();
        send(root, mouse(EV_MOUSEMOVE, (float)over->x + 6, 5));
        Event wheel = mouse(EV_WHEEL, (float)over->x + 6, 5);
        wheel.rel[1] = 1;
        send(root, wheel);
        for (Probe *p : {a, b}) {
            long once = p == a || p == over ? 1 : 0;
            EXPECT_EQ(once, p->count(EV_MOUSEMOVE)) << (p == a ? "a" : "b") << ", pointer over " << (over == a ? "a" : "b");
            EXPECT_EQ(once, p->count(EV_WHEEL)) << (p == a ? "a" : "b") << ", pointer over " << (over == a ? "a" : "b");
        }
    }
}

// A press, a release and the click it makes each play the child's own sample, at full volume in the
// centre (the layer plays a sample as a centre and a left voice: both at 0.5).
TEST_F(Routing, PressReleaseAndClickPlayTheirSoundsAtFullVolumeCentred) {
    TempCatalogue files("{}");
    struct LayerOff { ~LayerOff() { sound_quit(); } } layer_off;
    sound_init_with(SoundEngine::create(false));
    ASSERT_TRUE(sound_layer && sound_layer->engine);
    const char *names[3] = {"press.wav", "release.wav", "click.wav"};
    int32_t h[3];
    for (int i = 0; i < 3; i++) {
        std::vector<uint8_t> wav = make_wav(22050, 1, 16, 440.0, 0.1, 0.5);
        files.write(names[i], std::string(wav.begin(), wav.end()));
        h[i] = driver_sound_load((std::string("data/") + names[i]).c_str());
        ASSERT_NE(0, h[i]);
    }
    a->style_base.press_sound = h[0];
    a->style_base.release_sound = h[1];
    a->style_base.click_sound = h[2];
    root.measure_content();
    SoundEngine *e = sound_layer->engine;
    auto played = [&]() {   // "p", "r", "c" for each sample started since the last call
        std::string out;
        for (int i = 0; i < 3; i++) {
            SoundVoicePair &v = sound_layer->voices[h[i]];
            if (!v.a) continue;
            out += "prc"[i];
            EXPECT_FLOAT_EQ(0.5f, e->volume(v.a)) << names[i];
            EXPECT_FLOAT_EQ(0.0f, e->pan(v.a)) << names[i];
            EXPECT_FLOAT_EQ(0.5f, e->volume(v.b)) << names[i];
            EXPECT_FLOAT_EQ(-1.0f, e->pan(v.b)) << names[i];
            v = SoundVoicePair{0, 0};
        }
        return out;
    };
    send(root, mouse(EV_MOUSEDOWN, 10, 10));
    EXPECT_EQ("p", played());
    send(root, mouse(EV_MOUSEMOVE, 12, 10));
    EXPECT_EQ("", played());
    send(root, mouse(EV_MOUSEUP, 12, 10));
    EXPECT_EQ("rc", played());
    send(root, mouse(EV_MOUSEDOWN, 10, 10));
    send(root, mouse(EV_MOUSEMOVE, 80, 10));
    send(root, mouse(EV_MOUSEUP, 80, 10));   // released over b: no click
    EXPECT_EQ("pr", played());
}

TEST(GuiFind, ChildrenDepthFirstBeforeTheContainer) {
    Container root;
    root.name = "x";
    Container *c1 = root.add(new Container);
    Widget *deep = c1->add(new Widget);
    deep->name = "x";
    Widget *later = root.add(new Widget);
    later->name = "x";
    Widget *other = root.add(new Widget);
    other->name = "y";
    EXPECT_EQ(deep, root.find("x"));
    EXPECT_EQ(other, root.find("y"));
    EXPECT_EQ(nullptr, root.find("z"));
    EXPECT_EQ(nullptr, root.find(nullptr));
    deep->name.clear();
    EXPECT_EQ(later, root.find("x"));
    EXPECT_EQ(deep, root.find(""));   // an empty name matches unnamed widgets, depth first
}

TEST(GuiContainer, RemoveClearsTrackingAndIgnoresStrangers) {
    Container root;
    Probe *a = root.add(new Probe(0, 0, 10, 10));
    root.add(new Probe(20, 0, 10, 10));
    root.measure_content();
    send(root, mouse(EV_MOUSEDOWN, 5, 5));
    Widget stranger;
    root.remove(&stranger);
    EXPECT_EQ(2u, root.children.size());
    root.remove(a);
    EXPECT_EQ(1u, root.children.size());
    EXPECT_EQ(nullptr, root.focus_child);
    EXPECT_EQ(nullptr, root.hover_child);
    EXPECT_EQ(0, send(root, mouse(EV_MOUSEUP, 5, 5)));
    root.clear();
    EXPECT_TRUE(root.children.empty());
    root.measure_content();
    EXPECT_EQ(0, root.content_w);
    EXPECT_EQ(0, root.content_h);
}

// Every way a widget leaves the tree, a leaf or a container, clears the TAB links to it held by
// leaves and by containers (the root included) anywhere under the same root: a freed widget would
// be focused by the next TAB. Links to widgets that stay are kept and still work.
TEST(GuiContainer, LeavingTheTreeClearsTabLinksToIt) {
    // root: left (a), keeper, outer (right (table (b))), c
    struct Tree {
        Container root;
        Container *left, *keeper, *outer, *right;
        Table *table;
        Probe *a, *b, *c;
    };
    using Leave = void (*)(Tree &t, Widget *gone);
    const std::pair<const char *, Leave> ways[] = {
        {"removed", [](Tree &t, Widget *gone) { (gone == t.b ? t.table : t.right)->remove(gone); }},
        {"its container cleared", [](Tree &t, Widget *gone) { gone == t.b ? t.table->clear() : t.right->clear(); }},
        {"an ancestor removed", [](Tree &t, Widget *) { t.root.remove(t.outer); }},
        {"an ancestor cleared", [](Tree &t, Widget *) { t.outer->clear(); }},
    };
    for (bool leaf : {true, false}) {
        for (const auto &way : ways) {
            SCOPED_TRACE(std::string(leaf ? "a leaf " : "a container ") + way.first);
            Tree t;
            t.left = t.root.add(new Container);
            t.a = t.left->add(new Probe(0, 0, 10, 10));
            t.keeper = t.root.add(new Container);
            t.outer = t.root.add(new Container);
            t.right = t.outer->add(new Container);
            t.table = t.right->add(new Table);
            t.b = t.table->add_cell(new Probe(0, 0, 10, 10));
            t.c = t.root.add(new Probe(20, 0, 10, 10));
            Widget *gone = leaf ? (Widget *)t.b : t.table;
            t.a->next = t.left->next = t.root.next = gone;
            t.b->next = t.table->next = t.a;   // held inside what leaves: gone with it
            t.c->next = t.a;
            t.keeper->next = t.c;
            way.second(t, gone);
            ASSERT_EQ(nullptr, t.a->next);
            ASSERT_EQ(nullptr, t.left->next);
            ASSERT_EQ(nullptr, t.root.next);
            EXPECT_EQ(t.a, t.c->next);
            EXPECT_EQ(t.c, t.keeper->next);
            t.c->focus();
            send(t.root, key(KEY_TAB));
            EXPECT_TRUE(t.a->focused);
            send(t.root, key(KEY_TAB));   // no link left on the focus path: the focus stays
            EXPECT_TRUE(t.a->focused);
            EXPECT_EQ(t.left, t.root.focus_child);
        }
    }
}

TEST(GuiContainer, MeasureIsTheBoundingBoxOfTheChildren) {
    Container root;
    root.add(sized(10, 20, 30, 5));
    root.add(sized(0, 50, 5, 5));
    root.measure_content();
    EXPECT_EQ(40, root.content_w);
    EXPECT_EQ(55, root.content_h);
}
