#include "app/PolicyDisplay.h"

#include <string>

namespace {

std::string Note(TargetState state) {
    if (state == TargetState::BlockedByHushbar || state == TargetState::NotBlocked) return {};
    return StateWords(state);
}

std::string Reason(const Verdict& verdict) {
    std::string reason = StateReason(verdict.state);
    if (!verdict.decidingKey.empty()) reason += " Decided by " + verdict.decidingKey + ".";
    return reason;
}

// How much a state says that the check box does not: the note of two differing scripting
// values is the one that says more.
int Weight(TargetState state) {
    switch (state) {
    case TargetState::AllowedByPolicy: return 5;
    case TargetState::BlockedByPolicy: return 4;
    case TargetState::BlockedAlready: return 3;
    case TargetState::BlockedForUserOnly: return 2;
    case TargetState::BlockedByHushbar: return 1;
    case TargetState::NotBlocked: break;
    }
    return 0;
}

ItemState StateOf(const Verdict& verdict) { return {Note(verdict.state), Reason(verdict)}; }

ItemState ScriptingState(const TargetStatus& active, const TargetStatus& applets) {
    if (active.verdict.state == applets.verdict.state && active.verdict.decidingKey == applets.verdict.decidingKey)
        return StateOf(active.verdict);
    const TargetState shown =
        Weight(active.verdict.state) >= Weight(applets.verdict.state) ? active.verdict.state : applets.verdict.state;
    return {Note(shown), active.name + ": " + Reason(active.verdict) + " " + applets.name + ": " + Reason(applets.verdict)};
}

}  // namespace

std::size_t TreeItemCount(const PolicyVerdicts& status) {
    return status.FixedRows().size() < kFixedTargetRows ? 0 : status.Size() - 1;
}

ItemState TreeItemState(const PolicyVerdicts& status, std::size_t index) {
    if (index >= TreeItemCount(status)) return {};
    if (index == 0) return ScriptingState(status.FixedRows()[0], status.FixedRows()[1]);
    return StateOf(status.VerdictOf(index + 1));
}
