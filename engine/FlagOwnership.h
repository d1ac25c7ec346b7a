#pragma once
// Ownership of a flag bit that Hushbar sets in a REG_DWORD of someone else's key: a kill
// bit in the browser's ActiveX compatibility keys, or the add-on manager's per-user
// "disabled" bit. Beside the flag Hushbar keeps a record of what it did, so that taking
// the flag out again removes exactly that and never what the OS vendor, an administrator
// or the user put there. Plain logic over what was read; the registry work is elsewhere.
#include <cstdint>
#include <optional>

// The name of the REG_DWORD record, written in the same key as the flag it speaks for.
constexpr char kOwnerRecordName[] = "Hushbar";

enum OwnerRecord : std::uint32_t {
    kOwnerCreatedKey = 1,   // the key did not exist: Hushbar created it
    kOwnerAddedFlag = 2,    // the flags value existed without the bit: Hushbar added the bit
    kOwnerAddedValue = 3,   // the key existed without a flags value: Hushbar added the value
};

// What a flag key holds, as read before a change.
struct FlagKeyState {
    bool exists = false;
    // The flags value when it is a REG_DWORD; empty when it is missing or of another type.
    std::optional<std::uint32_t> flags;
    // True when a flags value is there but is not a REG_DWORD: nobody's bit can be added
    // to it without destroying it, so the key is left alone.
    bool flagsUnreadable = false;
    // Our record, only when it is a REG_DWORD holding one of the OwnerRecord numbers.
    std::optional<std::uint32_t> record;
    // Values other than the flags and the record, or subkeys.
    bool holdsOtherData = false;
};

// The writes that bring a key to the wanted state; nothing set means nothing to write.
struct FlagPlan {
    bool createKey = false;
    bool deleteKey = false;
    std::optional<std::uint32_t> writeFlags;
    bool deleteFlags = false;
    std::optional<std::uint32_t> writeRecord;
    bool deleteRecord = false;

    bool WritesNothing() const noexcept {
        return !createKey && !deleteKey && !writeFlags && !deleteFlags && !writeRecord && !deleteRecord;
    }
};

// Makes `bit` set. A key whose flags already hold the bit without our record belongs to
// someone else and is left as it is; so is one whose flags value is not a number.
FlagPlan PlanSetFlag(const FlagKeyState& state, std::uint32_t bit) noexcept;

// Takes out what our record says we did, and nothing where there is no record of ours.
FlagPlan PlanClearFlag(const FlagKeyState& state, std::uint32_t bit) noexcept;

// What the key holds once `plan` has been carried out on `state`.
FlagKeyState AfterPlan(const FlagKeyState& state, const FlagPlan& plan) noexcept;

// One plan with the end state of clearing the flag and then, when `wanted`, setting it
// again, as withdrawing and re-applying the whole list would; it writes only what that
// sequence would leave different, so a key already as wanted is not touched.
FlagPlan PlanInForce(const FlagKeyState& state, bool wanted, std::uint32_t bit) noexcept;

// Whether the bit is set once `plan` has been carried out on `state`.
bool FlagInForce(const FlagKeyState& state, const FlagPlan& plan, std::uint32_t bit) noexcept;

// Our record as stored, or nothing when the stored number is not one of ours.
std::optional<std::uint32_t> ParseOwnerRecord(std::uint32_t stored) noexcept;
