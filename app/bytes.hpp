#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>

namespace ywf {

using ByteView = std::span<const std::uint8_t>;

// A counted sequence of bytes that owns its storage. Unlike std::vector it does not
// zero a fresh buffer, so reading a large file into it touches the memory once.
// Its length fits the 32-bit count of the tool's byte arrays (see kMaxBytes).
class ByteArray {
  public:
    static constexpr std::size_t kMaxBytes = 0x7fffffffu;

    ByteArray() = default;
    // Uninitialised storage of `size` bytes; throws std::bad_alloc when memory cannot be had.
    static ByteArray uninitialised(std::size_t size) {
        ByteArray a;
        if (size > 0) {
            a.data_ = Storage(allocate(size), Release{size});
            a.size_ = size;
        }
        return a;
    }
    static ByteArray copyOf(ByteView bytes) {
        ByteArray a = uninitialised(bytes.size());
        if (!bytes.empty()) std::memcpy(a.data_.get(), bytes.data(), bytes.size());
        return a;
    }
    static ByteArray fromText(std::string_view text) {
        return copyOf(ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::uint8_t* data() { return data_.get(); }
    const std::uint8_t* data() const { return data_.get(); }
    ByteView view() const { return ByteView(data_.get(), size_); }
    operator ByteView() const { return view(); }

    // Keeps only `count` bytes from `offset` on, moving them to the front in place:
    // no second buffer is needed. The range must lie inside the array.
    void keepRange(std::size_t offset, std::size_t count) {
        if (count > 0 && offset > 0) std::memmove(data_.get(), data_.get() + offset, count);
        size_ = count;
        if (size_ == 0) data_.reset();
    }
    void clear() {
        data_.reset();
        size_ = 0;
    }

  private:
    // Large arrays come straight from the kernel, with huge pages where it has them:
    // filling a file-sized buffer then costs far fewer page faults.
    static constexpr std::size_t kMapThreshold = std::size_t(1) << 20;
    struct Release {
        std::size_t capacity;
        void operator()(std::uint8_t* p) const;
    };
    using Storage = std::unique_ptr<std::uint8_t[], Release>;
    // Throws std::bad_alloc when the memory cannot be had.
    static std::uint8_t* allocate(std::size_t size);

    Storage data_{nullptr, Release{0}};
    std::size_t size_ = 0;
};

}  // namespace ywf
