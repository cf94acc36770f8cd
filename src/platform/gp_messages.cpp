/*
 * gp_messages.cpp - what decoding libraries print on the C library's stderr
 * (dav1d's "Error parsing OBU data", for one), kept with the image being read.
 *
 * Several images may be decoded at once on worker threads, so the messages
 * cannot be told apart on file descriptor 2. Instead stderr becomes a stream
 * of our own, unbuffered, whose writes run on the printing thread: while a
 * capture is active there, the text goes to that capture; otherwise straight
 * on to descriptor 2. Streams made from stderr before the swap (a program's
 * own QTextStream) keep writing to the descriptor directly.
 */
#include "gp_internal.h"

#include <cerrno>
#include <cstdio>
#include <mutex>

#include <unistd.h>

namespace gp {
namespace {

thread_local std::string* tCapture = nullptr;

ssize_t ms_write(void*, const char* buffer, size_t size) {
    if (tCapture != nullptr) {
        try {
            tCapture->append(buffer, size);
        } catch (...) {
            /* out of memory: the message is lost, the decode goes on */
        }
        return static_cast<ssize_t>(size);
    }
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(STDERR_FILENO, buffer + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done > 0 ? static_cast<ssize_t>(done) : -1;
}

void ms_install_once() {
    static std::once_flag once;
    std::call_once(once, [] {
        cookie_io_functions_t io{};
        io.write = ms_write;
        FILE* stream = fopencookie(nullptr, "w", io);
        if (stream == nullptr)
            return;
        setvbuf(stream, nullptr, _IONBF, 0);
        fflush(stderr);
        stderr = stream; /* a plain variable in the GNU C library; never closed */
    });
}

} // namespace

message_capture::message_capture(std::string& text) : mPrevious(tCapture) {
    ms_install_once();
    tCapture = &text;
}

message_capture::~message_capture() {
    tCapture = mPrevious;
}

} // namespace gp
