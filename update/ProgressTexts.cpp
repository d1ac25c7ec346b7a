#include "update/ProgressTexts.h"

#include "res/resource.h"

#include <cstdio>

namespace {

std::string Printf(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

std::string Decimal(unsigned long long value) {
    return std::to_string(value);
}

}  // namespace

std::string SizeText(std::uint32_t bytes, const TextFormatter& format) {
    if (bytes < 1024u) return format(IDS_BYTES, {Decimal(bytes)});
    if (bytes < 1048576u) return format(IDS_KILOBYTES, {Printf("%0.1f", bytes / 1024.0)});
    return format(IDS_MEGABYTES, {Printf("%0.2f", bytes / 1048576.0)});
}

std::string TimeText(unsigned seconds, const TextFormatter& format) {
    if (seconds < 60) return format(IDS_SECONDS, {Decimal(seconds)});
    const unsigned minutes = seconds / 60;
    const unsigned rest = seconds % 60;
    if (rest == 0) return format(IDS_MINUTES, {Decimal(minutes)});
    return format(IDS_MINUTES_SECONDS, {Decimal(minutes), Decimal(rest)});
}

std::string TimeLeftLine(unsigned seconds, std::uint32_t total, std::uint32_t contentLength,
                         const TextFormatter& format) {
    std::string copied = format(IDS_AMOUNT_OF, {SizeText(total, format), SizeText(contentLength, format)});
    return format(IDS_TIME_LEFT, {TimeText(seconds, format), copied});
}

std::string RateLine(double bytesPerMillisecond, const TextFormatter& format) {
    // Bytes per millisecond is within a few percent of kilobytes per second; below one
    // the figure is scaled up so that slow links do not read "0 KB/Sec".
    if (bytesPerMillisecond < 1.0)
        return format(IDS_RATE_BYTES, {Printf("%0.0f", bytesPerMillisecond * 1024.0)});
    if (bytesPerMillisecond < 10.0) return format(IDS_RATE_KILOBYTES, {Printf("%0.2f", bytesPerMillisecond)});
    return format(IDS_RATE_KILOBYTES, {Printf("%0.0f", bytesPerMillisecond)});
}

std::string TitleAtPercent(unsigned percent, const TextFormatter& format) {
    return format(IDS_TITLE_PERCENT, {Decimal(percent), std::string()});
}

std::optional<unsigned> PercentDone(bool lengthKnown, std::uint32_t total, std::uint32_t contentLength) {
    if (!lengthKnown || contentLength == 0) return std::nullopt;
    const double percent = static_cast<double>(total) * 100.0 / static_cast<double>(contentLength);
    return percent >= 100.0 ? 100u : static_cast<unsigned>(percent);
}

unsigned SecondsLeft(std::uint32_t elapsedMs, std::uint32_t total, std::uint32_t contentLength) {
    if (total == 0 || total >= contentLength) return 0;
    // In double precision: with integers the time per byte of any link faster than one
    // byte per millisecond would come out as 0.
    const double msPerByte = static_cast<double>(elapsedMs) / static_cast<double>(total);
    return static_cast<unsigned>(msPerByte * static_cast<double>(contentLength - total) * 0.001);
}
