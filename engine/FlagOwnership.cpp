#include "engine/FlagOwnership.h"

std::optional<std::uint32_t> ParseOwnerRecord(std::uint32_t stored) noexcept {
    if (stored == kOwnerCreatedKey || stored == kOwnerAddedFlag || stored == kOwnerAddedValue) return stored;
    return std::nullopt;
}

FlagPlan PlanSetFlag(const FlagKeyState& state, std::uint32_t bit) noexcept {
    FlagPlan plan;
    if (!state.exists) {
        plan.createKey = true;
        plan.writeFlags = bit;
        plan.writeRecord = kOwnerCreatedKey;
        return plan;
    }
    if (state.flagsUnreadable) return plan;
    if (state.record) {
        // Ours already; someone may have cleared the bit since, so put it back.
        if (!state.flags || (*state.flags & bit) == 0) plan.writeFlags = state.flags.value_or(0) | bit;
        return plan;
    }
    if (state.flags && (*state.flags & bit) != 0) return plan;  // set by someone else: theirs
    plan.writeFlags = state.flags.value_or(0) | bit;
    plan.writeRecord = state.flags ? kOwnerAddedFlag : kOwnerAddedValue;
    return plan;
}

FlagPlan PlanClearFlag(const FlagKeyState& state, std::uint32_t bit) noexcept {
    FlagPlan plan;
    if (!state.exists || !state.record) return plan;
    plan.deleteRecord = true;
    if (state.flagsUnreadable) return plan;  // not ours any more to change

    const std::uint32_t rest = state.flags.value_or(0) & ~bit;
    switch (*state.record) {
        case kOwnerCreatedKey:
            if (!state.holdsOtherData && rest == 0) {
                FlagPlan whole;
                whole.deleteKey = true;
                return whole;
            }
            [[fallthrough]];
        case kOwnerAddedValue:
            // The value was ours: it goes when nothing but our bit was in it.
            if (rest == 0 && state.flags)
                plan.deleteFlags = true;
            else if (state.flags && rest != *state.flags)
                plan.writeFlags = rest;
            break;
        default:  // kOwnerAddedFlag: the value was there before; only the bit was ours
            if (state.flags && rest != *state.flags) plan.writeFlags = rest;
            break;
    }
    return plan;
}

bool FlagInForce(const FlagKeyState& state, const FlagPlan& plan, std::uint32_t bit) noexcept {
    if (plan.deleteKey || plan.deleteFlags) return false;
    if (plan.writeFlags) return (*plan.writeFlags & bit) != 0;
    return state.exists && state.flags && (*state.flags & bit) != 0;
}

FlagKeyState AfterPlan(const FlagKeyState& state, const FlagPlan& plan) noexcept {
    if (plan.deleteKey) return FlagKeyState{};
    FlagKeyState after = state;
    if (plan.createKey) {
        after = FlagKeyState{};
        after.exists = true;
    }
    if (plan.writeFlags) {
        after.flags = *plan.writeFlags;
        after.flagsUnreadable = false;
    }
    if (plan.deleteFlags) {
        after.flags.reset();
        after.flagsUnreadable = false;
    }
    if (plan.writeRecord) after.record = *plan.writeRecord;
    if (plan.deleteRecord) after.record.reset();
    return after;
}

FlagPlan PlanInForce(const FlagKeyState& state, bool wanted, std::uint32_t bit) noexcept {
    const FlagPlan clear = PlanClearFlag(state, bit);
    if (!wanted) return clear;
    const FlagKeyState between = AfterPlan(state, clear);
    const FlagPlan set = PlanSetFlag(between, bit);
    if (!state.exists) return set;  // clearing found nothing to do

    // The key exists before and after (setting recreates one that clearing deleted, and
    // that one held nothing but our flag and record): compare the two values.
    const FlagKeyState end = AfterPlan(between, set);
    FlagPlan plan;
    if (end.flags != state.flags) {
        if (end.flags)
            plan.writeFlags = *end.flags;
        else
            plan.deleteFlags = true;
    }
    // A stored record that is not one of our numbers reads as none: only a write of ours
    // differs from it, never its keeping.
    if (end.record != state.record) {
        if (end.record)
            plan.writeRecord = *end.record;
        else
            plan.deleteRecord = true;
    }
    return plan;
}
