/* The window handle shared by the program and the codec libraries.
 *
 * A codec library notifies the program by posting messages to a window it was handed. On this
 * platform a window handle is a pointer to a struct whose first member is the post function; the
 * library calls it from any thread, exactly as it would post a window message, and the program
 * delivers the messages in posting order on its user-interface thread. */
#ifndef TONEBRIDGE_WINDOW_H
#define TONEBRIDGE_WINDOW_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct tb_window tb_window;

/* Posts (msg, wparam, lparam) to the window; returns nonzero when the message was queued. */
typedef int (*tb_post_fn)(tb_window *window, uint32_t msg, uintptr_t wparam, intptr_t lparam);

struct tb_window {
    tb_post_fn post;
};

/* Posts through a handle; a null handle swallows the message. */
static inline int tb_post(tb_window *window, uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    return window && window->post ? window->post(window, msg, wparam, lparam) : 0;
}

#ifdef __cplusplus
}
#endif

#endif
