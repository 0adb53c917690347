#pragma once
// XDR as ONC RPC carries it: big-endian 32-bit words, variable-length opaque
// data and strings with their length before them and padded to a word. The
// reader never reads past its bytes: a short or oversized item makes it
// fail, and every later item reads as empty.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavik::net {

class TXdrReader {
public:
    explicit TXdrReader(std::string_view bytes) : Bytes_(bytes) {}

    uint32_t U32();
    int32_t I32() { return static_cast<int32_t>(U32()); }
    // Any value but 0 and 1 fails the reader.
    bool Bool();
    // Variable-length opaque data or a string of at most maxBytes.
    std::string_view Opaque(std::size_t maxBytes = SIZE_MAX);
    // False once any item has not fit.
    bool Ok() const { return Ok_; }
    std::size_t Left() const { return Bytes_.size() - At_; }

private:
    void Fail() { Ok_ = false, At_ = Bytes_.size(); }

    std::string_view Bytes_;
    std::size_t At_ = 0;
    bool Ok_ = true;
};

class TXdrWriter {
public:
    TXdrWriter& U32(uint32_t value);
    TXdrWriter& I32(int32_t value) { return U32(static_cast<uint32_t>(value)); }
    TXdrWriter& Bool(bool value) { return U32(value ? 1 : 0); }
    TXdrWriter& Opaque(std::string_view bytes);
    const std::string& Bytes() const { return Bytes_; }
    std::string Take() { return std::move(Bytes_); }

private:
    std::string Bytes_;
};

}  // namespace tavik::net
