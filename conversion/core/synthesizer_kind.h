// The naming conventions of the synthesis tools that the constraint lines follow.
#pragma once

// The Synthesizer list's selection index. Any value other than these two (in practice -1,
// nothing selected) means no naming convention: every instance has the component's name.
enum class SynthesizerKind : int { Synopsys = 0, Xst = 1 };

// The index of the list with nothing selected.
inline constexpr SynthesizerKind kNoConvention = static_cast<SynthesizerKind>(-1);

inline bool IsXst(SynthesizerKind s) {
    return s == SynthesizerKind::Xst;
}
inline bool IsSynopsys(SynthesizerKind s) {
    return s == SynthesizerKind::Synopsys;
}
// Whether instances get suffixes that tell them apart.
inline bool HasNamingConvention(SynthesizerKind s) {
    return IsSynopsys(s) || IsXst(s);
}
