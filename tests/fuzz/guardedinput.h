#pragma once

// An input copied to the very end of readable memory: a page nobody may read or write follows
// its last byte, and another comes before its first page. The address sanitizer sees only
// code built with it; the decoders' own libraries (libjpeg, libuemf) are not, so a read past
// the input there goes unseen on the heap. Here it faults at once, and the run stops on it.
#include <QByteArray>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

class GuardedInput {
public:
    GuardedInput(const void* data, std::size_t size) : size_(size) {
        const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
        const std::size_t body = (size + page - 1) / page * page;
        length_ = body + 2 * page;
        void* map =
            mmap(nullptr, length_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (map == MAP_FAILED) std::abort();
        map_ = static_cast<char*>(map);
        data_ = map_ + page + body - size;
        if (size) std::memcpy(data_, data, size);
        // The input is read-only as well: a decoder must not write into it.
        if (mprotect(map_, page, PROT_NONE) != 0 || mprotect(map_ + page, body, PROT_READ) != 0 ||
            mprotect(map_ + page + body, page, PROT_NONE) != 0)
            std::abort();
    }
    explicit GuardedInput(const QByteArray& bytes)
        : GuardedInput(bytes.constData(), std::size_t(bytes.size())) {}
    ~GuardedInput() { munmap(map_, length_); }
    GuardedInput(const GuardedInput&) = delete;
    GuardedInput& operator=(const GuardedInput&) = delete;

    const char* data() const { return data_; }
    std::size_t size() const { return size_; }
    // The input without a copy: the array's last byte is the last readable one.
    QByteArray bytes() const { return QByteArray::fromRawData(data_, qsizetype(size_)); }

private:
    char* map_ = nullptr;
    char* data_ = nullptr;
    std::size_t size_ = 0, length_ = 0;
};
