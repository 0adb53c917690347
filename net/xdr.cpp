#include "xdr.h"

namespace tavik::net {

uint32_t TXdrReader::U32() {
    if (Left() < 4) {
        Fail();
        return 0;
    }
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(Bytes_[At_++]);
    return value;
}

bool TXdrReader::Bool() {
    const uint32_t value = U32();
    if (value > 1) Fail();
    return value == 1;
}

std::string_view TXdrReader::Opaque(std::size_t maxBytes) {
    const uint32_t size = U32();
    const std::size_t padded = (std::size_t{size} + 3) & ~std::size_t{3};
    if (!Ok_ || size > maxBytes || padded > Left()) {
        Fail();
        return {};
    }
    const std::string_view bytes = Bytes_.substr(At_, size);
    At_ += padded;
    return bytes;
}

TXdrWriter& TXdrWriter::U32(uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) Bytes_ += static_cast<char>(value >> shift & 0xFF);
    return *this;
}

TXdrWriter& TXdrWriter::Opaque(std::string_view bytes) {
    U32(static_cast<uint32_t>(bytes.size()));
    Bytes_ += bytes;
    Bytes_.append((4 - bytes.size() % 4) % 4, '\0');
    return *this;
}

}  // namespace tavik::net
