// The progress arithmetic and texts with any numbers a server's answer can lead to.
#include "update/ProgressTexts.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

std::string Join(unsigned id, const std::vector<std::string>& inserts) {
    std::string text = std::to_string(id);
    for (const std::string& insert : inserts) text += "|" + insert;
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint32_t numbers[3] = {};
    double rate = 0.0;
    if (size < sizeof numbers + sizeof rate) return 0;
    std::memcpy(numbers, data, sizeof numbers);
    std::memcpy(&rate, data + sizeof numbers, sizeof rate);
    const TextFormatter format = Join;
    const unsigned seconds = SecondsLeft(numbers[0], numbers[1], numbers[2]);
    TimeLeftLine(seconds, numbers[1], numbers[2], format);
    SizeText(numbers[0], format);
    TimeText(numbers[1], format);
    PercentDone(numbers[0] & 1, numbers[1], numbers[2]);
    TitleAtPercent(numbers[0], format);
    // The rate comes from a subtraction and a division of tick counts: any finite value.
    if (std::isfinite(rate) && std::fabs(rate) < 1e300) RateLine(rate, format);
    return 0;
}
