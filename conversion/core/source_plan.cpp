#include "conversion/core/source_plan.h"

#include <algorithm>

#include "conversion/core/byte_order.h"

SourcePlan PlanSource(std::uint64_t imageBytes, const MemoryLayout& layout, unsigned swapWidth,
                      const ImageChunks* pieces, std::uint64_t base) {
    SourcePlan plan;
    plan.imageBytes = imageBytes;
    plan.bytes = swapWidth > 1 ? PaddedToWords(imageBytes, swapWidth) : imageBytes;
    const unsigned wordBytes = WordBytes(layout);
    plan.words = plan.bytes / wordBytes + (plan.bytes % wordBytes != 0 ? 1 : 0);
    plan.instances = LaneInstancesNeeded(plan.words, layout);
    const unsigned d = DataBits(layout.width);
    const bool bytesAsTheyAre =
        layout.lanes == 1 && ParityBits(layout.width) == 0 && layout.width % 8 == 0;
    plan.laneBytes = bytesAsTheyAre ? plan.bytes : (plan.words * d + 7) / 8;
    if (pieces == nullptr || pieces->chunks.empty()) return plan;
    const std::vector<ImageChunk>& list = pieces->chunks;
    plan.firstData = list.front().address - base;
    std::uint64_t end = 0;
    const ImageChunk* last = nullptr;
    for (const ImageChunk& chunk : list) {
        if (last == nullptr || chunk.address + chunk.size > last->address + last->size) {
            plan.lastGap = chunk.address > end && last != nullptr ? chunk.address - end : 0;
            last = &chunk;
        }
        end = std::max(end, chunk.address + chunk.size);
    }
    if (std::string(pieces->originKind) == "section" && last->origin < pieces->originNames.size())
        plan.lastSection = pieces->originNames[last->origin];
    return plan;
}

PlanLimit CheckPlan(const SourcePlan& plan, std::uint64_t maxInstances,
                    SynthesizerKind synthesizer) {
    if (plan.bytes > kMaxImageSize || plan.laneBytes > kMaxImageSize) return PlanLimit::TooLarge;
    if (!HasNamingConvention(synthesizer) && plan.instances > 1) return PlanLimit::OneInstanceOnly;
    if (maxInstances != 0 && plan.instances > maxInstances) return PlanLimit::TooManyInstances;
    return PlanLimit::Within;
}
