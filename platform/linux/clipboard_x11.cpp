// SPDX-License-Identifier: Zlib
// clipboard_x11.cpp - the clipboard (app/clipboard.h) as the CLIPBOARD selection of SDL's X11
// window, or an in-process stand-in when there is none.
//
// Owning: clipboard_set stores the text and makes SDL's window the selection owner. Other programs
// then send SelectionRequest events to that window; SDL 1.2 passes X events it does not know as
// SDL_SYSWMEVENT when that type is enabled, and the event filter installed here answers them while
// SDL pumps its events (the main loop's polling), so the game answers without any extra call.
// Asking: clipboard_get sends ConvertSelection and waits a bounded time for the SelectionNotify.
// Our text is Latin-1; UTF8_STRING carries UTF-8 both ways and is converted at the border.
#include "app/clipboard_internal.h"
#include "app/clipboard_text.h"
#include <SDL/SDL.h>
#include <SDL/SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <cstdint>
#include <cstring>

static std::string clip_text;                   // our text: what we serve, or the stand-in clipboard
static bool clip_owned = false;                 // we took the X selection and nobody took it since
static SDL_EventFilter clip_prev_filter = nullptr;
static bool clip_drop_syswm = false;            // SYSWM events were off before we switched them on

struct ClipX11 {
    Display *dpy;
    Window win;
    void (*lock)();
    void (*unlock)();
    Atom clipboard, targets, utf8, incr, property;
};

// SDL's X11 window, or false when there is none (no video, another video driver).
static bool clip_x11(ClipX11 &x) {
    if (!SDL_WasInit(SDL_INIT_VIDEO) || !SDL_GetVideoSurface()) return false;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) <= 0 || info.subsystem != SDL_SYSWM_X11) return false;
    if (!info.info.x11.display || !info.info.x11.window) return false;
    x.dpy = info.info.x11.display;
    x.win = info.info.x11.window;
    x.lock = info.info.x11.lock_func;
    x.unlock = info.info.x11.unlock_func;
    x.clipboard = XInternAtom(x.dpy, "CLIPBOARD", False);
    x.targets = XInternAtom(x.dpy, "TARGETS", False);
    x.utf8 = XInternAtom(x.dpy, "UTF8_STRING", False);
    x.incr = XInternAtom(x.dpy, "INCR", False);
    x.property = XInternAtom(x.dpy, "GLITZ_CLIPBOARD", False);
    return true;
}

// A requestor may vanish before we answer: its BadWindow must not end the program.
static int clip_ignore_error(Display *, XErrorEvent *) { return 0; }

static void clip_answer(const ClipX11 &x, const XSelectionRequestEvent &req) {
    XEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = req.display;
    reply.xselection.requestor = req.requestor;
    reply.xselection.selection = req.selection;
    reply.xselection.target = req.target;
    reply.xselection.property = None;   // refused unless filled below
    reply.xselection.time = req.time;
    Atom prop = req.property != None ? req.property : req.target;   // obsolete clients give None
    long max_bytes = XMaxRequestSize(x.dpy) * 4 - 256;
    int (*old)(Display *, XErrorEvent *) = XSetErrorHandler(clip_ignore_error);
    if (req.selection == x.clipboard && XGetSelectionOwner(x.dpy, x.clipboard) == x.win) {
        if (req.target == x.targets) {
            Atom list[3] = {x.targets, x.utf8, XA_STRING};
            XChangeProperty(x.dpy, req.requestor, prop, XA_ATOM, 32, PropModeReplace, (unsigned char *)list, 3);
            reply.xselection.property = prop;
        } else if (req.target == x.utf8 || req.target == XA_STRING) {
            std::string text = req.target == x.utf8 ? clipboard_latin1_to_utf8(clip_text) : clip_text;
            if ((long)text.size() <= max_bytes) {
                XChangeProperty(x.dpy, req.requestor, prop, req.target, 8, PropModeReplace,
                                (const unsigned char *)text.data(), (int)text.size());
                reply.xselection.property = prop;
            }
        }
    }
    XSendEvent(x.dpy, req.requestor, False, NoEventMask, &reply);
    XSync(x.dpy, False);
    XSetErrorHandler(old);
}

int clipboard_handle_event(const SDL_Event *event) {
    if (!event || event->type != SDL_SYSWMEVENT || !event->syswm.msg) return 0;
    const SDL_SysWMmsg *msg = event->syswm.msg;
    if (msg->subsystem != SDL_SYSWM_X11) return 0;
    const XEvent &xe = msg->event.xevent;
    if (xe.type != SelectionRequest && xe.type != SelectionClear) return 0;
    ClipX11 x;
    if (!clip_x11(x)) return 1;
    if (xe.type == SelectionRequest) clip_answer(x, xe.xselectionrequest);
    if (xe.type == SelectionClear && xe.xselectionclear.selection == x.clipboard && xe.xselectionclear.window == x.win)
        clip_owned = false;   // another program copied: a new window must not take it back
    return 1;
}

static int SDLCALL clip_filter(const SDL_Event *event) {
    if (clipboard_handle_event(event)) return 0;
    if (clip_prev_filter) return clip_prev_filter(event);
    return event->type == SDL_SYSWMEVENT && clip_drop_syswm ? 0 : 1;
}

// Make sure SDL hands us the selection events (the filter is reset when SDL restarts its events).
static void clip_listen() {
    SDL_EventFilter cur = SDL_GetEventFilter();
    if (cur == clip_filter) return;
    clip_prev_filter = cur;
    clip_drop_syswm = SDL_EventState(SDL_SYSWMEVENT, SDL_QUERY) != SDL_ENABLE;
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    SDL_SetEventFilter(clip_filter);
}

void clipboard_set(const std::string &text) {
    clip_text = text;
    ClipX11 x;
    if (!clip_x11(x)) return;   // the in-process clipboard holds it
    clip_listen();
    if (x.lock) x.lock();
    XSetSelectionOwner(x.dpy, x.clipboard, x.win, CurrentTime);
    clip_owned = XGetSelectionOwner(x.dpy, x.clipboard) == x.win;
    if (x.unlock) x.unlock();
}

void clipboard_window_closing() {
    ClipX11 x;
    if (!clip_owned || !clip_x11(x)) return;
    if (x.lock) x.lock();
    clip_owned = XGetSelectionOwner(x.dpy, x.clipboard) == x.win;
    if (x.unlock) x.unlock();
}

void clipboard_window_changed() {
    ClipX11 x;
    if (!clip_owned || !clip_x11(x)) return;
    if (x.lock) x.lock();
    Window owner = XGetSelectionOwner(x.dpy, x.clipboard);   // None: it went with our old window
    if (x.unlock) x.unlock();
    if (owner == None) clipboard_set(std::string(clip_text));
    else if (owner != x.win) clip_owned = false;
}

enum ClipAnswer { CLIP_TEXT, CLIP_REFUSED, CLIP_NO_ANSWER };

// Asks the owner for the selection as target and waits for the answer until `start` +
// CLIPBOARD_WAIT_MS (SDL ticks); the text goes to out as Latin-1.
static ClipAnswer clip_request(const ClipX11 &x, Atom target, Uint32 start, std::string &out) {
    XEvent ev;
    if (x.lock) x.lock();
    while (XCheckTypedWindowEvent(x.dpy, x.win, SelectionNotify, &ev)) {}   // late answers to old asks
    XDeleteProperty(x.dpy, x.win, x.property);
    XConvertSelection(x.dpy, x.clipboard, target, x.property, x.win, CurrentTime);
    XFlush(x.dpy);
    if (x.unlock) x.unlock();
    // The clock is read before each look, so the last look starts after the deadline: a thread left
    // without CPU past it on a busy machine still finds an answer that came in meanwhile.
    bool got = false;
    for (;;) {
        bool last = SDL_GetTicks() - start >= (Uint32)CLIPBOARD_WAIT_MS;
        if (x.lock) x.lock();
        got = XCheckTypedWindowEvent(x.dpy, x.win, SelectionNotify, &ev) && ev.xselection.selection == x.clipboard &&
              ev.xselection.target == target;
        if (x.unlock) x.unlock();
        if (got || last) break;
        SDL_Delay(1);
    }
    if (!got) return CLIP_NO_ANSWER;
    if (ev.xselection.property == None) return CLIP_REFUSED;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, rest = 0;
    unsigned char *data = nullptr;
    if (x.lock) x.lock();
    int rc = XGetWindowProperty(x.dpy, x.win, x.property, 0, CLIPBOARD_MAX / 4, True, AnyPropertyType,
                                &type, &format, &count, &rest, &data);
    if (x.unlock) x.unlock();
    bool ok = rc == Success && data && format == 8 && type != x.incr;   // no incremental transfers
    if (ok) {   // Latin-1 only when the owner says STRING; UTF8_STRING and the rest as UTF-8
        out.assign((const char *)data, count);
        if (type != XA_STRING) out = clipboard_utf8_to_latin1(out);
    }
    if (data) XFree(data);
    return ok ? CLIP_TEXT : CLIP_REFUSED;
}

std::string clipboard_get() {
    ClipX11 x;
    if (!clip_x11(x)) return clip_text;
    if (x.lock) x.lock();
    Window owner = XGetSelectionOwner(x.dpy, x.clipboard);
    if (x.unlock) x.unlock();
    if (owner == x.win) return clip_text;
    if (owner == None) return std::string();
    // One wait in all: an owner that does not answer the first ask is not asked again.
    Uint32 start = SDL_GetTicks();
    std::string out;
    ClipAnswer a = clip_request(x, x.utf8, start, out);
    if (a == CLIP_TEXT) return out;
    if (a == CLIP_REFUSED && clip_request(x, XA_STRING, start, out) == CLIP_TEXT) return out;
    return std::string();
}
