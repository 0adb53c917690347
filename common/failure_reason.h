#pragma once
// Why an operation with a module failed ("SetFeature: device removed"), kept
// in a buffer of its own: a module that keeps failing (a logger polled 20
// times a second) costs no allocation, and noting a reason inside the catch
// of a noexcept transfer cannot throw.
#include <array>
#include <cstddef>
#include <string_view>

namespace tavik {

class TFailureReason {
public:
    // Room for the platforms' messages; a longer one is cut, never in the
    // middle of a UTF-8 sequence.
    static constexpr std::size_t Capacity = 240;

    // "operation: reason", or "operation: failed" when the reason is empty.
    void Set(std::string_view operation, std::string_view reason) noexcept;
    void Clear() noexcept { Size_ = 0; }
    bool Empty() const noexcept { return Size_ == 0; }
    std::string_view Text() const noexcept { return {Text_.data(), Size_}; }

private:
    void Append(std::string_view part) noexcept;

    std::array<char, Capacity> Text_{};
    std::size_t Size_ = 0;
};

}  // namespace tavik
