#pragma once
// While it lives, file permissions apply to the calling thread as they would
// to an ordinary user, also when the tests run as root (whose reads a folder's
// permissions never stop). Elsewhere it changes nothing.

#include <sys/fsuid.h>
#include <unistd.h>

class cUnprivileged {
  public:
    cUnprivileged() {
        if (geteuid() == 0)
            setfsuid(kNobody);
    }
    ~cUnprivileged() {
        if (geteuid() == 0)
            setfsuid(0);
    }
    cUnprivileged(const cUnprivileged&) = delete;
    cUnprivileged& operator=(const cUnprivileged&) = delete;

  private:
    static constexpr uid_t kNobody = 65534;
};
