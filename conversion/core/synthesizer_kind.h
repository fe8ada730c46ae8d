// The naming conventions of the synthesis tools that the constraint lines follow.
#pragma once

// The Synthesizer list's selection index. Any value other than these two (in practice -1,
// nothing selected) means no naming convention: nothing is removed, the suffix never changes.
enum class SynthesizerKind : int { Synopsys = 0, Xst = 1 };

inline bool IsXst(SynthesizerKind s) {
    return s == SynthesizerKind::Xst;
}
inline bool IsSynopsys(SynthesizerKind s) {
    return s == SynthesizerKind::Synopsys;
}
