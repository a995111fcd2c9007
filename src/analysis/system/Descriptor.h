// An owned file descriptor.
#pragma once

#include <unistd.h>

namespace pagetally {

// Closes its descriptor when it goes out of scope.
class Descriptor
{
public:
    explicit Descriptor(int fd) noexcept : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace pagetally
