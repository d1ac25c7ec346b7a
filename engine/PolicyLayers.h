#pragma once
// Reads the layers PolicyState.h weighs, from the registry, and decides every target of the
// current selection. Read only: no key is created and no value written.
#include "engine/BlockingEngine.h"
#include "engine/PolicyState.h"

#include <array>
#include <string>
#include <vector>

PolicyLayers ReadPolicyLayers();

class RegKey;
// One value as stored; a closed key or a missing value reads as not present, and one longer
// than any policy word as present but empty.
StoredValue ReadStoredValue(const RegKey& key, const char* name);

// One line of the state display: a display option, a zone value or a listed control.
struct TargetStatus {
    std::string name;
    std::string classId;  // empty for what is not a control
    Verdict verdict;
};

// The rows before the listed controls: 1400, 1402, the four display options, then Java.
constexpr std::size_t kFixedTargetRows = 7;

// What is in force for every target, in display order: the zone values, the display
// options, then the listed controls in list order. The rows before the controls are kept
// whole, each control's state in a byte and the deciding key only where one decided; the
// controls' names and class ids stay the list's (10,000 rows held whole were 1.5 MB).
class PolicyVerdicts {
public:
    PolicyVerdicts() = default;
    PolicyVerdicts(std::vector<TargetStatus> fixedRows, std::size_t controls);
    void AddControl(Verdict verdict);

    std::size_t Size() const noexcept { return fixed_.size() + states_.size(); }
    TargetState State(std::size_t row) const;
    Verdict VerdictOf(std::size_t row) const;
    // The rows before the controls, whole.
    const std::vector<TargetStatus>& FixedRows() const noexcept { return fixed_; }
    // The rows whole again, the controls' names and class ids from `list`, which must be the
    // list they were read for: a status of another length gives its fixed rows alone.
    std::vector<TargetStatus> Rows(const BlockList& list) const;

private:
    std::vector<TargetStatus> fixed_;
    std::vector<TargetState> states_;
    std::vector<std::pair<std::size_t, std::string>> keys_;  // control index, deciding key; by index
};

// Reads what is in force. `blocking` is whether Hushbar is switched on; `report` what the
// last apply could not do.
PolicyVerdicts ReadPolicyVerdicts(const Settings& settings, const Selection& selection, bool blocking,
                                  const PolicyReport& report);

// How many checked targets policy keeps allowed, of how many checked in all.
struct PolicySummary {
    std::size_t checked = 0;
    std::size_t allowedByPolicy = 0;
};
PolicySummary SummarisePolicy(const PolicyVerdicts& verdicts);

// "3 of 41 checked items are allowed by your administrator's policy and stay unblocked", or
// "" when policy overrides nothing.
std::string PolicyNote(const PolicySummary& summary);

// The report's columns, and one target's cells in them: name, class id ("-" for what is not
// a control), state, deciding key ("Hushbar" where Hushbar's own writes decide).
constexpr std::size_t kReportColumnCount = 4;
extern const char* const kReportColumns[kReportColumnCount];
std::array<std::string, kReportColumnCount> ReportCells(const TargetStatus& target);

// The columns' titles, then every target on a line of its own, tab-separated. Plain text for
// the clipboard or a console.
std::string FormatPolicyReport(const std::vector<TargetStatus>& status);
