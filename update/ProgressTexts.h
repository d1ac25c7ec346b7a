#pragma once
// What the update dialog shows while a file arrives: sizes, the time left with the amount
// copied, the transfer rate and the window title, plus the arithmetic behind them. No
// window is needed here; the texts come through a formatter so that the dialog can hand in
// the string table and tests can hand in anything they like to look at.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Fills the inserts %1, %2 ... of the text with the given id (the IDS_ numbers of
// res/resource.h).
using TextFormatter = std::function<std::string(unsigned textId, const std::vector<std::string>& inserts)>;

// "512 Bytes", "2.0 KB", "1.00 MB".
std::string SizeText(std::uint32_t bytes, const TextFormatter& format);

// "59 sec", "1 min", "2 min 5 sec".
std::string TimeText(unsigned seconds, const TextFormatter& format);

// The time-left line: "2 min 5 sec (1.50 MB of 3.20 MB copied)".
std::string TimeLeftLine(unsigned seconds, std::uint32_t total, std::uint32_t contentLength,
                         const TextFormatter& format);

// The rate line from bytes per millisecond: "512 Bytes/Sec", "2.50 KB/Sec", "13 KB/Sec".
std::string RateLine(double bytesPerMillisecond, const TextFormatter& format);

// The window title at a percent: the percent is followed by "% " in the text, which the
// message formatter turns into a single blank ("45 of  Completed").
std::string TitleAtPercent(unsigned percent, const TextFormatter& format);

// Whole percent of a transfer, or nothing when the length is unknown or announced as 0
// (then the bar keeps what it shows). A server that sends more than it announced stops
// at 100.
std::optional<unsigned> PercentDone(bool lengthKnown, std::uint32_t total, std::uint32_t contentLength);

// Seconds left when `total` of `contentLength` bytes took `elapsedMs`: the time per byte
// so far times the bytes still to come. 0 when nothing has arrived yet or all has.
unsigned SecondsLeft(std::uint32_t elapsedMs, std::uint32_t total, std::uint32_t contentLength);
