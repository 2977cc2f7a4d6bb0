// SPDX-License-Identifier: GPL-3.0-or-later
// Asks a window whether its program answers, as a window manager does with
// _NET_WM_PING: a ping every 20 ms for SECONDS, each answered only when the
// program's event thread runs. Prints how many were answered and the longest
// wait for an answer (a ping never answered counts until the end).
// Usage: wmping WINDOW_ID SECONDS
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <xcb/xcb.h>

namespace {

double nowMs()
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(r);
    return a;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: wmping WINDOW_ID SECONDS\n");
        return 2;
    }
    const xcb_window_t window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
    const double seconds = std::atof(argv[2]);
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "wmping: cannot open the display\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t protocols = atom(c, "WM_PROTOCOLS");
    const xcb_atom_t ping = atom(c, "_NET_WM_PING");
    // The answer is sent to the root window, for its (sub)structure listeners.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);

    constexpr uint32_t kMax = 4096;
    static double sent[kMax];
    uint32_t next = 1, answered = 0;
    double longest = 0;
    const double start = nowMs();
    double due = start;
    for (;;) {
        const double t = nowMs();
        if (t >= due && t - start < seconds * 1000 && next < kMax) {
            xcb_client_message_event_t e;
            std::memset(&e, 0, sizeof e);
            e.response_type = XCB_CLIENT_MESSAGE;
            e.format = 32;
            e.window = window;
            e.type = protocols;
            e.data.data32[0] = ping;
            e.data.data32[1] = next; // the time-stamp field carries our serial
            e.data.data32[2] = window;
            sent[next++] = t;
            xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT,
                           reinterpret_cast<const char*>(&e));
            xcb_flush(c);
            due += 20;
        }
        // Leave pings time to be answered after the run.
        if (t - start >= seconds * 1000 + 3000)
            break;
        xcb_generic_event_t* ev = xcb_poll_for_event(c);
        if (!ev) {
            if (xcb_connection_has_error(c))
                break;
            struct timespec nap = {0, 1000000};
            nanosleep(&nap, nullptr);
            continue;
        }
        if ((ev->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
            const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(ev);
            const uint32_t serial = m->data.data32[1];
            if (m->type == protocols && m->data.data32[0] == ping && serial > 0 && serial < next &&
                sent[serial] > 0) {
                const double waited = nowMs() - sent[serial];
                if (waited > longest)
                    longest = waited;
                sent[serial] = 0;
                ++answered;
            }
        }
        std::free(ev);
    }
    const double end = nowMs();
    for (uint32_t i = 1; i < next; ++i)
        if (sent[i] > 0 && end - sent[i] > longest)
            longest = end - sent[i];
    std::printf("pings %u answered %u longest %.1f ms\n", next - 1, answered, longest);
    xcb_disconnect(c);
    return 0;
}
