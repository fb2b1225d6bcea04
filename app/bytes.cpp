#include "app/bytes.hpp"

#include <sys/mman.h>

#include <new>

namespace ywf {

std::uint8_t* ByteArray::allocate(std::size_t size) {
    if (size < kMapThreshold) return new std::uint8_t[size];
    void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    ::madvise(p, size, MADV_HUGEPAGE);  // a hint: refusing it costs nothing
    return static_cast<std::uint8_t*>(p);
}

void ByteArray::Release::operator()(std::uint8_t* p) const {
    if (capacity < kMapThreshold) {
        delete[] p;
    } else {
        ::munmap(p, capacity);
    }
}

}  // namespace ywf
